#pragma once

#include "text/text.h"

namespace sonivane::platform {

// Puts `text` on the clipboard as plain text. Failures are not reported.
void set_clipboard_text(const Text& text);

} // namespace sonivane::platform
