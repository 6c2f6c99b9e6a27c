// Renders the main window as the user first sees it, themed, to a PNG:
//   render_window OUTPUT.png
#include "platform/theme.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_window OUTPUT.png\n");
        return 2;
    }
    sonivane::ui::MainWindow window;
    sonivane::platform::set_xp_theme(1);
    window.show();
    bool saved = false;
    QTimer::singleShot(300, [&] {
        saved = window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG");
        QApplication::quit();
    });
    QApplication::exec();
    return saved ? 0 : 1;
}
