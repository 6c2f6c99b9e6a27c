#include "search/search_panel.h"

#include "platform/clipboard.h"
#include "platform/message_box.h"
#include "search/song_link_search.h"
#include "ui/main_window.h"
#include "ui/ui_texts.h"

namespace sonivane::search {

namespace {

void on_search_clicked(ui::MainWindow& w)
{
    if (ui::text_of(*w.song_name_box) == ui_texts::song_name_placeholder ||
        ui::text_of(*w.singer_box) == ui_texts::singer_placeholder) {
        platform::message_box(ui_texts::fill_in_both, ui_texts::warning_caption);
        return;
    }
    w.browser_view->hide();
    const Text link = song_link_search(ui::text_of(*w.song_name_box), ui::text_of(*w.singer_box));
    // Runs the result box's text-changed handling before going on.
    ui::set_text(*w.result_box, link);
    w.result_box->show();
    w.preview_button->show();
}

// Runs on every change of the result box, nested inside the write that
// caused it.
void on_result_changed(ui::MainWindow& w)
{
    if (is_no_result_link(ui::text_of(*w.result_box))) {
        ui::set_text(*w.result_box, ui_texts::no_result_message);
        if (platform::message_box(ui_texts::no_result_question, ui_texts::friendly_caption,
                                  platform::MessageButtons::yes_no) == platform::result_yes) {
            w.switch_to_upload_panel();
        }
        return;
    }
    ui::set_text(*w.status_label, ui_texts::double_click_to_copy);
    w.result_box->show();
}

void on_result_double_clicked(ui::MainWindow& w)
{
    const Text link = ui::text_of(*w.result_box);
    if (link.empty()) {
        return;
    }
    platform::set_clipboard_text(link);
    ui::set_text(*w.status_label, ui_texts::link_copied);
}

} // namespace

void connect_search_panel(ui::MainWindow& window)
{
    ui::MainWindow* w = &window;
    QObject::connect(w->search_button, &QPushButton::clicked, w, [w] { on_search_clicked(*w); });
    QObject::connect(w->result_box, &QLineEdit::textChanged, w, [w] { on_result_changed(*w); });
    QObject::connect(w->result_box, &ui::EditBox::double_clicked, w, [w] { on_result_double_clicked(*w); });
}

} // namespace sonivane::search
