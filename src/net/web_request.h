#pragma once

#include "text/text.h"

#include <optional>

namespace sonivane::net {

// The text returned in place of the body when the time-out passed.
extern const Text timeout_message;

// One HTTP or HTTPS exchange, run on a worker thread while the calling
// (window) thread keeps dispatching its events; handlers that run meanwhile
// may call web_request again, and the outer call resumes after the inner one
// returned. Call it on the thread of the QCoreApplication only.
//
// Every parameter after `url` may be omitted (std::nullopt, or a null
// pointer for the two out-parameters), which is told apart from a zero or
// empty value:
// - url: required; without an exact "http://" or "https://" prefix it gets
//   "http://" in front, and the caller's variable receives the longer text.
//   A url of blanks only returns empty bytes at once, starting nothing.
// - method: 1 sends a POST, anything else a GET.
// - proxy: "host:port" of a proxy for plain HTTP; empty: none.
// - headers: extra header lines, each ended by "\r\n".
// - post_data: the body of a POST.
// - cookies: the value of a Cookie line; when not blank, the process-wide
//   cookie store is neither used nor fed by this exchange's transfer.
// - timeout_seconds: time allowed from the start of the call (default 60);
//   zero and negative values time out at once. At the time-out the call
//   returns `timeout_message`, the worker is told to stop, and nothing it
//   does afterwards reaches the caller.
// - returned_headers: receives the raw response header block, when given.
// - decoding: 1 converts the body from UTF-8, 2 from Big5 with traditional
//   characters simplified (both to GBK, both stop at a NUL byte); other
//   values: the body as received.
// - returned_cookies: receives the cookie chain ("a=1;b=2;"), when given.
// - allow_redirect: whether redirects are followed (default true).
Bytes web_request(Text& url, std::optional<int> method = std::nullopt, std::optional<Text> proxy = std::nullopt,
                  std::optional<Text> headers = std::nullopt, std::optional<Bytes> post_data = std::nullopt,
                  std::optional<Text> cookies = std::nullopt, std::optional<int> timeout_seconds = std::nullopt,
                  Text* returned_headers = nullptr, std::optional<int> decoding = std::nullopt,
                  Text* returned_cookies = nullptr, std::optional<bool> allow_redirect = std::nullopt);

// Tells every worker still running to stop and waits for them. The program
// calls it before it ends; it also runs at static destruction, before
// libcurl is torn down.
void stop_all_workers();

} // namespace sonivane::net
