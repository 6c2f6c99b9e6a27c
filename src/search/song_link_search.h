#pragma once

#include "text/text.h"

namespace sonivane {

// The pieces of the last search, each replaced whenever a search runs and
// released at program end.
struct SearchState {
    Text search_base_url;
    Text encoded_name;
    Text encoded_singer;
    Text callback_suffix;
    Text query_url;
    Text mp3_server_base;
    Text mp3_suffix;
};

const SearchState& search_state();
void release_search_state();

// The song link a reply yields: server base + the id found between the id
// markers in the first bytes of the reply + suffix. When a marker is
// missing there, the id is the failure text, which makes a no-result link.
Text song_link_from_reply(const Bytes& reply, const Text& mp3_server_base, const Text& mp3_suffix);

// Asks the music search service for `name` by `singer` and returns the
// direct MP3 link of the first hit, or one of the two no-result links. A
// network failure or a service that does not answer within the search
// time-out ends as a no-result link. Blocks the calling thread.
Text song_link_search(const Text& name, const Text& singer);

// The two links a failed search gives, for the current MP3 server.
bool is_no_result_link(const Text& link);

} // namespace sonivane
