#pragma once

#include "text/text.h"

#include <cstdint>
#include <memory>
#include <optional>

// A small internet client in the shape the request worker expects (open a
// session, connect to a host, open a request, send it, read the body in
// pieces, query the raw header block, close, store a cookie), carried out
// over libcurl. Closing is the destruction of a handle. Every handle belongs
// to the thread that made it; only a CancelToken may be used from another.
namespace sonivane::inet {

// Stops the exchanges of one worker from any thread: a running transfer
// ends within a millisecond or so and every later send fails at once.
class CancelToken {
public:
    void cancel();
    bool cancelled() const;

private:
    friend class Transfer;
    struct State;
    std::shared_ptr<State> m_state = make_state();
    static std::shared_ptr<State> make_state();
};

// Request flags, with the values of the platform's internet client.
inline constexpr std::uint32_t flag_reload = 0x80000000u;
inline constexpr std::uint32_t flag_need_file = 0x10u;
inline constexpr std::uint32_t flag_no_cookies = 0x80000u;
inline constexpr std::uint32_t flag_no_auto_redirect = 0x200000u;
inline constexpr std::uint32_t flag_secure = 0x800000u;
inline constexpr std::uint32_t flag_ignore_redirect_to_https = 0x4000u;

inline constexpr int open_type_direct = 1;
inline constexpr int open_type_proxy = 3;

struct Internet {
    Text user_agent;
    // Empty for a direct session; otherwise the proxy for plain HTTP,
    // written "host:port".
    Text http_proxy;
    CancelToken cancel;
};

// `proxy_list` is "http=host:port" for open_type_proxy (the only form
// used), ignored for open_type_direct.
std::optional<Internet> internet_open(const Text& user_agent, int access_type, const Text& proxy_list,
                                      const CancelToken& cancel);

struct Connection {
    const Internet* internet;
    Text host;
    int port;
};

// None when the host cannot name a server or the port is out of range. A
// port of 0 means the service's default.
std::optional<Connection> internet_connect(const Internet& internet, const Text& host, int port);

class Request {
public:
    ~Request();
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    // Sends the request with the header lines of `header_text` (each ended
    // by CR LF) and, unless empty, `body`; waits for the whole response.
    // False when no response arrived.
    bool send(const Text& header_text, const Bytes& body);

    // Copies up to `size` more bytes of the response body; 0 at its end.
    std::size_t read(char* buffer, std::size_t size);

    // The status line and header lines of the final response, each ended by
    // CR LF, however long; empty when no response arrived.
    const Bytes& raw_headers() const;

private:
    friend std::unique_ptr<Request> http_open_request(const Connection&, const Text&, const Text&, const Text&,
                                                      std::uint32_t);
    struct Private;
    explicit Request(std::unique_ptr<Private> d);
    std::unique_ptr<Private> d;
};

// `flags`: secure (TLS), no cookies
// (neither the process store's cookies are sent nor the response's kept),
// no auto redirect; a secure request never follows a redirect to plain
// HTTP. None when the request cannot be made.
std::unique_ptr<Request> http_open_request(const Connection& connection, const Text& method, const Text& path,
                                           const Text& version, std::uint32_t flags);

// Stores a cookie in the process-wide store as if `url` ("http://host") had
// set it; `data` is its value followed by any attributes ("1; path=/").
// False when it cannot be stored (no name, or a name or value the store
// cannot hold).
bool internet_set_cookie(const Text& url, const Text& name, const Text& data);

// The store's line for such a cookie (tab-separated: domain, tail match,
// path, secure, expiry, name, value), or empty when it cannot be stored.
Text cookie_store_line(const Text& host, const Text& name, const Text& data);

} // namespace sonivane::inet
