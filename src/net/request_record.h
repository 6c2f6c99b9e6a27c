#pragma once

#include "text/text.h"

#include <optional>
#include <vector>

namespace sonivane::net {

// The seven slots that carry one request to the worker and its outcome
// back: 0 url / body, 1 method / cookie chain, 2 proxy, 3 header text,
// 4 post data, 5 cookies / raw header block, 6 "真" or "假" for redirects.
using RequestRecord = std::vector<Bytes>;

inline constexpr std::size_t record_slots = 7;

enum Slot : std::size_t {
    slot_url_or_body = 0,
    slot_method_or_cookie_chain = 1,
    slot_proxy = 2,
    slot_headers = 3,
    slot_post_data = 4,
    slot_cookies_or_header_block = 5,
    slot_allow_redirect = 6,
};

// The in-memory stream that is all a caller and its worker share. It holds
// one record of any number of byte arrays, which comes back exactly as it
// went in. Arrays are handed over, not copied, so a large body crosses to
// the worker and back without being duplicated: writing replaces the record
// the stream held, reading takes it out.
class RequestStream {
public:
    void write_record(RequestRecord record) { m_record = std::move(record); }
    // None when the stream holds no record.
    std::optional<RequestRecord> read_record()
    {
        std::optional<RequestRecord> record = std::move(m_record);
        m_record.reset();
        return record;
    }

private:
    std::optional<RequestRecord> m_record;
};

} // namespace sonivane::net
