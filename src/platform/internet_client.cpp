#include "platform/internet_client.h"

#include "platform/curl_handles.h"
#include "text/percent_encode.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

namespace sonivane::inet {

struct CancelToken::State {
    std::atomic<bool> cancelled{false};
    std::mutex mutex;
    CURLM* running = nullptr; // the transfer to wake, guarded by `mutex`
};

std::shared_ptr<CancelToken::State> CancelToken::make_state()
{
    return std::make_shared<State>();
}

void CancelToken::cancel()
{
    const std::lock_guard lock(m_state->mutex);
    m_state->cancelled = true;
    if (m_state->running != nullptr) {
        curl_multi_wakeup(m_state->running);
    }
}

bool CancelToken::cancelled() const
{
    return m_state->cancelled;
}

// Runs one easy handle to its end on the calling thread, waking at once
// when its token is cancelled.
class Transfer {
public:
    static CURLcode run(CURL* easy, const CancelToken& cancel)
    {
        curl::Multi multi(curl_multi_init());
        if (!multi || curl_multi_add_handle(multi.get(), easy) != CURLM_OK) {
            return CURLE_OUT_OF_MEMORY;
        }
        CancelToken::State& state = *cancel.m_state;
        {
            const std::lock_guard lock(state.mutex);
            state.running = multi.get();
        }
        CURLcode result = CURLE_ABORTED_BY_CALLBACK;
        int running = 1;
        while (!state.cancelled) {
            if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
                result = CURLE_RECV_ERROR;
                break;
            }
            if (running == 0) {
                int queued = 0;
                const CURLMsg* message = curl_multi_info_read(multi.get(), &queued);
                result = (message != nullptr && message->msg == CURLMSG_DONE) ? message->data.result : CURLE_RECV_ERROR;
                break;
            }
            if (curl_multi_poll(multi.get(), nullptr, 0, 1000, nullptr) != CURLM_OK) {
                result = CURLE_RECV_ERROR;
                break;
            }
        }
        {
            const std::lock_guard lock(state.mutex);
            state.running = nullptr;
        }
        curl_multi_remove_handle(multi.get(), easy);
        return state.cancelled ? CURLE_ABORTED_BY_CALLBACK : result;
    }
};

namespace {

bool is_host_character(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

std::vector<std::string> header_lines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find("\r\n", start);
        const std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
        if (!line.empty()) {
            lines.emplace_back(line);
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 2;
    }
    return lines;
}

bool has_line(const std::vector<std::string>& lines, std::string_view name_with_colon)
{
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return starts_with_ignoring_case(line, name_with_colon); });
}

std::string trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::optional<Internet> internet_open(const Text& user_agent, int access_type, const Text& proxy_list,
                                      const CancelToken& cancel)
{
    curl::initialise();
    Internet internet{user_agent, Text(), cancel};
    if (access_type == open_type_proxy) {
        const std::string_view list = proxy_list.bytes();
        if (!starts_with_ignoring_case(list, "http=") || list.size() == 5) {
            return std::nullopt;
        }
        internet.http_proxy = Text(list.substr(5));
    }
    return internet;
}

std::optional<Connection> internet_connect(const Internet& internet, const Text& host, int port)
{
    const std::string_view name = host.bytes();
    if (name.empty() || !std::all_of(name.begin(), name.end(),
                                     [](char c) { return is_host_character(static_cast<unsigned char>(c)); })) {
        return std::nullopt;
    }
    if (port < 0 || port > 65535) {
        return std::nullopt;
    }
    return Connection{&internet, host, port};
}

struct Request::Private {
    curl::Easy easy;
    curl::Slist headers;
    CancelToken cancel;
    Bytes body;
    std::size_t read_offset = 0;
    Bytes raw_headers;
    bool post = false;

    static std::size_t on_body(char* data, std::size_t size, std::size_t count, void* self)
    {
        static_cast<Private*>(self)->body.append(data, size * count);
        return size * count;
    }

    // Keeps the header block of the last response only: redirects and
    // interim answers start it again.
    static std::size_t on_header(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto* d = static_cast<Private*>(self);
        std::string_view line(data, size * count);
        if (line.substr(0, 5) == "HTTP/") {
            d->raw_headers.clear();
        }
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.remove_suffix(1);
        }
        if (!line.empty()) {
            d->raw_headers.append(line);
            d->raw_headers.append("\r\n");
        }
        return size * count;
    }
};

Request::Request(std::unique_ptr<Private> d) : d(std::move(d)) {}

Request::~Request() = default;

std::unique_ptr<Request> http_open_request(const Connection& connection, const Text& method, const Text& path,
                                           const Text& version, std::uint32_t flags)
{
    auto d = std::make_unique<Request::Private>();
    d->easy = curl::make_easy((flags & flag_no_cookies) == 0);
    d->cancel = connection.internet->cancel;
    if (!d->easy || method.empty()) {
        return nullptr;
    }
    const bool is_secure = (flags & flag_secure) != 0;
    const int port = connection.port != 0 ? connection.port : (is_secure ? 443 : 80);
    const std::string url = std::string(is_secure ? "https://" : "http://") + std::string(connection.host.bytes()) +
                            ":" + std::to_string(port) + escape_url_unsafe_bytes(path.bytes());

    CURL* easy = d->easy.get();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION,
                     static_cast<long>(version == Text("HTTP/1.0") ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, connection.internet->user_agent.c_str());
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, (flags & flag_no_auto_redirect) == 0 ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 20L);
    if (is_secure) {
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    }
    // A session's proxy serves plain HTTP only; an empty proxy also keeps
    // curl from taking one from the environment.
    const std::string proxy = (!is_secure && !connection.internet->http_proxy.empty())
                                  ? "http://" + std::string(connection.internet->http_proxy.bytes())
                                  : std::string();
    curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
    if (method == Text("GET")) {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else if (method == Text("POST")) {
        d->post = true;
    } else {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
    }
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Request::Private::on_body);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, d.get());
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Request::Private::on_header);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, d.get());
    return std::unique_ptr<Request>(new Request(std::move(d)));
}

