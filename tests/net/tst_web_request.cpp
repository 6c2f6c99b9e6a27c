#include "net/web_request.h"
#include "support/gbk.h"
#include "support/standin.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>
#include <QTimer>

using namespace sonivane;
using namespace sonivane::net;
using sonivane::test::bytes;
using sonivane::test::gbk;
using sonivane::test::header_value;
using sonivane::test::text;

namespace {

QByteArray body_of(const QJsonObject& request)
{
    return QByteArray::fromBase64(request.value(QStringLiteral("body_b64")).toString().toLatin1());
}

QString field(const QJsonObject& request, const char* name)
{
    return request.value(QLatin1String(name)).toString();
}

// Header names in the order they arrived.
QStringList header_names(const QJsonObject& request)
{
    QStringList names;
    for (const QJsonValue& header : request.value(QStringLiteral("headers")).toArray()) {
        names << header.toArray().at(0).toString();
    }
    return names;
}

} // namespace

class WebRequestTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void get_sends_the_default_lines();
    void post_over_https();
    void multipart_post_keeps_the_callers_content_type();
    void cookie_store_carries_cookies_across_calls();
    void given_cookies_replace_the_store();
    void long_header_block_keeps_its_cookies();
    void redirects_data();
    void redirects();
    void proxy_serves_plain_http();
    void time_out_keeps_the_window_alive();
    void zero_and_negative_time_outs_data();
    void zero_and_negative_time_outs();
    void nested_call_returns_first();
    void url_forms_data();
    void url_forms();
    void decoding_data();
    void decoding();
    void untrusted_certificate_is_refused();
    void program_end_stops_workers();

private:
    Text http(const char* path) const { return text("http://" + m_standin.http_address().toUtf8() + path); }
    Text https(const char* path) const { return text("https://" + m_standin.https_address().toUtf8() + path); }

    test::StandIn m_standin;
};

void WebRequestTest::initTestCase()
{
    QString error;
    QVERIFY2(m_standin.start(error), qPrintable(error));
    m_standin.redirect_services();
}

void WebRequestTest::init()
{
    QVERIFY(m_standin.reset());
}

void WebRequestTest::get_sends_the_default_lines()
{
    QVERIFY(m_standin.script(QStringLiteral("/page"), 200, {{"Content-Type", "text/plain"}}, "hello"));
    Text url = http("/page?x=1");
    Text headers("unchanged");
    Text cookies("unchanged");

    const Bytes body = web_request(url, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                   std::nullopt, &headers, std::nullopt, &cookies);

    QCOMPARE(body, Bytes("hello"));
    QVERIFY(bytes(headers).startsWith("HTTP/1.1 200 OK\r\n"));
    QVERIFY(bytes(headers).contains("\r\nContent-Type: text/plain\r\n"));
    QVERIFY(bytes(headers).endsWith("\r\n"));
    QCOMPARE(bytes(cookies), QByteArray());

    const QJsonObject request = m_standin.last_request();
    QCOMPARE(field(request, "method"), QStringLiteral("GET"));
    QCOMPARE(field(request, "version"), QStringLiteral("HTTP/1.1"));
    QCOMPARE(field(request, "target"), QStringLiteral("/page?x=1"));
    QCOMPARE(header_names(request),
             (QStringList{QStringLiteral("Host"), QStringLiteral("User-Agent"), QStringLiteral("Accept"),
                          QStringLiteral("Referer"), QStringLiteral("Accept-Language")}));
    QCOMPARE(header_value(request, QStringLiteral("User-Agent")),
             QStringLiteral("Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727; "
                            ".NET CLR 3.0.04506.648; .NET CLR 3.5.21022)"));
    QVERIFY(header_value(request, QStringLiteral("Accept")).endsWith(QStringLiteral("application/msword, */*")));
    QCOMPARE(header_value(request, QStringLiteral("Referer")), QString::fromUtf8(bytes(url)));
    QCOMPARE(header_value(request, QStringLiteral("Accept-Language")), QStringLiteral("zh-cn"));
}

