#include "search/preview_controls.h"

#include "platform/media_player.h"
#include "ui/main_window.h"
#include "ui/ui_texts.h"

namespace sonivane::search {

namespace {

// 试听 opens the box's link and plays it; 停止 stops.
void toggle_preview(platform::MediaPlayer& player, QPushButton& button, const QLineEdit& link_box)
{
    if (ui::caption_of(button) == ui_texts::listen_caption) {
        player.open(ui::text_of(link_box));
        player.play(-1);
        ui::set_caption(button, ui_texts::stop_caption);
    } else {
        player.stop();
        ui::set_caption(button, ui_texts::listen_caption);
    }
}

// 暂停 pauses; 播放 plays on from where it was.
void toggle_pause(platform::MediaPlayer& player, QPushButton& button)
{
    if (ui::caption_of(button) == ui_texts::pause_caption) {
        player.pause();
        ui::set_caption(button, ui_texts::play_caption);
    } else {
        player.play(-1);
        ui::set_caption(button, ui_texts::pause_caption);
    }
}

} // namespace

void connect_preview_controls(ui::MainWindow& window)
{
    ui::MainWindow* w = &window;
    QObject::connect(w->preview_button, &QPushButton::clicked, w,
                     [w] { toggle_preview(*w->media_player, *w->preview_button, *w->result_box); });
    QObject::connect(w->upload_preview_button, &QPushButton::clicked, w,
                     [w] { toggle_preview(*w->media_player, *w->upload_preview_button, *w->link_box); });
    QObject::connect(w->pause_button, &QPushButton::clicked, w,
                     [w] { toggle_pause(*w->media_player, *w->pause_button); });
}

} // namespace sonivane::search