bool Request::send(const Text& header_text, const Bytes& body)
{
    if (d->cancel.cancelled()) {
        return false;
    }
    const std::vector<std::string> lines = header_lines(header_text.bytes());
    for (const std::string& line : lines) {
        if (!curl::append(d->headers, line)) {
            return false;
        }
    }
    // Only what the header text says goes out: no "Expect", no Accept or
    // Content-Type of curl's own.
    bool appended = (has_line(lines, "Expect:") || curl::append(d->headers, "Expect:")) &&
                    (has_line(lines, "Accept:") || curl::append(d->headers, "Accept:"));
    if (d->post) {
        appended = appended && (has_line(lines, "Content-Type:") || curl::append(d->headers, "Content-Type:"));
    }
    if (!appended) {
        return false;
    }
    CURL* easy = d->easy.get();
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, d->headers.get());
    if (d->post) {
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    }
    const CURLcode result = Transfer::run(easy, d->cancel);
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    return result == CURLE_OK || status != 0;
}

std::size_t Request::read(char* buffer, std::size_t size)
{
    const std::size_t count = std::min(size, d->body.size() - d->read_offset);
    std::copy_n(d->body.data() + d->read_offset, count, buffer);
    d->read_offset += count;
    return count;
}

const Bytes& Request::raw_headers() const
{
    return d->raw_headers;
}

Text cookie_store_line(const Text& host, const Text& name, const Text& data)
{
    const std::string cookie_name = trimmed(name.bytes());
    const std::string_view all = data.bytes();
    const std::size_t semicolon = all.find(';');
    const std::string value = trimmed(all.substr(0, semicolon));
    const auto unfit = [](std::string_view text) { return text.find_first_of("\t\r\n") != std::string_view::npos; };
    if (cookie_name.empty() || unfit(cookie_name) || unfit(value) || cookie_name.find(';') != std::string::npos) {
        return {};
    }
    const std::string host_name = lower(std::string(host.bytes()));
    std::string domain = host_name;
    bool tail_match = false;
    std::string path = "/";
    bool secure = false;
    long long expires = 0;
    bool max_age_seen = false;
    std::size_t position = semicolon;
    while (position != std::string_view::npos) {
        const std::size_t next = all.find(';', position + 1);
        const std::string_view attribute =
            all.substr(position + 1, next == std::string_view::npos ? next : next - position - 1);
        position = next;
        const std::size_t equals = attribute.find('=');
        const std::string key = lower(trimmed(attribute.substr(0, equals)));
        const std::string argument =
            equals == std::string_view::npos ? std::string() : trimmed(attribute.substr(equals + 1));
        if (key == "secure") {
            secure = true;
        } else if (key == "path" && !argument.empty() && argument.front() == '/' && !unfit(argument)) {
            path = argument;
        } else if (key == "domain" && !argument.empty()) {
            std::string wanted = lower(argument);
            if (wanted.front() == '.') {
                wanted.erase(0, 1);
            }
            // A server may widen a cookie to its own domain, never to another.
            const bool own = wanted == host_name ||
                             (host_name.size() > wanted.size() &&
                              host_name.compare(host_name.size() - wanted.size(), wanted.size(), wanted) == 0 &&
                              host_name[host_name.size() - wanted.size() - 1] == '.');
            if (own && wanted.find('.') != std::string::npos) {
                domain = wanted;
                tail_match = true;
            }
        } else if (key == "max-age" && !argument.empty()) {
            max_age_seen = true;
            const long long seconds = std::strtoll(argument.c_str(), nullptr, 10);
            expires = seconds <= 0 ? 1 : static_cast<long long>(std::time(nullptr)) + seconds;
        } else if (key == "expires" && !max_age_seen) {
            const time_t when = curl_getdate(argument.c_str(), nullptr);
            if (when > 0) {
                expires = when;
            }
        }
    }
    const std::string line = (tail_match ? "." + domain : domain) + "\t" + (tail_match ? "TRUE" : "FALSE") + "\t" +
                             path + "\t" + (secure ? "TRUE" : "FALSE") + "\t" + std::to_string(expires) + "\t" +
                             cookie_name + "\t" + value;
    return Text(std::string_view(line));
}

bool internet_set_cookie(const Text& url, const Text& name, const Text& data)
{
    std::string_view address = url.bytes();
    for (const std::string_view scheme : {"http://", "https://"}) {
        if (starts_with_ignoring_case(address, scheme)) {
            address.remove_prefix(scheme.size());
            break;
        }
    }
    const std::string_view host = address.substr(0, address.find_first_of("/:"));
    const Text line = cookie_store_line(Text(host), name, data);
    if (line.empty()) {
        return false;
    }
    curl::Easy easy = curl::make_easy(true);
    return easy && curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, line.c_str()) == CURLE_OK;
}

} // namespace sonivane::inet
