#pragma once

namespace sonivane::ui {

// Runs the program from start-up to its end and returns the exit status.
int run_application(int argc, char* argv[]);

// Everything after the toolkit is up: registers the exit routine, creates
// the window hidden, runs its created handler (panels, theme, sign-in),
// shows it, and runs the event loop until it is closed. The exit routine
// runs once, after the loop.
int run_program();

} // namespace sonivane::ui
