#pragma once

namespace sonivane::ui {
class MainWindow;
}

namespace sonivane::search {

// The search panel's handlers: the search button runs the song link
// search and shows the link in the result box; the result box tells a found
// link from a failed search (and offers the upload panel after one); a
// double-click on it copies the link.
void connect_search_panel(ui::MainWindow& window);

} // namespace sonivane::search
