#pragma once

#include "text/text.h"

#include <chrono>

namespace sonivane {

// One blocking HTTP GET: protocol HTTP/1.0, the given user agent,
// "Accept: */*", redirects followed, the URL sent as given except that a
// blank goes out as %20. Returns every body byte that arrived, whatever the
// status code; empty for an empty URL, when no request could be made, or
// when `timeout` (counted over the whole exchange) ran out.
Bytes http_get(const Text& url, const Text& user_agent, std::chrono::milliseconds timeout);

} // namespace sonivane
