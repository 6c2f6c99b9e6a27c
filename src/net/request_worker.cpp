#include "net/request_worker.h"

#include "net/request_rules.h"

#include <array>

namespace sonivane::net {

namespace {

const Text redirect_allowed("\xD5\xE6"); // 真

Text slot_text(const RequestRecord& record, Slot slot)
{
    return text_from_bytes(record[slot]);
}

void write_back(RequestStream& stream, RequestRecord& record)
{
    stream.write_record(std::move(record));
}

} // namespace

void request_worker(RequestStream& stream, const inet::CancelToken& cancel)
{
    std::optional<RequestRecord> read = stream.read_record();
    if (!read) {
        return;
    }
    RequestRecord record = std::move(*read);
    record.resize(record_slots);

    const Text url = slot_text(record, slot_url_or_body);
    const Text method = slot_text(record, slot_method_or_cookie_chain);
    const Bytes& proxy = record[slot_proxy];
    const Text caller_headers = slot_text(record, slot_headers);
    const Bytes& post_data = record[slot_post_data];
    const Text cookies = slot_text(record, slot_cookies_or_header_block);
    const bool redirects_allowed = slot_text(record, slot_allow_redirect) == redirect_allowed;
    const bool secure = is_secure_request(url);
    const Text host = url_host(url);

    const auto fail = [&] {
        if (!cancel.cancelled()) {
            record[slot_url_or_body].clear();
            write_back(stream, record);
        }
    };

    const std::optional<inet::Internet> internet =
        proxy.empty() ? inet::internet_open(user_agent_for(caller_headers), inet::open_type_direct, Text(), cancel)
                      : inet::internet_open(user_agent_for(caller_headers), inet::open_type_proxy,
                                            Text("http=") + text_from_bytes(proxy), cancel);
    if (!internet) {
        return fail();
    }
    const std::optional<inet::Connection> connection =
        inet::internet_connect(*internet, host, request_port(url, secure));
    if (!connection) {
        return fail();
    }
    const std::unique_ptr<inet::Request> request = inet::http_open_request(
        *connection, method, url_path(url), "HTTP/1.1", request_flags(cookies, redirects_allowed, secure));
    if (!request) {
        return fail();
    }

    const Text header_text = assemble_header_text(caller_headers, url, method, post_data, cookies);
    // Only a POST carries a body; the body is passed on, never copied.
    static const Bytes no_body;
    request->send(header_text, method == Text("POST") ? post_data : no_body);
    if (cancel.cancelled()) {
        return;
    }

    Bytes& body = record[slot_url_or_body];
    body.clear();
    std::array<char, 2048> buffer{};
    for (std::size_t count = request->read(buffer.data(), buffer.size()); count != 0;
         count = request->read(buffer.data(), buffer.size())) {
        body.append(buffer.data(), count);
    }
    // The whole header block, however long: cookies behind long headers
    // must not be lost.
    const Text header_block = text_from_bytes(request->raw_headers());
    record[slot_cookies_or_header_block] = bytes_from_text(header_block);

    const ResponseCookies response_cookies = parse_response_cookies(header_block);
    for (const ResponseCookie& cookie : response_cookies.cookies) {
        inet::internet_set_cookie(Text("http://") + host, cookie.name, cookie.data);
    }
    record[slot_method_or_cookie_chain] = bytes_from_text(response_cookies.chain);
    if (!cancel.cancelled()) {
        write_back(stream, record);
    }
}

} // namespace sonivane::net
