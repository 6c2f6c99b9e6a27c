#pragma once

#include "text/text.h"

#include <cstdint>
#include <vector>

// The worker's own rules for turning a request record into one exchange:
// URL pieces, the header text, the request flags and the cookies of a
// response. They work on texts alone.
namespace sonivane::net {

// Blanks (0x20) removed from both ends.
Text trim_blanks(const Text& text);

// A request is secure when its url, lower-cased, holds "https://" anywhere.
bool is_secure_request(const Text& url);

// Every "https://", then every "http://" removed (exact case); cut at the
// first "/", then at the first ":"; lower-cased.
Text url_host(const Text& url);

// From the first "/" at or after the host (found without regard to case)
// to the end, query included; "/" when there is none.
Text url_path(const Text& url);

// For an "http://" url: the leading number after the first ":" of the
// authority (0 when none), or 80 when the authority has no ":".
int url_port(const Text& url);

// The port to connect to. A secure request goes to 443 unless its
// "https://" url names a port of its own.
int request_port(const Text& url, bool secure);

// The text before the first `marker` at or after `start` (<= 0 means 1), or
// empty when it does not occur.
Text text_before(const Text& text, const Text& marker, int start, bool ignore_case);

// The text between `left` (searched from `start`) and the first `right`
// after it; "#引号" in either marker stands for a double quote. Without
// `case_sensitive` both searches ignore ASCII case. Empty when a marker is
// missing.
Text text_between_quoted(const Text& text, const Text& left, const Text& right, int start, bool case_sensitive);

// The caller's "User-Agent:" value when the header text has one (trimmed),
// else the engine's default user agent.
Text user_agent_for(const Text& header_text);

// The caller's header text with the default lines appended, each only when
// its condition holds: Accept, Referer (or the "RefererNo" marker removed),
// Accept-Language, for a POST with a body Content-Type and Content-Length,
// and the Cookie line with its closing empty line.
Text assemble_header_text(const Text& caller_headers, const Text& url, const Text& method, const Bytes& post_data,
                          const Text& cookies);

// The internet client's request flags (inet::flag_*) for one request.
std::uint32_t request_flags(const Text& cookies, bool redirects_allowed, bool secure);

// One Set-Cookie line of a response: the name before the first "=", the
// data after it, attributes included (an empty name when there is no "=").
struct ResponseCookie {
    Text name;
    Text data;
    friend bool operator==(const ResponseCookie&, const ResponseCookie&) = default;
};

struct ResponseCookies {
    std::vector<ResponseCookie> cookies;
    // Each cookie's text before its first ";", then ";": "a=1;b=2;".
    Text chain;
};

ResponseCookies parse_response_cookies(const Text& header_block);

} // namespace sonivane::net
