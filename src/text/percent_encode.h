#pragma once

#include "text/text.h"

#include <string>
#include <string_view>

namespace sonivane {

// Makes typed GBK text fit for a URL query: ASCII punctuation and tab, line
// feed and carriage return become "%XX" (upper-case hex); letters, digits,
// the blank and other control bytes stay; each two-byte character becomes
// the escapes of its UTF-8 bytes. A lone lead byte at the end is converted
// on its own and so comes out as the escaped replacement character U+FFFD.
// The result holds only bytes below 0x80. Pure; safe from any thread.
Text percent_encode(const Text& text);

// An address as it goes out on the wire: bytes that cannot stand in a URL as
// they are (controls, the blank, bytes from 0x7F up, and "#", which would end
// the request target) become "%XX"; everything else, "%" included, stays.
std::string escape_url_unsafe_bytes(std::string_view address);

} // namespace sonivane
