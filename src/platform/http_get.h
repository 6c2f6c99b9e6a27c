#pragma once

#include "text/text.h"

#include <chrono>

namespace sonivane {

// One blocking HTTP GET: protocol HTTP/1.0, the given user agent,
// "Accept: */*", redirects followed, the URL sent as given except that a
// blank (or another byte a URL cannot hold) goes out escaped, %20 for a blank. Returns every body byte that arrived,
// whatever the status code; empty for an empty URL, when no request could be made, or when `timeout` (counted over the
// whole exchange) ran out.
Bytes http_get(const Text& url, const Text& user_agent, std::chrono::milliseconds timeout);

} // namespace sonivane
