#pragma once

namespace sonivane::ui {

// Runs the program from start-up to its end and returns the exit status.
int run_application(int argc, char* argv[]);

} // namespace sonivane::ui
