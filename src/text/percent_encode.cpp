#include "text/percent_encode.h"

#include "platform/codepage.h"

#include <string>

namespace sonivane {

namespace {

bool is_escaped(unsigned char byte)
{
    return (byte >= 0x21 && byte <= 0x2F) || (byte >= 0x3A && byte <= 0x40) || (byte >= 0x5B && byte <= 0x60) ||
           (byte >= 0x7B && byte <= 0x7E) || byte == 0x09 || byte == 0x0A || byte == 0x0D;
}

void append_escape(std::string& out, unsigned char byte)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    out += '%';
    out += digits[byte >> 4];
    out += digits[byte & 0x0F];
}

} // namespace

std::string escape_url_unsafe_bytes(std::string_view address)
{
    std::string out;
    out.reserve(address.size());
    for (const char c : address) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || c == '#') {
            append_escape(out, byte);
        } else {
            out += c;
        }
    }
    return out;
}

Text percent_encode(const Text& text)
{
    std::string out;
    int position = 1;
    while (position <= text.size()) {
        const unsigned char byte = text.byte_at(position);
        if (character_code(text, position) > 0) {
            if (is_escaped(byte)) {
                append_escape(out, byte);
            } else {
                out += static_cast<char>(byte);
            }
            position += 1;
            continue;
        }
        // Each two-byte character is converted on its own, never together
        // with its neighbours, so a broken pair spoils only itself.
        const std::string utf8 = codepage::utf8_from_gbk(middle(text, position, 2).bytes());
        for (const char utf8_byte : utf8) {
            if (utf8_byte != '\0') {
                append_escape(out, static_cast<unsigned char>(utf8_byte));
            }
        }
        position += 2;
    }
    return Text(std::string_view(out));
}

} // namespace sonivane