void WebRequestTest::post_over_https()
{
    Text url = https("/signin");
    const Bytes form = "username=sv4827@mail.cn&password=1234567&remember=true";

    web_request(url, 1, std::nullopt, std::nullopt, form);

    const QJsonObject request = m_standin.last_request();
    QCOMPARE(field(request, "scheme"), QStringLiteral("https"));
    QCOMPARE(field(request, "method"), QStringLiteral("POST"));
    QCOMPARE(body_of(request), QByteArray::fromStdString(form));
    QCOMPARE(header_value(request, QStringLiteral("Content-Type")),
             QStringLiteral("application/x-www-form-urlencoded"));
    QCOMPARE(header_value(request, QStringLiteral("Content-Length")), QStringLiteral("54"));
    QVERIFY(header_value(request, QStringLiteral("Expect")).isNull());
}

void WebRequestTest::multipart_post_keeps_the_callers_content_type()
{
    Text url = http("/upload");
    const Text content_type("Content-Type: multipart/form-data; boundary=----moxieboundary1397047764656\r\n");
    const char raw[] = "--x\r\n\0binary\r\n";
    const Bytes body(raw, sizeof raw - 1);

    web_request(url, 1, std::nullopt, content_type, body, std::nullopt, 888);

    const QJsonObject request = m_standin.last_request();
    QCOMPARE(body_of(request), QByteArray::fromStdString(body));
    const QStringList names = header_names(request);
    QCOMPARE(names.count(QStringLiteral("Content-Type")), 1);
    QCOMPARE(header_value(request, QStringLiteral("Content-Type")),
             QStringLiteral("multipart/form-data; boundary=----moxieboundary1397047764656"));
    QCOMPARE(header_value(request, QStringLiteral("Content-Length")), QStringLiteral("14"));
}

void WebRequestTest::cookie_store_carries_cookies_across_calls()
{
    QVERIFY(m_standin.script(QStringLiteral("/login"), 200,
                             {{"Set-Cookie", "sid=abc; path=/"}, {"Set-Cookie", "user=sv"}}, "ok"));
    Text login = https("/login");
    Text chain;
    web_request(login, 1, std::nullopt, std::nullopt, Bytes("a=1"), std::nullopt, std::nullopt, nullptr, std::nullopt,
                &chain);
    QCOMPARE(bytes(chain), QByteArray("sid=abc;;"));

    Text later = https("/bucket/file-stat");
    web_request(later, 1, std::nullopt, std::nullopt, Bytes("bucket=b&key=k"));

    const QString cookie = header_value(m_standin.last_request(), QStringLiteral("Cookie"));
    QVERIFY2(cookie.contains(QStringLiteral("sid=abc")) && cookie.contains(QStringLiteral("user=sv")),
             qPrintable(cookie));
}

void WebRequestTest::given_cookies_replace_the_store()
{
    QVERIFY(m_standin.script(QStringLiteral("/seed"), 200, {{"Set-Cookie", "stored=1; path=/"}}, ""));
    Text seed = http("/seed");
    web_request(seed);

    Text url = http("/own");
    web_request(url, std::nullopt, std::nullopt, std::nullopt, std::nullopt, Text("mine=2"));
    const QJsonObject own = m_standin.last_request();
    QCOMPARE(header_value(own, QStringLiteral("Cookie")), QStringLiteral("mine=2"));
    QCOMPARE(header_names(own).count(QStringLiteral("Cookie")), 1);

    Text plain = http("/plain");
    web_request(plain);
    QVERIFY(header_value(m_standin.last_request(), QStringLiteral("Cookie")).contains(QStringLiteral("stored=1")));
}

