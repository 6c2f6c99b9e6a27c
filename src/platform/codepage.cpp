#include "platform/codepage.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utrans.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace sonivane::codepage {

namespace {

struct ConverterClose {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterClose>;

Converter open_converter(const char* name)
{
    UErrorCode status = U_ZERO_ERROR;
    Converter opened(ucnv_open(name, &status));
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("ICU has no converter for ") + name);
    }
    return opened;
}

// ICU converters keep state, so each thread keeps its own.
UConverter& gbk_converter()
{
    thread_local const Converter converter = [] {
        Converter opened = open_converter("GBK");
        UErrorCode status = U_ZERO_ERROR;
        ucnv_setSubstChars(opened.get(), "?", 1, &status);
        return opened;
    }();
    return *converter;
}

struct TransliteratorClose {
    void operator()(UTransliterator* transliterator) const { utrans_close(transliterator); }
};
using Transliterator = std::unique_ptr<UTransliterator, TransliteratorClose>;

std::u16string utf16_from(UConverter& converter, std::string_view bytes)
{
    if (bytes.empty()) {
        return {};
    }
    ucnv_reset(&converter);
    // These encodings never yield more UTF-16 units than they have bytes.
    std::u16string result(bytes.size() + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(&converter, result.data(), static_cast<int32_t>(result.size()), bytes.data(),
                                         static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) {
        return {};
    }
    result.resize(static_cast<std::size_t>(length));
    return result;
}

} // namespace

std::u16string utf16_from_gbk(std::string_view gbk)
{
    return utf16_from(gbk_converter(), gbk);
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

Text gbk_from_big5(std::string_view big5)
{
    thread_local const Converter converter = open_converter("windows-950");
    return gbk_from_utf16(utf16_from(*converter, big5));
}

Text simplified_chinese(const Text& gbk)
{
    thread_local const Transliterator transliterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        Transliterator opened(
            utrans_openU(u"Traditional-Simplified", -1, UTRANS_FORWARD, nullptr, 0, nullptr, &status));
        if (U_FAILURE(status)) {
            throw std::runtime_error("ICU has no Traditional-Simplified transliterator");
        }
        return opened;
    }();
    std::u16string text = utf16_from_gbk(gbk.bytes());
    if (text.empty()) {
        return gbk;
    }
    int32_t length = static_cast<int32_t>(text.size());
    int32_t limit = length;
    std::u16string buffer = text;
    buffer.resize(text.size() * 2 + 16);
    UErrorCode status = U_ZERO_ERROR;
    utrans_transUChars(transliterator.get(), buffer.data(), &length, static_cast<int32_t>(buffer.size()), 0, &limit,
                       &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        buffer = text;
        buffer.resize(static_cast<std::size_t>(length) + 1);
        length = static_cast<int32_t>(text.size());
        limit = length;
        status = U_ZERO_ERROR;
        utrans_transUChars(transliterator.get(), buffer.data(), &length, static_cast<int32_t>(buffer.size()), 0, &limit,
                           &status);
    }
    if (U_FAILURE(status)) {
        return gbk;
    }
    buffer.resize(static_cast<std::size_t>(length));
    return gbk_from_utf16(buffer);
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
