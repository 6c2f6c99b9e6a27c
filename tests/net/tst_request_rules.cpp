#include "net/request_record.h"
#include "net/request_rules.h"
#include "platform/internet_client.h"
#include "support/gbk.h"

#include <QTest>

using namespace sonivane;
using namespace sonivane::net;
using sonivane::test::bytes;
using sonivane::test::gbk;
using sonivane::test::text;

namespace {

const QByteArray accept_line = "Accept: image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, "
                               "application/x-shockwave-flash, application/vnd.ms-excel, "
                               "application/vnd.ms-powerpoint, application/msword, */*\r\n";
const QByteArray language_line = "Accept-Language: zh-cn\r\n";
const QByteArray form_line = "Content-Type: application/x-www-form-urlencoded\r\n";

} // namespace

class RequestRulesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void url_pieces_data();
    void url_pieces();
    void header_text_data();
    void header_text();
    void user_agent_data();
    void user_agent();
    void text_between_quoted_data();
    void text_between_quoted();
    void text_before_and_trim();
    void flags_data();
    void flags();
    void response_cookies_data();
    void response_cookies();
    void cookie_store_line_data();
    void cookie_store_line();
    void stream_round_trip();
};

void RequestRulesTest::url_pieces_data()
{
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<bool>("secure");
    QTest::addColumn<int>("port");

    QTest::newRow("https with its own port")
        << QByteArray("https://host:8443/x") << QByteArray("host") << QByteArray("/x") << true << 8443;
    QTest::newRow("https default port") << QByteArray("https://Host/") << QByteArray("host") << QByteArray("/") << true
                                        << 443;
    QTest::newRow("http port and query") << QByteArray("http://Host:8080/a?b=1") << QByteArray("host")
                                         << QByteArray("/a?b=1") << false << 8080;
    QTest::newRow("query right after host")
        << QByteArray("http://host?x=1") << QByteArray("host?x=1") << QByteArray("/") << false << 80;
    QTest::newRow("https inside a plain url's query")
        << QByteArray("http://host:8080/r?u=https://b/") << QByteArray("host") << QByteArray("/r?u=https://b/") << true
        << 443;
    QTest::newRow("http inside the query") << QByteArray("http://a.com/?r=http://b.com/") << QByteArray("a.com")
                                           << QByteArray("/?r=http://b.com/") << false << 80;
    QTest::newRow("port not a number") << QByteArray("http://web:abc/") << QByteArray("web") << QByteArray("/") << false
                                       << 0;
    QTest::newRow("port with a fraction")
        << QByteArray("http://web:80.9/p") << QByteArray("web") << QByteArray("/p") << false << 80;
    QTest::newRow("port without a path") << QByteArray("http://web:8081") << QByteArray("web") << QByteArray("/")
                                         << false << 8081;
    QTest::newRow("upper-case scheme is not a scheme")
        << QByteArray("http://HTTP://h/x") << QByteArray("http") << QByteArray("//HTTP://h/x") << false << 0;
}

void RequestRulesTest::url_pieces()
{
    QFETCH(QByteArray, url);
    QFETCH(QByteArray, host);
    QFETCH(QByteArray, path);
    QFETCH(bool, secure);
    QFETCH(int, port);
    QCOMPARE(bytes(url_host(text(url))), host);
    QCOMPARE(bytes(url_path(text(url))), path);
    QCOMPARE(is_secure_request(text(url)), secure);
    QCOMPARE(request_port(text(url), secure), port);
}

void RequestRulesTest::header_text_data()
{
    QTest::addColumn<QByteArray>("caller");
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<QByteArray>("post_data");
    QTest::addColumn<QByteArray>("cookies");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray url = "http://h/p";
    const QByteArray referer = "Referer: http://h/p\r\n";
    const QByteArray multipart = "Content-Type: multipart/form-data; boundary=----moxieboundary1397047764656\r\n";

    QTest::newRow("plain GET") << QByteArray() << QByteArray("GET") << url << QByteArray() << QByteArray()
                               << accept_line + referer + language_line;
    QTest::newRow("form POST") << QByteArray() << QByteArray("POST") << url << QByteArray(57, 'x') << QByteArray()
                               << accept_line + referer + language_line + form_line + "Content-Length: 57\r\n";
    QTest::newRow("POST without a body") << QByteArray() << QByteArray("POST") << url << QByteArray() << QByteArray()
                                         << accept_line + referer + language_line;
    QTest::newRow("GET ignores post data") << QByteArray() << QByteArray("GET") << url << QByteArray("a=1")
                                           << QByteArray() << accept_line + referer + language_line;
    QTest::newRow("multipart POST") << multipart << QByteArray("POST") << url << QByteArray(10, 'x') << QByteArray()
                                    << multipart + accept_line + referer + language_line + "Content-Length: 10\r\n";
    QTest::newRow("caller's accept-language") << QByteArray("accept-language: en\r\n") << QByteArray("GET") << url
                                              << QByteArray() << QByteArray() << "accept-language: en\r\n" + referer;
    QTest::newRow("RefererNo marker") << QByteArray("X: 1\r\nRefererNo\r\n") << QByteArray("GET") << url << QByteArray()
                                      << QByteArray() << "X: 1\r\n\r\n" + accept_line + language_line;
    QTest::newRow("caller's referer") << QByteArray("referer: http://a/\r\n") << QByteArray("GET") << url
                                      << QByteArray() << QByteArray()
                                      << "referer: http://a/\r\n" + accept_line + language_line;
    QTest::newRow("Accept-Language inside the url")
        << QByteArray() << QByteArray("GET") << QByteArray("http://h/?q=Accept-Language") << QByteArray()
        << QByteArray() << accept_line + "Referer: http://h/?q=Accept-Language\r\n";
    QTest::newRow("cookies end the text")
        << QByteArray() << QByteArray("GET") << url << QByteArray() << QByteArray("a=1; b=2")
        << accept_line + referer + language_line + "Cookie: a=1; b=2\r\n\r\n";
    QTest::newRow("blank cookies still sent")
        << QByteArray() << QByteArray("GET") << url << QByteArray() << QByteArray("  ")
        << accept_line + referer + language_line + "Cookie:   \r\n\r\n";
    QTest::newRow("missing line break runs on") << QByteArray("X-A: 1") << QByteArray("GET") << url << QByteArray()
                                                << QByteArray() << "X-A: 1" + accept_line + referer + language_line;
}

