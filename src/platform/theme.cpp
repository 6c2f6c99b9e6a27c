#include "platform/theme.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace sonivane::platform {

namespace {

struct Scheme {
    const char* face;      // dialog and button face
    const char* border;    // button border
    const char* hot;       // border of the button under the mouse
    const char* edit;      // edit box border
    const char* highlight; // selection
};

// The three colour schemes of the classic desktop theme.
constexpr Scheme schemes[] = {
    {"#ECE9D8", "#003C74", "#F8B330", "#7F9DB9", "#316AC5"}, // blue
    {"#ECE9D8", "#37622F", "#E5A64B", "#A4B97F", "#93A070"}, // olive green
    {"#E0DFE3", "#565676", "#F4C162", "#A5ACB5", "#B2B4BF"}, // silver
};

QString style_sheet(const Scheme& scheme)
{
    return QStringLiteral("QPushButton {"
                          "  color: black; border: 1px solid %2; border-radius: 3px; padding: 0 2px;"
                          "  background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                          "    stop:0 #FFFFFF, stop:0.85 #F0F0EA, stop:1 #D6D0C5); }"
                          "QPushButton:hover { border: 1px solid %3; }"
                          "QPushButton:pressed { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                          "    stop:0 #E3E3DB, stop:1 #F4F4F0); }"
                          "QPushButton:focus { border: 1px solid %5; }"
                          "QPushButton:disabled { color: #ACA899; border: 1px solid #C9C7BA; background: #F5F4EA; }"
                          "QLineEdit { border: 1px solid %4; background: white; color: black;"
                          "  selection-background-color: %5; padding: 0 1px; }"
                          "QLineEdit:disabled { background: %1; color: #ACA899; }"
                          "QGroupBox { border: 1px solid #D0D0BF; border-radius: 4px; margin: 0; }"
                          "QMessageBox, QDialog { background: %1; }"
                          "QMessageBox QPushButton { min-width: 70px; min-height: 22px; }")
        .arg(QLatin1String(scheme.face), QLatin1String(scheme.border), QLatin1String(scheme.hot),
             QLatin1String(scheme.edit), QLatin1String(scheme.highlight));
}

struct Original {
    QString style;
    QPalette palette;
};

} // namespace

void set_xp_theme(int scheme)
{
    static const Original original{QApplication::style()->name(), QApplication::palette()};
    if (scheme < 1 || scheme > 3) {
        qApp->setStyleSheet(QString());
        QApplication::setStyle(QStyleFactory::create(original.style));
        QApplication::setPalette(original.palette);
        return;
    }
    const Scheme& colours = schemes[scheme - 1];
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette = QApplication::style()->standardPalette();
    palette.setColor(QPalette::Window, QColor(QLatin1String(colours.face)));
    palette.setColor(QPalette::Button, QColor(QLatin1String(colours.face)));
    palette.setColor(QPalette::Highlight, QColor(QLatin1String(colours.highlight)));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    QApplication::setPalette(palette);
    qApp->setStyleSheet(style_sheet(colours));
}

} // namespace sonivane::platform
