#include "ui/main_window.h"

#include "platform/message_box.h"
#include "search/preview_controls.h"
#include "search/search_panel.h"
#include "ui/ui_texts.h"

#include <QMouseEvent>
#include <QPainter>

// The pictures are compiled into this static library; nothing else refers
// to them, so they are registered by hand.
static void register_resources()
{
    Q_INIT_RESOURCE(sonivane);
}

namespace sonivane::ui {

namespace {

template <typename Control>
Control* place(Control* control, const char* form_name, int left, int top, int width, int height)
{
    control->setObjectName(QString::fromUtf8(form_name));
    control->setGeometry(left, top, width, height);
    return control;
}

QGroupBox* panel(QWidget* window, const char* form_name, int left, int top)
{
    auto* box = place(new QGroupBox(window), form_name, left, top, 776, 40);
    return box;
}

QLabel* label(QWidget* parent, const char* form_name, int left, int top, int width, int height)
{
    return place(new QLabel(parent), form_name, left, top, width, height);
}

QPushButton* button(QWidget* parent, const char* form_name, int left, int top, int width, int height,
                    const QString& caption)
{
    return place(new QPushButton(caption, parent), form_name, left, top, width, height);
}

EditBox* edit_box(QWidget* parent, const char* form_name, int left, int top, int width, int height, const QString& text)
{
    return place(new EditBox(text, parent), form_name, left, top, width, height);
}

} // namespace

MainWindow::MainWindow()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_background((register_resources(), QStringLiteral(":/sonivane/background.jpg")))
{
    setWindowTitle(QStringLiteral("Sonivane  4.1"));
    setWindowIcon(QIcon(QStringLiteral(":/sonivane/sonivane.png")));
    move(outer_left, outer_top);
    setFixedSize(outer_width, outer_height);

    // In the order the window holds them.
    about_button = button(this, "按钮9", 694, 2, 40, 28, QStringLiteral("关于"));
    upload_panel_button = button(this, "按钮5", 440, 1, 160, 28, QStringLiteral("歌曲上传"));
    search_panel_button = button(this, "按钮3", 80, 1, 160, 28, QStringLiteral("歌曲查询"));
    list_panel_button = button(this, "按钮2", 260, 1, 160, 28, QStringLiteral("克隆下载"));
    media_player = new platform::MediaPlayer(this);
    media_player->setObjectName(QStringLiteral("媒体播放1"));
    browser_view = place(new BrowserView(this), "超文本浏览框1", -1, 72, 776, 552);
    browser_view->setFocusPolicy(Qt::StrongFocus);
    browser_view->hide();

    search_panel = panel(this, "分组框1", 0, 30);
    preview_button = button(search_panel, "按钮10", 712, 9, 32, 32, QStringLiteral("试听"));
    preview_button->hide();
    status_label = label(search_panel, "标签1", 592, 16, 112, 16);
    status_label->setStyleSheet(QStringLiteral("color: red;"));
    unseen_label = label(search_panel, "透明标签4", 103, 160, 224, 16);
    unseen_label->setAttribute(Qt::WA_TranslucentBackground);
    result_box = edit_box(search_panel, "编辑框3", 312, 10, 280, 24, QString());
    result_box->hide();
    search_button = button(search_panel, "按钮1", 208, 9, 104, 24, QStringLiteral("查询"));
    search_button->hide();
    search_button->setEnabled(false);
    singer_box = edit_box(search_panel, "编辑框5", 104, 9, 104, 24, QStringLiteral("     歌手"));
    song_name_box = edit_box(search_panel, "编辑框4", 0, 8, 104, 24, QStringLiteral("    歌名"));

    list_panel = panel(this, "分组框2", 1, 29);
    list_panel->hide();
    pause_button = button(list_panel, "按钮11", 712, 8, 32, 32, QStringLiteral("暂停"));
    pause_button->hide();
    clone_button = button(list_panel, "按钮7", 199, 9, 70, 26, QStringLiteral("克隆至空间"));
    clone_button->hide();
    download_button = button(list_panel, "按钮8", 270, 9, 70, 26, QStringLiteral("下载该歌曲"));
    download_button->hide();
    lookup_button = button(list_panel, "按钮4", 130, 9, 70, 26, QStringLiteral("查询"));
    qq_box = edit_box(list_panel, "编辑框6", 1, 7, 128, 26, QStringLiteral("输入绿钻QQ试试！"));
    picked_link_label = label(list_panel, "标签3", 344, 17, 360, 16);

    upload_panel = panel(this, "分组框3", 0, 30);
    upload_panel->hide();
    upload_preview_button = button(upload_panel, "按钮6", 652, 8, 60, 29, QStringLiteral("试听"));
    upload_preview_button->hide();
    upload_status_label = label(upload_panel, "标签2", 498, 16, 144, 16);
    link_box = edit_box(upload_panel, "编辑框7", 99, 8, 397, 24, QString());
    link_box->hide();
    upload_button = button(upload_panel, "超级按钮1", 2, 11, 96, 24, QStringLiteral("上传歌曲"));

    // Tab walks the focusable controls in the order the window holds them.
    const QList<QWidget*> tab_order{about_button,
                                    upload_panel_button,
                                    search_panel_button,
                                    list_panel_button,
                                    browser_view,
                                    preview_button,
                                    result_box,
                                    search_button,
                                    singer_box,
                                    song_name_box,
                                    pause_button,
                                    clone_button,
                                    download_button,
                                    lookup_button,
                                    qq_box,
                                    upload_preview_button,
                                    link_box,
                                    upload_button};
    for (qsizetype i = 1; i < tab_order.size(); ++i) {
        setTabOrder(tab_order[i - 1], tab_order[i]);
    }

    connect(search_panel_button, &QPushButton::clicked, this, &MainWindow::switch_to_search_panel);
    connect(list_panel_button, &QPushButton::clicked, this, &MainWindow::switch_to_list_panel);
    connect(upload_panel_button, &QPushButton::clicked, this, &MainWindow::switch_to_upload_panel);
    connect(about_button, &QPushButton::clicked, this, &MainWindow::show_about_box);

    // A press in an input box empties it; losing the focus empty puts its
    // placeholder back.
    const std::pair<EditBox*, const Text*> inputs[] = {{song_name_box, &ui_texts::song_name_placeholder},
                                                       {singer_box, &ui_texts::singer_placeholder},
                                                       {qq_box, &ui_texts::qq_placeholder}};
    for (const auto& [box, placeholder] : inputs) {
        connect(box, &EditBox::left_pressed, this, [box = box] { set_text(*box, Text()); });
        connect(box, &EditBox::focus_lost, this, [box = box, placeholder = placeholder] {
            if (text_of(*box).empty()) {
                set_text(*box, *placeholder);
            }
        });
    }
    connect(song_name_box, &QLineEdit::textChanged, this, &MainWindow::on_song_name_changed);
    connect(singer_box, &QLineEdit::textChanged, this, &MainWindow::on_singer_changed);

    search::connect_search_panel(*this);
    search::connect_preview_controls(*this);
}

MainWindow::~MainWindow()
{
    // Closing takes the focus from the boxes; no handler may run on a window
    // that is being torn down.
    for (EditBox* box : findChildren<EditBox*>()) {
        box->disconnect(this);
    }
}

void MainWindow::switch_to_search_panel()
{
    search_panel->show();
    list_panel->hide();
    upload_panel->hide();
    browser_view->hide();
}

void MainWindow::switch_to_list_panel()
{
    list_panel->show();
    search_panel->hide();
    upload_panel->hide();
    browser_view->set_address(Text());
}

void MainWindow::switch_to_upload_panel()
{
    upload_panel->show();
    list_panel->hide();
    search_panel->hide();
    browser_view->hide();
}

void MainWindow::restore_placeholders()
{
    if (text_of(*qq_box).empty()) {
        set_text(*qq_box, ui_texts::qq_placeholder);
    }
    // Both are written back even when only one was empty.
    if (text_of(*song_name_box).empty() || text_of(*singer_box).empty()) {
        set_text(*song_name_box, ui_texts::song_name_placeholder);
        set_text(*singer_box, ui_texts::singer_placeholder);
    }
}

void MainWindow::on_song_name_changed()
{
    search_button->show();
}

void MainWindow::on_singer_changed()
{
    if (text_of(*song_name_box) != ui_texts::song_name_placeholder &&
        text_of(*singer_box) != ui_texts::singer_placeholder) {
        search_button->setEnabled(true);
    }
}

void MainWindow::show_about_box()
{
    platform::message_box(ui_texts::about_text, ui_texts::about_caption);
}

void MainWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), m_background);
}

void MainWindow::mousePressEvent(QMouseEvent* event)
{
    // Only a press on the window's own background counts.
    if (event->button() == Qt::LeftButton && childAt(event->position().toPoint()) == nullptr) {
        restore_placeholders();
    }
    QWidget::mousePressEvent(event);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The outer size includes the frame, which is known once the window is
    // on the screen.
    if (!m_outer_size_fitted) {
        m_outer_size_fitted = true;
        const QSize frame = frameGeometry().size() - geometry().size();
        setFixedSize(outer_width - frame.width(), outer_height - frame.height());
    }
}

} // namespace sonivane::ui
