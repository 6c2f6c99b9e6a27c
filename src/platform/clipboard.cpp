#include "platform/clipboard.h"

#include "platform/codepage.h"

#include <QClipboard>
#include <QGuiApplication>

namespace sonivane::platform {

void set_clipboard_text(const Text& text)
{
    QGuiApplication::clipboard()->setText(codepage::qstring_from_text(text));
}

} // namespace sonivane::platform
