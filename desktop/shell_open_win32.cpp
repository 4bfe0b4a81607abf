#include "desktop/shell_open.h"

#include <QWidget>

#include <windows.h>
#include <shellapi.h>

int shellOpen(QWidget* owner, const QString& target)
{
    HWND ownerWindow = owner ? reinterpret_cast<HWND>(owner->winId()) : nullptr;
    const QByteArray name = target.toLocal8Bit();
    HINSTANCE result = ShellExecuteA(ownerWindow, "open", name.constData(), nullptr, nullptr, SW_SHOW);
    return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}
