#pragma once

#include "text/text.h"

namespace sonivane {

// The two failure results, in GBK. They travel as ordinary data: a caller
// that ignores the found flag carries them on as if they were values.
inline const Text left_marker_missing{"\xCE\xB4\xD5\xD2\xB5\xBD\xD7\xF3\xB1\xDF\xC4\xDA\xC8\xDD"}; // 未找到左边内容
inline const Text right_marker_missing{"\xCE\xB4\xD5\xD2\xB5\xBD\xD3\xD2\xB1\xDF\xC4\xDA\xC8\xDD"}; // 未找到右边内容

// The text between the first occurrence of `left_marker` and the first
// occurrence of `right_marker`, both searched from the start of `source`,
// case-sensitive, at character starts only. When the right marker comes
// first the result is empty (and still found). `found` is always written.
Text text_between(const Text& source, const Text& left_marker, const Text& right_marker, bool& found);

} // namespace sonivane