void RequestRulesTest::header_text()
{
    QFETCH(QByteArray, caller);
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, url);
    QFETCH(QByteArray, post_data);
    QFETCH(QByteArray, cookies);
    QFETCH(QByteArray, expected);
    const Text assembled =
        assemble_header_text(text(caller), text(url), text(method), post_data.toStdString(), text(cookies));
    QCOMPARE(bytes(assembled), expected);
}

void RequestRulesTest::user_agent_data()
{
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("caller's agent") << QByteArray("X: 1\r\nUser-Agent: Agent1\r\n") << QByteArray("Agent1");
    QTest::newRow("any case, trimmed") << QByteArray("user-agent:   Agent 2  \r\n") << QByteArray("Agent 2");
    QTest::newRow("no line break after it") << QByteArray("User-Agent: Agent3") << QByteArray();
    QTest::newRow("default") << QByteArray("Accept: */*\r\n")
                             << QByteArray(
                                    "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727; "
                                    ".NET CLR 3.0.04506.648; .NET CLR 3.5.21022)");
}

void RequestRulesTest::user_agent()
{
    QFETCH(QByteArray, headers);
    QFETCH(QByteArray, expected);
    QCOMPARE(bytes(user_agent_for(text(headers))), expected);
}

void RequestRulesTest::text_between_quoted_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("left");
    QTest::addColumn<QByteArray>("right");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("case_sensitive");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("quote word") << QByteArray("a name=\"x\" b") << gbk("name=#引号") << gbk("#引号") << 0 << true
                                << QByteArray("x");
    QTest::newRow("right searched after left")
        << QByteArray("]a[b]") << QByteArray("[") << QByteArray("]") << 1 << true << QByteArray("b");
    QTest::newRow("case ignored") << QByteArray("USER-AGENT: a\r\n") << QByteArray("User-Agent:") << QByteArray("\r\n")
                                  << 0 << false << QByteArray(" a");
    QTest::newRow("case kept") << QByteArray("USER-AGENT: a\r\n") << QByteArray("User-Agent:") << QByteArray("\r\n")
                               << 0 << true << QByteArray();
    QTest::newRow("start skips an early left")
        << QByteArray("[a] [b]") << QByteArray("[") << QByteArray("]") << 2 << true << QByteArray("b");
    QTest::newRow("right missing") << QByteArray("[a") << QByteArray("[") << QByteArray("]") << 0 << true
                                   << QByteArray();
}

void RequestRulesTest::text_between_quoted()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, left);
    QFETCH(QByteArray, right);
    QFETCH(int, start);
    QFETCH(bool, case_sensitive);
    QFETCH(QByteArray, expected);
    QCOMPARE(bytes(net::text_between_quoted(text(source), text(left), text(right), start, case_sensitive)), expected);
}

void RequestRulesTest::text_before_and_trim()
{
    QCOMPARE(bytes(text_before(Text("a=1; path=/"), Text(";"), 1, false)), QByteArray("a=1"));
    QCOMPARE(bytes(text_before(Text("b=2"), Text(";"), 1, false)), QByteArray());
    QCOMPARE(bytes(text_before(Text("x;y;z"), Text(";"), 3, false)), QByteArray("x;y"));
    QCOMPARE(bytes(text_before(Text("aXb"), Text("x"), 0, true)), QByteArray("a"));
    QCOMPARE(bytes(trim_blanks(Text("  a b  "))), QByteArray("a b"));
    QCOMPARE(bytes(trim_blanks(Text("   "))), QByteArray());
}

