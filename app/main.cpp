#include "app/dialogs.h"
#include "app/pictures.h"
#include "app/programmer.h"
#include "common/general_exception.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(applicationTitle));
    QApplication::setWindowIcon(pictures::applicationIconSet());
    try {
        TForm1 window;
        window.show();
        QApplication::exec();
    } catch (const GeneralException& error) {
        QtDialogs().errorBox(errorBoxText(QString::fromStdString(error.message())));
    }
    return 0;
}
