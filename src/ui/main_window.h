#pragma once

#include "platform/media_player.h"
#include "ui/controls.h"

#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace sonivane::ui {

// The single window: three panels switched by the buttons above them, the
// browser view below, and the about button. Each control's objectName is
// its form name (按钮1, 编辑框3, ...); the members carry their roles.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    MainWindow();
    ~MainWindow() override;

    // Outer size, frame included, and place of the window.
    static constexpr int outer_left = 50;
    static constexpr int outer_top = 50;
    static constexpr int outer_width = 753;
    static constexpr int outer_height = 630;

    QPushButton* about_button;           // 按钮9
    QPushButton* upload_panel_button;    // 按钮5
    QPushButton* search_panel_button;    // 按钮3
    QPushButton* list_panel_button;      // 按钮2
    platform::MediaPlayer* media_player; // 媒体播放1
    BrowserView* browser_view;           // 超文本浏览框1

    QGroupBox* search_panel;     // 分组框1
    QPushButton* preview_button; // 按钮10
    QLabel* status_label;        // 标签1
    QLabel* unseen_label;        // 透明标签4
    EditBox* result_box;         // 编辑框3
    QPushButton* search_button;  // 按钮1
    EditBox* singer_box;         // 编辑框5
    EditBox* song_name_box;      // 编辑框4

    QGroupBox* list_panel;        // 分组框2
    QPushButton* pause_button;    // 按钮11
    QPushButton* clone_button;    // 按钮7
    QPushButton* download_button; // 按钮8
    QPushButton* lookup_button;   // 按钮4
    EditBox* qq_box;              // 编辑框6
    QLabel* picked_link_label;    // 标签3

    QGroupBox* upload_panel;            // 分组框3
    QPushButton* upload_preview_button; // 按钮6
    QLabel* upload_status_label;        // 标签2
    EditBox* link_box;                  // 编辑框7
    QPushButton* upload_button;         // 超级按钮1

    void switch_to_search_panel();
    void switch_to_list_panel();
    void switch_to_upload_panel();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void restore_placeholders();
    void on_song_name_changed();
    void on_singer_changed();
    void show_about_box();

    QImage m_background;
    bool m_outer_size_fitted = false;
};

} // namespace sonivane::ui
