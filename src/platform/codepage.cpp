#include "platform/codepage.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <memory>
#include <stdexcept>

namespace sonivane::codepage {

namespace {

struct ConverterClose {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterClose>;

// ICU converters keep state, so each thread keeps its own.
UConverter& gbk_converter()
{
    thread_local const Converter converter = [] {
        UErrorCode status = U_ZERO_ERROR;
        Converter opened(ucnv_open("GBK", &status));
        if (U_FAILURE(status)) {
            throw std::runtime_error("ICU has no GBK converter");
        }
        ucnv_setSubstChars(opened.get(), "?", 1, &status);
        return opened;
    }();
    return *converter;
}

} // namespace

std::u16string utf16_from_gbk(std::string_view gbk)
{
    if (gbk.empty()) {
        return {};
    }
    UConverter& converter = gbk_converter();
    ucnv_reset(&converter);
    // GBK never yields more UTF-16 units than it has bytes.
    std::u16string result(gbk.size() + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(&converter, result.data(), static_cast<int32_t>(result.size()), gbk.data(),
                                         static_cast<int32_t>(gbk.size()), &status);
    if (U_FAILURE(status)) {
        return {};
    }
    result.resize(static_cast<std::size_t>(length));
    return result;
}

Text gbk_from_utf16(std::u16string_view utf16)
{
    if (utf16.empty()) {
        return {};
    }
    UConverter& converter = gbk_converter();
    ucnv_reset(&converter);
    std::string result(utf16.size() * 4 + 1, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_fromUChars(&converter, result.data(), static_cast<int32_t>(result.size()), utf16.data(),
                                           static_cast<int32_t>(utf16.size()), &status);
    if (U_FAILURE(status)) {
        return {};
    }
    result.resize(static_cast<std::size_t>(length));
    return Text(std::string_view(result));
}

std::string utf8_from_utf16(std::u16string_view utf16)
{
    if (utf16.empty()) {
        return {};
    }
    std::string result(utf16.size() * 3 + 1, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(result.data(), static_cast<int32_t>(result.size()), &length, utf16.data(),
                       static_cast<int32_t>(utf16.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) {
        return {};
    }
    result.resize(static_cast<std::size_t>(length));
    return result;
}

std::u16string utf16_from_utf8(std::string_view utf8)
{
    if (utf8.empty()) {
        return {};
    }
    std::u16string result(utf8.size() + 1, u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(result.data(), static_cast<int32_t>(result.size()), &length, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) {
        return {};
    }
    result.resize(static_cast<std::size_t>(length));
    return result;
}

std::string utf8_from_gbk(std::string_view gbk)
{
    return utf8_from_utf16(utf16_from_gbk(gbk));
}

Text gbk_from_utf8(std::string_view utf8)
{
    return gbk_from_utf16(utf16_from_utf8(utf8));
}

QString qstring_from_text(const Text& text)
{
    const std::u16string utf16 = utf16_from_gbk(text.bytes());
    return QString(reinterpret_cast<const QChar*>(utf16.data()), static_cast<qsizetype>(utf16.size()));
}

Text text_from_qstring(const QString& string)
{
    return gbk_from_utf16(std::u16string_view(reinterpret_cast<const char16_t*>(string.utf16()),
                                              static_cast<std::size_t>(string.size())));
}

} // namespace sonivane::codepage