void WebRequestTest::long_header_block_keeps_its_cookies()
{
    QList<std::pair<QByteArray, QByteArray>> lines;
    for (int i = 0; i < 40; ++i) {
        lines.append(std::pair<QByteArray, QByteArray>("X-Filler-" + QByteArray::number(i), QByteArray(70, 'f')));
    }
    lines.append(std::pair<QByteArray, QByteArray>("Set-Cookie", "late=yes; path=/"));
    QVERIFY(m_standin.script(QStringLiteral("/long"), 200, lines, "body"));
    Text url = http("/long");
    Text headers;
    Text chain;

    const Bytes body = web_request(url, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                   std::nullopt, &headers, std::nullopt, &chain);

    QCOMPARE(body, Bytes("body"));
    QVERIFY(headers.size() > 2048);
    QVERIFY(bytes(headers).contains("Set-Cookie: late=yes; path=/\r\n"));
    QCOMPARE(bytes(chain), QByteArray("late=yes;"));
    Text next = http("/next");
    web_request(next);
    QVERIFY(header_value(m_standin.last_request(), QStringLiteral("Cookie")).contains(QStringLiteral("late=yes")));
}

void WebRequestTest::redirects_data()
{
    QTest::addColumn<std::optional<bool>>("allow");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("status_line");

    QTest::newRow("omitted: followed") << std::optional<bool>() << QByteArray("final") << QByteArray("HTTP/1.1 200");
    QTest::newRow("true: followed") << std::optional<bool>(true) << QByteArray("final") << QByteArray("HTTP/1.1 200");
    QTest::newRow("false: not followed") << std::optional<bool>(false) << QByteArray("moved")
                                         << QByteArray("HTTP/1.1 302");
}

void WebRequestTest::redirects()
{
    QFETCH(std::optional<bool>, allow);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, status_line);
    QVERIFY(m_standin.script(QStringLiteral("/old"), 302, {{"Location", "/new"}}, "moved"));
    QVERIFY(m_standin.script(QStringLiteral("/new"), 200, {}, "final"));
    Text url = http("/old");
    Text headers;

    const Bytes result = web_request(url, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                     std::nullopt, &headers, std::nullopt, nullptr, allow);

    QCOMPARE(QByteArray::fromStdString(result), body);
    QVERIFY2(bytes(headers).startsWith(status_line), bytes(headers).constData());
}

void WebRequestTest::proxy_serves_plain_http()
{
    QVERIFY(m_standin.script(QStringLiteral("/via"), 200, {}, "proxied"));
    Text url("http://music.invalid:8000/via?q=1");

    const Bytes body = web_request(url, std::nullopt, text(m_standin.http_address().toUtf8()));

    QCOMPARE(body, Bytes("proxied"));
    const QJsonObject request = m_standin.last_request();
    QVERIFY(request.value(QStringLiteral("proxied")).toBool());
    QCOMPARE(field(request, "target"), QStringLiteral("http://music.invalid:8000/via?q=1"));
}

void WebRequestTest::time_out_keeps_the_window_alive()
{
    QVERIFY(m_standin.set_fault(QStringLiteral("*"), QStringLiteral("silent")));
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
    ticker.start(10);
    Text url = http("/silent");
    Text headers("before");
    Text cookies("before");
    QElapsedTimer clock;
    clock.start();

    const Bytes result = web_request(url, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 1,
                                     &headers, std::nullopt, &cookies);

    const qint64 elapsed = clock.elapsed();
    QCOMPARE(result, bytes_from_text(timeout_message));
    QVERIFY2(elapsed >= 990 && elapsed < 1500, qPrintable(QString::number(elapsed)));
    QVERIFY2(ticks >= 50, qPrintable(QString::number(ticks)));
    QCOMPARE(headers, Text("before"));
    QCOMPARE(cookies, Text("before"));
    QCOMPARE(bytes(timeout_message),
             gbk("超时返回，指定网站不能访问，或者你的网络出现问题，你可以把参数中的＂超时返回＂的值设置长一些。"));
}

void WebRequestTest::zero_and_negative_time_outs_data()
{
    QTest::addColumn<int>("seconds");
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -5;
}

void WebRequestTest::zero_and_negative_time_outs()
{
    QFETCH(int, seconds);
    QVERIFY(m_standin.script(QStringLiteral("/quick"), 200, {}, "fast"));
    Text url = http("/quick");
    QElapsedTimer clock;
    clock.start();

    const Bytes result =
        web_request(url, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, seconds);

    QCOMPARE(result, bytes_from_text(timeout_message));
    QVERIFY(clock.elapsed() < 500);
}

