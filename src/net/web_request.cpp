#include "net/web_request.h"

#include "net/request_record.h"
#include "net/request_rules.h"
#include "net/request_worker.h"
#include "platform/codepage.h"
#include "platform/curl_handles.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace sonivane::net {

// 超时返回，指定网站不能访问，或者你的网络出现问题，你可以把参数中的＂超时返回＂的值设置长一些。
const Text timeout_message("\xB3\xAC\xCA\xB1\xB7\xB5\xBB\xD8\xA3\xAC\xD6\xB8\xB6\xA8\xCD\xF8\xD5\xBE\xB2\xBB\xC4\xDC"
                           "\xB7\xC3\xCE\xCA\xA3\xAC\xBB\xF2\xD5\xDF\xC4\xE3\xB5\xC4\xCD\xF8\xC2\xE7\xB3\xF6\xCF\xD6"
                           "\xCE\xCA\xCC\xE2\xA3\xAC\xC4\xE3\xBF\xC9\xD2\xD4\xB0\xD1\xB2\xCE\xCA\xFD\xD6\xD0\xB5\xC4"
                           "\xA3\xA2\xB3\xAC\xCA\xB1\xB7\xB5\xBB\xD8\xA3\xA2\xB5\xC4\xD6\xB5\xC9\xE8\xD6\xC3\xB3\xA4"
                           "\xD2\xBB\xD0\xA9\xA1\xA3");

namespace {

const Text true_word("\xD5\xE6");  // 真
const Text false_word("\xBC\xD9"); // 假

// What one call shares with its worker thread. The worker owns its own
// reference, so a caller that gave up at the time-out can simply forget it.
struct Job {
    RequestStream stream;
    inet::CancelToken cancel;
    std::atomic<bool> finished{false};
    QPointer<QEventLoop> waiting; // touched on the caller's thread only
};

// Worker threads that outlived their call, and the object through which
// workers wake the window thread. Workers are joined before libcurl goes.
class Workers {
public:
    static Workers& instance()
    {
        static Workers workers;
        return workers;
    }

    ~Workers() { stop_all(); }

    QObject* relay()
    {
        if (!m_relay) {
            m_relay = std::make_unique<QObject>();
        }
        return m_relay.get();
    }

    void abandon(std::shared_ptr<Job> job, std::thread thread)
    {
        const std::lock_guard lock(m_mutex);
        reap_finished();
        m_abandoned.push_back({std::move(job), std::move(thread)});
    }

    void stop_all()
    {
        std::list<Abandoned> all;
        {
            const std::lock_guard lock(m_mutex);
            all.swap(m_abandoned);
        }
        for (Abandoned& worker : all) {
            worker.job->cancel.cancel();
        }
        for (Abandoned& worker : all) {
            worker.thread.join();
        }
        m_relay.reset();
    }

private:
    struct Abandoned {
        std::shared_ptr<Job> job;
        std::thread thread;
    };

    // Constructed after libcurl's set-up, so torn down before it.
    Workers() { curl::initialise(); }

    void reap_finished()
    {
        for (auto it = m_abandoned.begin(); it != m_abandoned.end();) {
            if (it->job->finished) {
                it->thread.join();
                it = m_abandoned.erase(it);
            } else {
                ++it;
            }
        }
    }

    std::mutex m_mutex;
    std::list<Abandoned> m_abandoned;
    std::unique_ptr<QObject> m_relay;
};

bool starts_with(const Text& text, const Text& prefix)
{
    return left(text, prefix.size()) == prefix;
}

Bytes decoded_body(const Bytes& body, std::optional<int> decoding)
{
    if (decoding == 1) {
        return bytes_from_text(codepage::gbk_from_utf8(text_from_bytes(body).bytes()));
    }
    if (decoding == 2) {
        return bytes_from_text(codepage::simplified_chinese(codepage::gbk_from_big5(text_from_bytes(body).bytes())));
    }
    return body;
}

qint64 timeout_milliseconds(std::optional<int> timeout_seconds)
{
    if (!timeout_seconds) {
        return 60000;
    }
    return static_cast<qint64>(std::trunc(*timeout_seconds * 1000.0));
}

} // namespace

Bytes web_request(Text& url, std::optional<int> method, std::optional<Text> proxy, std::optional<Text> headers,
                  std::optional<Bytes> post_data, std::optional<Text> cookies, std::optional<int> timeout_seconds,
                  Text* returned_headers, std::optional<int> decoding, Text* returned_cookies,
                  std::optional<bool> allow_redirect)
{
    if (trim_blanks(url).empty()) {
        return {};
    }
    if (!starts_with(url, "http://") && !starts_with(url, "https://")) {
        url = Text("http://") + url;
    }

    // Built slot by slot: a braced list would copy the body.
    RequestRecord record(record_slots);
    record[slot_url_or_body] = bytes_from_text(url);
    record[slot_method_or_cookie_chain] = method == 1 ? Bytes("POST") : Bytes("GET");
    record[slot_proxy] = bytes_from_text(proxy.value_or(Text()));
    record[slot_headers] = bytes_from_text(headers.value_or(Text()));
    if (post_data) {
        record[slot_post_data] = std::move(*post_data);
    }
    record[slot_cookies_or_header_block] = bytes_from_text(cookies.value_or(Text()));
    record[slot_allow_redirect] = bytes_from_text(allow_redirect.value_or(true) ? true_word : false_word);
    auto job = std::make_shared<Job>();
    job->stream.write_record(std::move(record));

    Workers& workers = Workers::instance();
    // The relay outlives every worker: it goes only after all were joined.
    QObject* relay = workers.relay();
    std::thread thread([job, relay] {
        request_worker(job->stream, job->cancel);
        job->finished = true;
        QMetaObject::invokeMethod(
            relay,
            [job] {
                if (job->waiting) {
                    job->waiting->quit();
                }
            },
            Qt::QueuedConnection);
    });
    const QDeadlineTimer deadline(std::max<qint64>(0, timeout_milliseconds(timeout_seconds)), Qt::PreciseTimer);

    if (!deadline.hasExpired()) {
        QEventLoop loop;
        job->waiting = &loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(static_cast<int>(std::min<qint64>(deadline.remainingTime(), INT32_MAX)));
        if (!job->finished) {
            loop.exec();
        }
    } else {
        QCoreApplication::processEvents();
    }

    // A worker whose end is noticed only at or after the time-out counts as
    // timed out.
    if (!job->finished || deadline.hasExpired()) {
        job->cancel.cancel();
        workers.abandon(std::move(job), std::move(thread));
        return bytes_from_text(timeout_message);
    }
    thread.join();

    std::optional<RequestRecord> back = job->stream.read_record();
    if (!back || back->size() != record_slots) {
        return (back && !back->empty()) ? back->front() : Bytes();
    }
    if (returned_headers != nullptr) {
        *returned_headers = text_from_bytes((*back)[slot_cookies_or_header_block]);
    }
    if (returned_cookies != nullptr) {
        *returned_cookies = text_from_bytes((*back)[slot_method_or_cookie_chain]);
    }
    return decoded_body((*back)[slot_url_or_body], decoding);
}

void stop_all_workers()
{
    Workers::instance().stop_all();
}

} // namespace sonivane::net
