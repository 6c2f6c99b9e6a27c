#pragma once

#include "text/text.h"

// Texts that the window's features compare or show, in GBK.
namespace sonivane::ui_texts {

inline const Text song_name_placeholder("\xB8\xE8\xC3\xFB");                                    // 歌名
inline const Text singer_placeholder("\xB8\xE8\xCA\xD6");                                       // 歌手
inline const Text qq_placeholder("\xCA\xE4\xC8\xEB\xC2\xCC\xD7\xEAQQ\xCA\xD4\xCA\xD4\xA3\xA1"); // 输入绿钻QQ试试！

inline const Text about_caption("\xB9\xD8\xD3\xDA"); // 关于
// 对于此软件有任何疑问 / 联系QQ:4827150 / 2014-04-20 / V4.1, on four lines.
inline const Text about_text("\xB6\xD4\xD3\xDA\xB4\xCB\xC8\xED\xBC\xFE\xD3\xD0\xC8\xCE\xBA\xCE\xD2\xC9\xCE\xCA\r\n"
                             "   \xC1\xAA\xCF\xB5QQ:4827150\r\n"
                             "          2014-04-20 \r\n"
                             "                V4.1");

} // namespace sonivane::ui_texts
