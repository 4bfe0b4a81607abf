#include "desktop/ansi_name.h"
#include "desktop/shell_open.h"

#include <QFileInfo>
#include <QWidget>

#include <windows.h>
#include <shellapi.h>

int shellOpen(QWidget* owner, const QString& target)
{
    // A name that the ANSI code page cannot carry would reach the shell as
    // question marks or look-alike letters: an existing file is then reported
    // as one that no program can open, a missing one as missing.
    const std::optional<std::string> name = ansiName(target.toStdWString());
    if (!name)
        return QFileInfo::exists(target) ? shellNoAssociation : shellFileNotFound;
    HWND ownerWindow = owner ? reinterpret_cast<HWND>(owner->winId()) : nullptr;
    HINSTANCE result = ShellExecuteA(ownerWindow, "open", name->c_str(), nullptr, nullptr, SW_SHOW);
    return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}
