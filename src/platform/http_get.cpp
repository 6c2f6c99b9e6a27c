#include "platform/http_get.h"

#include "platform/curl_handles.h"
#include "text/percent_encode.h"

#include <algorithm>
#include <string>

namespace sonivane {

namespace {

std::size_t append_body(char* data, std::size_t size, std::size_t count, void* body)
{
    static_cast<Bytes*>(body)->append(data, size * count);
    return size * count;
}

} // namespace

Bytes http_get(const Text& url, const Text& user_agent, std::chrono::milliseconds timeout)
{
    if (url.empty()) {
        return {};
    }
    curl::Easy easy = curl::make_easy();
    curl::Slist headers;
    if (!easy || !curl::append(headers, "Accept: */*")) {
        return {};
    }
    const std::string address = escape_url_unsafe_bytes(url.bytes());
    Bytes body;
    CURL* handle = easy.get();
    curl_easy_setopt(handle, CURLOPT_URL, address.c_str());
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(handle, CURLOPT_USERAGENT, user_agent.c_str());
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 20L);
    // curl reads 0 as "no limit"; a limit that is already over stays over.
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, std::max(1L, static_cast<long>(timeout.count())));
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &append_body);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
    const CURLcode result = curl_easy_perform(handle);
    if (result == CURLE_OPERATION_TIMEDOUT) {
        return {};
    }
    return body;
}

} // namespace sonivane
