// Measures the web request engine against a bare libcurl call: a 10 MiB
// POST to the local stand-in, several rounds each, and the lateness of a
// 10 ms timer on the window thread while web_request uploads. Prints
// figures; asserts nothing.
#include "net/web_request.h"
#include "support/standin.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace sonivane;

namespace {

constexpr int rounds = 21;
constexpr std::size_t body_size = 10 * 1024 * 1024;

std::size_t discard(char*, std::size_t size, std::size_t count, void*)
{
    return size * count;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(fraction * static_cast<double>(values.size())))];
}

double bare_post_ms(const std::string& url, const Bytes& body)
{
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), &curl_easy_cleanup);
    curl_easy_setopt(easy.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &discard);
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(curl_slist_append(nullptr, "Expect:"),
                                                                              &curl_slist_free_all);
    curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers.get());
    QElapsedTimer clock;
    clock.start();
    curl_easy_perform(easy.get());
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    test::StandIn standin;
    QString error;
    if (!standin.start(error)) {
        std::fprintf(stderr, "stand-in: %s\n", qPrintable(error));
        return 1;
    }
    standin.redirect_services();
    const std::string url = "http://" + standin.http_address().toStdString() + "/bench-sink";
    const Bytes body(body_size, 'x');

    std::vector<double> bare;
    std::vector<double> engine;
    std::vector<double> lateness;
    QElapsedTimer since_tick;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        lateness.push_back(static_cast<double>(since_tick.nsecsElapsed()) / 1e6 - 10.0);
        since_tick.restart();
    });

    for (int round = 0; round < rounds; ++round) {
        bare.push_back(bare_post_ms(url, body));

        Text address(url.c_str());
        Bytes upload = body; // a caller hands its body over, as the upload does
        ticker.start(10);
        since_tick.start();
        QElapsedTimer clock;
        clock.start();
        net::web_request(address, 1, std::nullopt, std::nullopt, std::move(upload), std::nullopt, 888);
        engine.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        ticker.stop();
    }

    const double bare_median = median(bare);
    const double engine_median = median(engine);
    std::printf("10 MiB POST over loopback, %d rounds, medians:\n", rounds);
    std::printf("  bare libcurl      %8.1f ms\n", bare_median);
    std::printf("  web_request       %8.1f ms\n", engine_median);
    std::printf("  ratio             %8.3f  (goal <= 1.1)\n", engine_median / bare_median);
    std::printf("10 ms timer on the window thread during web_request (%zu ticks):\n", lateness.size());
    if (!lateness.empty()) {
        std::printf("  lateness p50      %8.2f ms\n", percentile(lateness, 0.50));
        std::printf("  lateness p99      %8.2f ms  (goal < 16)\n", percentile(lateness, 0.99));
        std::printf("  lateness max      %8.2f ms\n", percentile(lateness, 1.0));
    }
    net::stop_all_workers();
    return 0;
}
