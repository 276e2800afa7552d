#include "console_app.h"

#include "chinese_qt_texts.h"
#include "connection_owner.h"
#include "dialogs.h"
#include "dialogs_message_sink.h"
#include "kit_art.h"
#include "kit_look.h"
#include "lock_wait_pump.h"
#include "main_dialog.h"
#include "passwords.h"
#include "program_directory.h"
#include "single_instance.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

const char kUsage[] = "usage: kelvane\n"
                      "The management console of the product-authentication system. It takes no arguments:\n"
                      "its files (Varnholt-dblink.ini, oem.dat, sp.dap, the pictures) lie in its program\n"
                      "directory, the folder of the program or $KELVANE_HOME.\n";

} // namespace

bool CommandLineEndsProcess(const QStringList& arguments)
{
    return arguments.join(QLatin1Char(' ')).size() > 1;
}

int RunConsole(int argc, char** argv)
{
    // Answered before a display is needed.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("kelvane 1.0.0");
            return 0;
        }
    }

    QApplication application(argc, argv);
    // Qt's own options (-platform, -style ...) are taken out of the arguments by now.
    if (CommandLineEndsProcess(QApplication::arguments().mid(1)))
        return 0;

    SingleInstance instance;
    if (instance.HandOverToRunningCopy())
        return 0;
    instance.Listen();

    ChineseQtTexts qtTexts;
    QApplication::installTranslator(&qtTexts);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("Ostrel"));
    ApplyConsoleLook();
    SetArtDirectory(ProgramDirectory());
    DialogsMessageSink sink;
    SetMessageSink(&sink);
    LockWaitPump paintWhileWaiting;

    // A second start during the login brings the prompt to the front.
    const QMetaObject::Connection raisePrompt = QObject::connect(&instance, &SingleInstance::ShowRequested, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->raise();
            modal->activateWindow();
        }
    });

    if (Login() != kNoAccess) {
        QObject::disconnect(raisePrompt);
        CMainDialog window;
        QObject::connect(&instance, &SingleInstance::ShowRequested, &window, &CMainDialog::ShowFromSecondStart);
        window.RunModal();
    }
    DestroyTheConnection();
    SetMessageSink(nullptr);
    return 0;
}
