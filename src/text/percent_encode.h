#pragma once

#include "text/text.h"

namespace sonivane {

// Makes typed GBK text fit for a URL query: ASCII punctuation and tab, line
// feed and carriage return become "%XX" (upper-case hex); letters, digits,
// the blank and other control bytes stay; each two-byte character becomes
// the escapes of its UTF-8 bytes. A lone lead byte at the end is converted
// on its own and so comes out as the escaped replacement character U+FFFD.
// The result holds only bytes below 0x80. Pure; safe from any thread.
Text percent_encode(const Text& text);

} // namespace sonivane
