#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sonivane {

// A counted byte array that may hold NUL bytes (reply bodies, file contents).
using Bytes = std::string;

// A byte string in the local code page (GBK). It never holds a NUL byte:
// building one from bytes keeps the bytes up to, not including, the first
// NUL, which is the program's rule for turning bytes into text. Positions
// are byte positions counted from 1; a byte of 0x80 or above begins a
// two-byte character.
class Text {
public:
    Text() = default;
    // Literals in source are ASCII or written as GBK escapes.
    Text(const char* bytes) : Text(std::string_view(bytes)) {}
    explicit Text(std::string_view bytes) : m_bytes(bytes.substr(0, bytes.find('\0'))) {}

    std::string_view bytes() const { return m_bytes; }
    const char* c_str() const { return m_bytes.c_str(); }
    int size() const { return static_cast<int>(m_bytes.size()); }
    bool empty() const { return m_bytes.empty(); }

    // The unsigned value of the byte at a 1-based position; the caller
    // keeps the position inside the text.
    unsigned char byte_at(int position) const
    {
        return static_cast<unsigned char>(m_bytes[static_cast<std::size_t>(position - 1)]);
    }

    Text& operator+=(const Text& other)
    {
        m_bytes += other.m_bytes;
        return *this;
    }
    friend Text operator+(Text left, const Text& right) { return left += right; }
    friend bool operator==(const Text&, const Text&) = default;

private:
    std::string m_bytes;
};

// Bytes to text: everything before the first NUL.
inline Text text_from_bytes(const Bytes& bytes)
{
    return Text(std::string_view(bytes));
}

inline Bytes bytes_from_text(const Text& text)
{
    return Bytes(text.bytes());
}

// Position of the first occurrence of `sought` that begins at or after
// `start` (below 1 counts as 1), or -1. Only character starts are
// candidates, so a match never begins inside a two-byte character. With
// `ignore_case`, ASCII letters of one-byte characters compare without case;
// two-byte characters always compare exactly. An empty `sought` is found at
// position 1 of a non-empty text and nowhere in an empty one.
int find(const Text& text, const Text& sought, int start = 1, bool ignore_case = false);

// The first / last min(n, size) bytes; empty for n <= 0. These count bytes
// and may cut a two-byte character apart.
Text left(const Text& text, int n);
Text right(const Text& text, int n);

// At most n bytes from `start`; empty when start is below 1 or past the last
// byte, or n <= 0. May cut a two-byte character apart.
Text middle(const Text& text, int start, int n);

// The byte at `position` read as a signed value (0x80..0xFF give -128..-1);
// 0 outside the text.
int character_code(const Text& text, int position);

// Decimal form: no leading zeros, a minus sign for negative values.
Text decimal_text(std::int64_t value);

} // namespace sonivane
