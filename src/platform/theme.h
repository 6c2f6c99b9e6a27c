#pragma once

// The look laid over every standard control of the program, windows made
// later included: 1 blue, 2 olive green, 3 silver; any other scheme
// switches it off. Needs the QApplication.
namespace sonivane::platform {

void set_xp_theme(int scheme);

} // namespace sonivane::platform
