#pragma once

#include "platform/codepage.h"
#include "text/text.h"

#include <QByteArray>
#include <QMetaType>

namespace sonivane::test {

// GBK bytes of UTF-8 source text, so tables can be written in Chinese.
inline QByteArray gbk(const char* utf8)
{
    const Text text = codepage::gbk_from_utf8(utf8);
    return QByteArray(text.c_str(), text.size());
}

inline Text text(const QByteArray& bytes)
{
    return Text(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

inline QByteArray bytes(const Text& text)
{
    return QByteArray(text.c_str(), text.size());
}

} // namespace sonivane::test
