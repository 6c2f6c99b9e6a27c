#include "net/request_rules.h"

#include "platform/internet_client.h"

#include <climits>

namespace sonivane::net {

namespace {

const Text crlf("\r\n");

Text lower_ascii(const Text& text)
{
    std::string out(text.bytes());
    bool trail = false;
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (!trail && byte >= 'A' && byte <= 'Z') {
            c = static_cast<char>(byte - 'A' + 'a');
        }
        trail = !trail && byte >= 0x80;
    }
    return Text(std::string_view(out));
}

bool contains_ignoring_case(const Text& text, const Text& word)
{
    return find(text, word, 1, true) != -1;
}

Text replace_all(const Text& text, const Text& from, const Text& to)
{
    if (from.empty()) {
        return text;
    }
    Text out;
    int position = 1;
    for (int at = find(text, from, position); at != -1; at = find(text, from, position)) {
        out += middle(text, position, at - position) + to;
        position = at + from.size();
    }
    return out + middle(text, position, text.size());
}

Text after(const Text& text, int position)
{
    return middle(text, position, text.size());
}

// The leading decimal number of `text`, a fraction dropped; 0 when it does
// not start with a digit.
int leading_number(const Text& text)
{
    long long value = 0;
    for (int i = 1; i <= text.size(); ++i) {
        const unsigned char byte = text.byte_at(i);
        if (byte < '0' || byte > '9') {
            break;
        }
        value = value * 10 + (byte - '0');
        if (value > INT_MAX) {
            return INT_MAX;
        }
    }
    return static_cast<int>(value);
}

// The port written in the authority that follows a scheme prefix of
// `prefix_length` bytes, or -1 when the authority names none.
int authority_port(const Text& url, int prefix_length)
{
    const int slash = find(url, "/", prefix_length + 1);
    const Text authority =
        slash == -1 ? after(url, prefix_length + 1) : middle(url, prefix_length + 1, slash - prefix_length - 1);
    const int colon = find(authority, ":");
    return colon == -1 ? -1 : leading_number(after(authority, colon + 1));
}

} // namespace

Text trim_blanks(const Text& text)
{
    int first = 1;
    int last = text.size();
    while (first <= last && text.byte_at(first) == ' ') {
        ++first;
    }
    while (last >= first && text.byte_at(last) == ' ') {
        --last;
    }
    return middle(text, first, last - first + 1);
}

bool is_secure_request(const Text& url)
{
    return find(lower_ascii(url), "https://") != -1;
}

Text url_host(const Text& url)
{
    Text host = replace_all(replace_all(url, "https://", ""), "http://", "");
    if (const int slash = find(host, "/"); slash != -1) {
        host = left(host, slash - 1);
    }
    if (const int colon = find(host, ":"); colon != -1) {
        host = left(host, colon - 1);
    }
    return lower_ascii(host);
}

Text url_path(const Text& url)
{
    const int host_at = find(url, url_host(url), 1, true);
    const int slash = find(url, "/", host_at);
    return slash == -1 ? Text("/") : after(url, slash);
}

int url_port(const Text& url)
{
    const int port = authority_port(url, 7);
    return port == -1 ? 80 : port;
}

int request_port(const Text& url, bool secure)
{
    if (!secure) {
        return url_port(url);
    }
    if (lower_ascii(left(url, 8)) == Text("https://")) {
        if (const int port = authority_port(url, 8); port > 0) {
            return port;
        }
    }
    return 443;
}

Text text_before(const Text& text, const Text& marker, int start, bool ignore_case)
{
    const int at = find(text, marker, start <= 0 ? 1 : start, ignore_case);
    return at == -1 ? Text() : middle(text, 1, at - 1);
}

