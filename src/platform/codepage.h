#pragma once

#include "text/text.h"

#include <QString>

#include <string>
#include <string_view>

// Conversions between the program's GBK texts and Unicode, done only at the
// edges (controls, clipboard, file names, service replies in other
// encodings). Bytes that are not valid in the source encoding become
// U+FFFD; a character that GBK cannot hold becomes "?". Safe from any thread.
namespace sonivane::codepage {

std::u16string utf16_from_gbk(std::string_view gbk);
Text gbk_from_utf16(std::u16string_view utf16);

std::string utf8_from_gbk(std::string_view gbk);
Text gbk_from_utf8(std::string_view utf8);

std::string utf8_from_utf16(std::u16string_view utf16);
std::u16string utf16_from_utf8(std::string_view utf8);

// Big5 (code page 950) bytes as GBK text.
Text gbk_from_big5(std::string_view big5);

// The GBK text with traditional Chinese characters mapped to simplified ones.
Text simplified_chinese(const Text& gbk);

QString qstring_from_text(const Text& text);
Text text_from_qstring(const QString& string);

} // namespace sonivane::codepage
