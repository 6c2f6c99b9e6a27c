#include "search/song_link_search.h"

#include "net/endpoints.h"
#include "platform/http_get.h"
#include "text/percent_encode.h"
#include "text/text_between.h"

#include <chrono>

namespace sonivane {

namespace {

SearchState g_search_state;

Text to_text(std::string_view bytes)
{
    return Text(bytes);
}

Text mp3_server_base()
{
    return Text(std::string_view(endpoints::origin(endpoints::Service::mp3_files) + "/"));
}

} // namespace

const SearchState& search_state()
{
    return g_search_state;
}

void release_search_state()
{
    g_search_state = SearchState{};
}

Text song_link_from_reply(const Bytes& reply, const Text& mp3_server_base, const Text& mp3_suffix)
{
    const Text head = left(text_from_bytes(reply), endpoints::search_reply_window);
    bool found = false;
    const Text id =
        text_between(head, to_text(endpoints::song_id_left_marker), to_text(endpoints::song_id_right_marker), found);
    return mp3_server_base + id + mp3_suffix;
}

Text song_link_search(const Text& name, const Text& singer)
{
    SearchState& state = g_search_state;
    state.search_base_url =
        Text(std::string_view(endpoints::origin(endpoints::Service::music_search))) + to_text(endpoints::search_path);
    state.encoded_name = percent_encode(name);
    state.encoded_singer = percent_encode(singer);
    state.callback_suffix = to_text(endpoints::search_callback_suffix);
    // The singer follows the name directly, with no separator.
    state.query_url = state.search_base_url + state.encoded_name + state.encoded_singer + state.callback_suffix;
    state.mp3_server_base = mp3_server_base();
    state.mp3_suffix = to_text(endpoints::mp3_suffix);

    const Bytes reply = http_get(state.query_url, to_text(endpoints::search_user_agent),
                                 std::chrono::seconds(endpoints::search_timeout_seconds));
    return song_link_from_reply(reply, state.mp3_server_base, state.mp3_suffix);
}

bool is_no_result_link(const Text& link)
{
    const Text base = mp3_server_base();
    const Text suffix = to_text(endpoints::mp3_suffix);
    return link == base + left_marker_missing + suffix || link == base + right_marker_missing + suffix;
}

} // namespace sonivane
