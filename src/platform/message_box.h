#pragma once

#include "text/text.h"

// Message boxes: modal for the whole program, owned by no window.
namespace sonivane::platform {

enum class MessageButtons { ok, yes_no };

// The buttons' results.
inline constexpr int result_ok = 0;
inline constexpr int result_yes = 5;
inline constexpr int result_no = 6;

// The caption used when none is given: "信息：".
extern const Text default_message_caption;

// Shows `text` (lines may end in "\r\n") and returns the pressed button's
// result; closing the box counts as OK, or as No for a Yes/No box.
int message_box(const Text& text, const Text& caption = default_message_caption,
                MessageButtons buttons = MessageButtons::ok);

} // namespace sonivane::platform
