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

// Search panel.
inline const Text fill_in_both("\xC7\xEB\xCC\xEE\xD0\xB4\xB8\xE8\xC3\xFB\xD3\xEB\xB8\xE8\xCA\xD6"); // 请填写歌名与歌手
inline const Text warning_caption("\xBE\xAF\xB8\xE6");                                              // 警告
// 无结果,请检查歌名和歌手。
inline const Text no_result_message(
    "\xCE\xDE\xBD\xE1\xB9\xFB,\xC7\xEB\xBC\xEC\xB2\xE9\xB8\xE8\xC3\xFB\xBA\xCD\xB8\xE8\xCA\xD6\xA1\xA3");
// 无结果歌曲  / 可以从其他地方下载到本地 / 再上传至云端  现在是否上传？ on three lines.
inline const Text no_result_question(
    "\xCE\xDE\xBD\xE1\xB9\xFB\xB8\xE8\xC7\xFA  \r\n"
    "\xBF\xC9\xD2\xD4\xB4\xD3\xC6\xE4\xCB\xFB\xB5\xD8\xB7\xBD\xCF\xC2\xD4\xD8\xB5\xBD\xB1\xBE\xB5\xD8\r\n"
    "\xD4\xD9\xC9\xCF\xB4\xAB\xD6\xC1\xD4\xC6\xB6\xCB  "
    "\xCF\xD6\xD4\xDA\xCA\xC7\xB7\xF1\xC9\xCF\xB4\xAB\xA3\xBF");
inline const Text friendly_caption("\xCE\xC2\xDC\xB0\xCC\xE1\xCA\xBE"); // 温馨提示
inline const Text double_click_to_copy(
    "\xCB\xAB\xBB\xF7\xB8\xE8\xC7\xFA\xB5\xD8\xD6\xB7\xB8\xB4\xD6\xC6\xA3\xA1"); // 双击歌曲地址复制！
inline const Text
    link_copied("\xB8\xE8\xC7\xFA\xC1\xB4\xBD\xD3\xD2\xD4\xB1\xBB\xB8\xB4\xD6\xC6\xA3\xA1"); // 歌曲链接以被复制！

// Captions of the player's buttons.
inline const Text listen_caption("\xCA\xD4\xCC\xFD"); // 试听
inline const Text stop_caption("\xCD\xA3\xD6\xB9");   // 停止
inline const Text pause_caption("\xD4\xDD\xCD\xA3");  // 暂停
inline const Text play_caption("\xB2\xA5\xB7\xC5");   // 播放

} // namespace sonivane::ui_texts
