#pragma once

namespace sonivane::ui {
class MainWindow;
}

namespace sonivane::search {

// The three buttons that drive the one player: 按钮10 plays the search
// result, 按钮6 the uploaded link, 按钮11 pauses and resumes. Each decides
// from its own caption only.
void connect_preview_controls(ui::MainWindow& window);

} // namespace sonivane::search
