#include "app/dialogs.h"
#include "app/pictures.h"
#include "app/programmer.h"
#include "app/stand_in.h"
#include "common/general_exception.h"
#include "desktop/standard_streams.h"
#include "image/builtin_image.h"

#include <QApplication>

#include <iostream>

int main(int argc, char* argv[])
{
    // Before anything opens a port, which could otherwise become the console.
    openMissingStandardStreams();
    if (builtinFirmwareIsStandIn)
        std::cerr << standInFirmwareWarning << '\n';
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(applicationTitle));
    QApplication::setWindowIcon(pictures::applicationIconSet());
    try {
        TForm1 window;
        window.show();
        QtDialogs dialogs(&window);
        standIn::warnAtStart(dialogs);
        QApplication::exec();
    } catch (const GeneralException& error) {
        QtDialogs().errorBox(errorBoxText(QString::fromStdString(error.message())));
    }
    return 0;
}
