#pragma once

#include "net/request_record.h"
#include "platform/internet_client.h"

namespace sonivane::net {

// The body of a request's worker thread: reads the record from the stream,
// carries out the exchange, stores the cookies the response sets in the
// process-wide store, and writes the record back with the body (slot 0),
// the cookie chain (slot 1) and the raw header block (slot 5). When the
// record cannot be read it writes nothing. Once `cancel` is set it stops as
// soon as it can and writes nothing more.
void request_worker(RequestStream& stream, const inet::CancelToken& cancel);

} // namespace sonivane::net
