#include "ui/application.h"

#include "net/web_request.h"
#include "platform/exit_hook.h"
#include "platform/theme.h"
#include "ui/main_window.h"
#include "ui/start_up.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <unistd.h>

namespace sonivane::ui {

namespace {

// The created handler: the window and its controls exist, it is not shown.
void on_created(MainWindow& window)
{
    window.list_panel->hide();
    window.upload_panel->hide();
    platform::set_xp_theme(1);
    sign_in();
}

} // namespace

int run_program()
{
    const platform::ExitHook exit_routine(&release_module_texts);
    MainWindow window;
    on_created(window);
    window.show();
    const int status = QApplication::exec();
    net::stop_all_workers();
    return status;
}

int run_application(int argc, char* argv[])
{
    // The browser engine refuses to run as root with its sandbox on.
    if (geteuid() == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonivane"));
    QApplication::setApplicationVersion(QStringLiteral("4.1"));
    QGuiApplication::setDesktopFileName(QStringLiteral("sonivane"));
    // Standard dialogs speak Chinese like the rest of the program.
    QTranslator qt_chinese;
    if (qt_chinese.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qt_chinese);
    }
    return run_program();
}

} // namespace sonivane::ui