Text text_between_quoted(const Text& text, const Text& left, const Text& right, int start, bool case_sensitive)
{
    // "#引号" is the marker texts' way of writing a double quote.
    static const Text quote_word("#\xD2\xFD\xBA\xC5");
    const Text left_marker = replace_all(left, quote_word, "\"");
    const Text right_marker = replace_all(right, quote_word, "\"");
    const int left_at = find(text, left_marker, start <= 0 ? 1 : start, !case_sensitive);
    if (left_at == -1) {
        return {};
    }
    const Text rest = after(text, left_at + left_marker.size());
    const int right_at = find(rest, right_marker, start <= 0 ? 1 : start, !case_sensitive);
    return right_at == -1 ? Text() : sonivane::left(rest, right_at - 1);
}

Text user_agent_for(const Text& header_text)
{
    if (contains_ignoring_case(header_text, "User-Agent:")) {
        return trim_blanks(text_between_quoted(header_text, "User-Agent:", crlf, 0, false));
    }
    return "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727; .NET CLR 3.0.04506.648; "
           ".NET CLR 3.5.21022)";
}

Text assemble_header_text(const Text& caller_headers, const Text& url, const Text& method, const Bytes& post_data,
                          const Text& cookies)
{
    Text text = caller_headers;
    if (!contains_ignoring_case(text, "Accept")) {
        text += "Accept: image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, "
                "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
                "application/msword, */*\r\n";
    }
    if (contains_ignoring_case(text, "RefererNo")) {
        // The marker only suppresses the line; the exact-case one goes.
        if (const int at = find(text, "RefererNo"); at != -1) {
            text = left(text, at - 1) + after(text, at + 9);
        }
    } else if (!contains_ignoring_case(text, "Referer")) {
        text += Text("Referer: ") + url + crlf;
    }
    if (!contains_ignoring_case(text, "Accept-Language")) {
        text += "Accept-Language: zh-cn\r\n";
    }
    if (method == Text("POST") && !post_data.empty()) {
        if (!contains_ignoring_case(text, "Content-Type")) {
            text += "Content-Type: application/x-www-form-urlencoded\r\n";
        }
        if (!contains_ignoring_case(text, "Content-Length")) {
            text += Text("Content-Length: ") + decimal_text(static_cast<std::int64_t>(post_data.size())) + crlf;
        }
    }
    if (!cookies.empty()) {
        text += Text("Cookie: ") + cookies + "\r\n\r\n";
    }
    return text;
}

std::uint32_t request_flags(const Text& cookies, bool redirects_allowed, bool secure)
{
    std::uint32_t flags = inet::flag_reload | inet::flag_need_file;
    if (!trim_blanks(cookies).empty()) {
        flags |= inet::flag_no_cookies;
    }
    if (!redirects_allowed) {
        flags |= inet::flag_no_auto_redirect;
    }
    flags |= secure ? inet::flag_secure : inet::flag_ignore_redirect_to_https;
    return flags;
}

ResponseCookies parse_response_cookies(const Text& header_block)
{
    static const Text set_cookie("Set-Cookie: ");
    ResponseCookies result;
    if (!contains_ignoring_case(header_block, set_cookie)) {
        return result;
    }
    int position = 1;
    while (position <= header_block.size()) {
        const int line_feed = find(header_block, "\n", position);
        const int end = line_feed == -1 ? header_block.size() + 1 : line_feed;
        Text line = middle(header_block, position, end - position);
        position = end + 1;
        if (!line.empty() && line.byte_at(line.size()) == '\r') {
            line = left(line, line.size() - 1);
        }
        if (!contains_ignoring_case(line, set_cookie)) {
            continue;
        }
        const Text cookie = after(line, set_cookie.size() + 1);
        result.chain += text_before(cookie, ";", 1, false) + ";";
        const int equals = find(cookie, "=");
        if (equals == -1) {
            result.cookies.push_back({Text(), cookie});
        } else {
            result.cookies.push_back({left(cookie, equals - 1), after(cookie, equals + 1)});
        }
    }
    return result;
}

} // namespace sonivane::net
