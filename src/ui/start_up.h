#pragma once

#include "text/text.h"

// The window-free steps of start-up and shut-down.
namespace sonivane::ui {

// "username=" + e-mail + "&password=" + password + "&remember=true".
Bytes sign_in_body();

// Signs in to the storage portal so that its cookies are in the process
// store for the upload's file check. Whatever happens is ignored.
void sign_in();

// The exit routine: releases every module-level text the features keep.
void release_module_texts();

} // namespace sonivane::ui