void WebRequestTest::nested_call_returns_first()
{
    QVERIFY(m_standin.set_fault(QStringLiteral("notfound"), QStringLiteral("slow"), 0.6));
    QVERIFY(m_standin.script(QStringLiteral("/inner"), 200, {}, "inner"));
    QStringList order;
    Bytes inner_result;
    QTimer::singleShot(100, this, [&] {
        Text inner = http("/inner");
        inner_result = web_request(inner);
        order << QStringLiteral("inner");
    });
    Text outer = http("/outer-slow");

    web_request(outer);
    order << QStringLiteral("outer");

    QCOMPARE(order, (QStringList{QStringLiteral("inner"), QStringLiteral("outer")}));
    QCOMPARE(inner_result, Bytes("inner"));
    QCOMPARE(m_standin.requests().size(), 2);
}

void WebRequestTest::url_forms_data()
{
    QTest::addColumn<QByteArray>("given");
    QTest::addColumn<QByteArray>("becomes");
    QTest::addColumn<int>("requests");

    const QByteArray address = qgetenv("SONIVANE_SERVICE_HTTP");
    QTest::newRow("blank") << QByteArray("   ") << QByteArray("   ") << 0;
    QTest::newRow("host and path") << address + "/form"
                                   << "http://" + address + "/form" << 1;
    QTest::newRow("upper-case scheme") << "HTTP://" + address + "/form"
                                       << "http://HTTP://" + address + "/form" << 0;
    QTest::newRow("https kept") << "https://" + qgetenv("SONIVANE_SERVICE_HTTPS") + "/form"
                                << "https://" + qgetenv("SONIVANE_SERVICE_HTTPS") + "/form" << 1;
}

void WebRequestTest::url_forms()
{
    QFETCH(QByteArray, given);
    QFETCH(QByteArray, becomes);
    QFETCH(int, requests);
    Text url = text(given);

    web_request(url);

    QCOMPARE(bytes(url), becomes);
    QCOMPARE(m_standin.requests().size(), requests);
}

void WebRequestTest::decoding_data()
{
    QTest::addColumn<int>("decoding");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray big5 = "\xBBP\xC5\xE9"; // 與體
    QTest::newRow("none") << 0 << big5 << big5;
    QTest::newRow("utf-8, stops at NUL") << 1 << QByteArray("\xE6\x99\xB4\xE5\xA4\xA9\0tail", 11) << gbk("晴天");
    QTest::newRow("big5, simplified") << 2 << big5 << gbk("与体");
}

void WebRequestTest::decoding()
{
    QFETCH(int, decoding);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, expected);
    QVERIFY(m_standin.script(QStringLiteral("/encoded"), 200, {}, body));
    Text url = http("/encoded");

    const Bytes result = web_request(url, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                     std::nullopt, nullptr, decoding);

    QCOMPARE(QByteArray::fromStdString(result), expected);
}

void WebRequestTest::untrusted_certificate_is_refused()
{
    QVERIFY(m_standin.script(QStringLiteral("/secret"), 200, {}, "secret"));
    qunsetenv("SONIVANE_CA_FILE");
    Text url = https("/secret");

    const Bytes result = web_request(url);

    m_standin.redirect_services();
    QCOMPARE(result, Bytes());
    QCOMPARE(m_standin.requests().size(), 0);
    Text again = https("/secret");
    QCOMPARE(web_request(again), Bytes("secret"));
}

void WebRequestTest::program_end_stops_workers()
{
    QVERIFY(m_standin.set_fault(QStringLiteral("*"), QStringLiteral("silent")));
    for (int i = 0; i < 3; ++i) {
        Text url = http("/hang");
        QCOMPARE(web_request(url, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 0),
                 bytes_from_text(timeout_message));
    }
    QElapsedTimer clock;
    clock.start();
    stop_all_workers();
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
}

QTEST_GUILESS_MAIN(WebRequestTest)
#include "tst_web_request.moc"
