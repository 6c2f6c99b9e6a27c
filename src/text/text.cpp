#include "text/text.h"

#include <algorithm>
#include <charconv>

namespace sonivane {

namespace {

bool is_lead_byte(unsigned char byte)
{
    return byte >= 0x80;
}

unsigned char fold_ascii(unsigned char byte)
{
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

// Whether `sought` lies at the 1-based position `at` of `text`. Case folding
// applies only to bytes that stand as one-byte characters in `text`.
bool matches_at(const Text& text, const Text& sought, int at, bool ignore_case)
{
    if (at - 1 + sought.size() > text.size()) {
        return false;
    }
    bool next_is_trail = false;
    for (int i = 0; i < sought.size(); ++i) {
        const unsigned char have = text.byte_at(at + i);
        const unsigned char want = sought.byte_at(i + 1);
        const bool one_byte_char = !next_is_trail && !is_lead_byte(have);
        next_is_trail = !next_is_trail && is_lead_byte(have);
        if (have == want) {
            continue;
        }
        if (!(ignore_case && one_byte_char && fold_ascii(have) == fold_ascii(want))) {
            return false;
        }
    }
    return true;
}

} // namespace

int find(const Text& text, const Text& sought, int start, bool ignore_case)
{
    start = std::max(start, 1);
    if (text.empty()) {
        return -1;
    }
    if (sought.empty()) {
        return start == 1 ? 1 : -1;
    }
    int position = 1;
    while (position <= text.size()) {
        if (position >= start && matches_at(text, sought, position, ignore_case)) {
            return position;
        }
        position += is_lead_byte(text.byte_at(position)) ? 2 : 1;
    }
    return -1;
}

Text left(const Text& text, int n)
{
    if (n <= 0) {
        return {};
    }
    return Text(text.bytes().substr(0, static_cast<std::size_t>(n)));
}

Text right(const Text& text, int n)
{
    if (n <= 0) {
        return {};
    }
    const int count = std::min(n, text.size());
    return Text(text.bytes().substr(static_cast<std::size_t>(text.size() - count)));
}

Text middle(const Text& text, int start, int n)
{
    if (start < 1 || start > text.size() || n <= 0) {
        return {};
    }
    return Text(text.bytes().substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(n)));
}

int character_code(const Text& text, int position)
{
    if (position < 1 || position > text.size()) {
        return 0;
    }
    return static_cast<signed char>(text.byte_at(position));
}

Text decimal_text(std::int64_t value)
{
    char buffer[24];
    const auto result = std::to_chars(std::begin(buffer), std::end(buffer), value);
    return Text(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

} // namespace sonivane