void RequestRulesTest::flags_data()
{
    QTest::addColumn<QByteArray>("cookies");
    QTest::addColumn<bool>("redirects");
    QTest::addColumn<bool>("secure");
    QTest::addColumn<quint32>("expected");

    QTest::newRow("plain") << QByteArray() << true << false << quint32(0x80000000u | 0x10u | 0x4000u);
    QTest::newRow("everything") << QByteArray("a=1") << false << true
                                << quint32(0x80000000u | 0x10u | 0x80000u | 0x200000u | 0x800000u);
    QTest::newRow("blank cookies are no cookies")
        << QByteArray("  ") << true << true << quint32(0x80000000u | 0x10u | 0x800000u);
}

void RequestRulesTest::flags()
{
    QFETCH(QByteArray, cookies);
    QFETCH(bool, redirects);
    QFETCH(bool, secure);
    QFETCH(quint32, expected);
    QCOMPARE(request_flags(text(cookies), redirects, secure), expected);
}

void RequestRulesTest::response_cookies_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QByteArray>("chain");
    QTest::addColumn<QList<QByteArray>>("stored"); // name, data, name, data...

    QTest::newRow("two cookies") << QByteArray("HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n")
                                 << QByteArray("a=1;;") << QList<QByteArray>{"a", "1; path=/", "b", "2"};
    QTest::newRow("any case, bare line feeds, last line open")
        << QByteArray("HTTP/1.1 200 OK\nset-cookie: c=3; HttpOnly\nSET-COOKIE: d=4;") << QByteArray("c=3;d=4;")
        << QList<QByteArray>{"c", "3; HttpOnly", "d", "4;"};
    QTest::newRow("no equals sign") << QByteArray("Set-Cookie: flag; x\r\n") << QByteArray("flag;")
                                    << QList<QByteArray>{"", "flag; x"};
    QTest::newRow("none") << QByteArray("HTTP/1.1 200 OK\r\nServer: s\r\n") << QByteArray() << QList<QByteArray>{};
}

void RequestRulesTest::response_cookies()
{
    QFETCH(QByteArray, block);
    QFETCH(QByteArray, chain);
    QFETCH(QList<QByteArray>, stored);
    const ResponseCookies parsed = parse_response_cookies(text(block));
    QCOMPARE(bytes(parsed.chain), chain);
    QList<QByteArray> flat;
    for (const ResponseCookie& cookie : parsed.cookies) {
        flat << bytes(cookie.name) << bytes(cookie.data);
    }
    QCOMPARE(flat, stored);
}

void RequestRulesTest::cookie_store_line_data()
{
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("host only") << QByteArray("portal.example") << QByteArray("a") << QByteArray("1; path=/")
                               << QByteArray("portal.example\tFALSE\t/\tFALSE\t0\ta\t1");
    QTest::newRow("own domain, secure, path")
        << QByteArray("www.example.com") << QByteArray("s") << QByteArray("v; Domain=.Example.com; Secure; Path=/x")
        << QByteArray(".example.com\tTRUE\t/x\tTRUE\t0\ts\tv");
    QTest::newRow("foreign domain ignored")
        << QByteArray("a.example") << QByteArray("s") << QByteArray("v; domain=other.example")
        << QByteArray("a.example\tFALSE\t/\tFALSE\t0\ts\tv");
    QTest::newRow("expires") << QByteArray("h") << QByteArray("e")
                             << QByteArray("1; expires=Wed, 21 Oct 2037 07:28:00 GMT")
                             << QByteArray("h\tFALSE\t/\tFALSE\t2139722880\te\t1");
    QTest::newRow("expired by max-age") << QByteArray("h") << QByteArray("m") << QByteArray("1; Max-Age=0")
                                        << QByteArray("h\tFALSE\t/\tFALSE\t1\tm\t1");
    QTest::newRow("no name") << QByteArray("h") << QByteArray() << QByteArray("flag") << QByteArray();
    QTest::newRow("tab in value") << QByteArray("h") << QByteArray("t") << QByteArray("a\tb") << QByteArray();
}

void RequestRulesTest::cookie_store_line()
{
    QFETCH(QByteArray, host);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, expected);
    QCOMPARE(bytes(inet::cookie_store_line(text(host), text(name), text(data))), expected);
}

void RequestRulesTest::stream_round_trip()
{
    const std::vector<RequestRecord> records{
        {Bytes("url"), Bytes("GET"), Bytes(), Bytes("h\r\n"), Bytes("a\0b", 3), Bytes(), Bytes("\xD5\xE6")},
        {},
        {Bytes(5000, '\xFF'), Bytes(), Bytes(), Bytes(), Bytes(), Bytes(), Bytes(), Bytes("extra"), Bytes("x")},
    };
    for (const RequestRecord& record : records) {
        RequestStream stream;
        stream.write_record(record);
        QCOMPARE(stream.read_record(), std::optional<RequestRecord>(record));
    }

    RequestStream empty;
    QVERIFY(!empty.read_record());
}

QTEST_GUILESS_MAIN(RequestRulesTest)
#include "tst_request_rules.moc"
