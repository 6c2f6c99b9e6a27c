#include "platform/http_get.h"
#include "search/song_link_search.h"
#include "support/gbk.h"
#include "support/standin.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

#include <chrono>

using namespace sonivane;
using sonivane::test::bytes;
using sonivane::test::gbk;
using sonivane::test::header_value;
using sonivane::test::text;

namespace {

const QByteArray search_path = "/fcgi-bin/fcg_weixin_music_search.fcg?perpage=30&curpage=1&w=";
const QByteArray callback_suffix = "&jsonCallback=searchCallback&callback=searchCallback";

} // namespace

class SongLinkSearchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void sends_the_exact_query();
    void blank_goes_out_as_escape();
    void link_from_reply_data();
    void link_from_reply();
    void service_failures_give_no_result_data();
    void service_failures_give_no_result();
    void silent_service_times_out();
    void second_search_replaces_the_state();
    void state_is_released();

private:
    QByteArray mp3_base() const { return "http://" + m_standin.http_address().toUtf8() + "/"; }

    test::StandIn m_standin;
};

void SongLinkSearchTest::initTestCase()
{
    QString error;
    QVERIFY2(m_standin.start(error), qPrintable(error));
    m_standin.redirect_services();
}

void SongLinkSearchTest::init()
{
    QVERIFY(m_standin.reset());
}

void SongLinkSearchTest::sends_the_exact_query()
{
    const Text link = song_link_search(text(gbk("晴天")), text(gbk("乐队")));

    QCOMPARE(bytes(link), mp3_base() + "97773.mp3");
    QVERIFY(!is_no_result_link(link));

    const QJsonArray requests = m_standin.requests();
    QCOMPARE(requests.size(), 1);
    const QJsonObject request = requests.first().toObject();
    QCOMPARE(request.value(QStringLiteral("method")).toString(), QStringLiteral("GET"));
    QCOMPARE(request.value(QStringLiteral("version")).toString(), QStringLiteral("HTTP/1.0"));
    QCOMPARE(request.value(QStringLiteral("target")).toString().toUtf8(),
             search_path + "%E6%99%B4%E5%A4%A9%E4%B9%90%E9%98%9F" + callback_suffix);
    QCOMPARE(header_value(request, QStringLiteral("User-Agent")),
             QStringLiteral("Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)"));
    QCOMPARE(header_value(request, QStringLiteral("Accept")), QStringLiteral("*/*"));
    QCOMPARE(header_value(request, QStringLiteral("Host")), m_standin.http_address());
}

void SongLinkSearchTest::blank_goes_out_as_escape()
{
    song_link_search(Text("Blue Sky"), Text("A-1"));
    QCOMPARE(m_standin.last_request().value(QStringLiteral("target")).toString().toUtf8(),
             search_path + "Blue%20SkyA%2D1" + callback_suffix);
    QCOMPARE(bytes(search_state().encoded_name), QByteArray("Blue Sky"));

    // A control byte that percent-encode keeps still reaches the service.
    song_link_search(Text("a\x01"), Text("b"));
    QCOMPARE(m_standin.last_request().value(QStringLiteral("target")).toString().toUtf8(),
             search_path + "a%01b" + callback_suffix);
}

void SongLinkSearchTest::link_from_reply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("expected_id");
    QTest::addColumn<bool>("no_result");

    const QByteArray lead = "searchCallback({code:0,data:{song:{curnum:1";
    const QByteArray padding(180, 'x');
    QTest::newRow("id found") << lead + ", list:[ {id:123,songname:\"a\"}]}})" << QByteArray("123") << false;
    QTest::newRow("right marker first gives an empty id")
        << QByteArray(",songname:\"a\", list:[ {id:5,") << QByteArray() << false;
    QTest::newRow("empty reply") << QByteArray() << gbk("未找到左边内容") << true;
    QTest::newRow("left marker beyond 180 bytes")
        << padding + ", list:[ {id:1,songname:" << gbk("未找到左边内容") << true;
    QTest::newRow("right marker beyond 180 bytes")
        << ", list:[ {id:1" + padding + ",songname:" << gbk("未找到右边内容") << true;
    QTest::newRow("right marker cut by the window")
        << QByteArray(180 - 13 - 3 - 5, 'x') + ", list:[ {id:777,song" + "name:" << gbk("未找到右边内容") << true;
    QTest::newRow("NUL ends the reply text")
        << QByteArray("abc\0", 4) + ", list:[ {id:1,songname:" << gbk("未找到左边内容") << true;
    QTest::newRow("id with GBK bytes") << ", list:[ {id:" + gbk("晴") + ",songname:" << gbk("晴") << false;
}

void SongLinkSearchTest::link_from_reply()
{
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, expected_id);
    QFETCH(bool, no_result);
    QVERIFY(m_standin.set_search_reply(reply));

    const Text link = song_link_search(Text("a"), Text("b"));

    QCOMPARE(bytes(link), mp3_base() + expected_id + ".mp3");
    QCOMPARE(is_no_result_link(link), no_result);
}

void SongLinkSearchTest::service_failures_give_no_result_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("expected_id");

    QTest::newRow("unknown song") << QString() << 0 << gbk("未找到左边内容");
    QTest::newRow("connection closed") << QStringLiteral("close") << 0 << gbk("未找到左边内容");
    QTest::newRow("error page") << QStringLiteral("status") << 503 << gbk("未找到左边内容");
    QTest::newRow("service down") << QStringLiteral("down") << 0 << gbk("未找到左边内容");
}

void SongLinkSearchTest::service_failures_give_no_result()
{
    QFETCH(QString, mode);
    QFETCH(int, status);
    QFETCH(QByteArray, expected_id);
    const QByteArray saved = qgetenv("SONIVANE_SERVICE_HTTP");
    if (mode == QStringLiteral("down")) {
        qputenv("SONIVANE_SERVICE_HTTP", test::closed_address().toUtf8());
    } else if (!mode.isEmpty()) {
        QVERIFY(m_standin.set_fault(QStringLiteral("search"), mode, 0, status));
    }

    const Text link = song_link_search(text(gbk("没有这首歌")), Text("nobody"));
    const QByteArray base = "http://" + qgetenv("SONIVANE_SERVICE_HTTP") + "/";
    qputenv("SONIVANE_SERVICE_HTTP", saved);

    QCOMPARE(bytes(link), base + expected_id + ".mp3");
}

void SongLinkSearchTest::silent_service_times_out()
{
    QVERIFY(m_standin.set_fault(QStringLiteral("search"), QStringLiteral("silent")));
    const Text url(("http://" + m_standin.http_address().toUtf8() + search_path + "x").constData());
    QElapsedTimer clock;
    clock.start();

    const Bytes reply = http_get(url, Text("test"), std::chrono::milliseconds(800));

    QVERIFY(reply.empty());
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(m_standin.requests().size(), 1);
}

void SongLinkSearchTest::second_search_replaces_the_state()
{
    song_link_search(text(gbk("晴天")), text(gbk("乐队")));
    const SearchState first = search_state();
    QVERIFY(m_standin.set_search_reply(", list:[ {id:42,songname:"));

    qputenv("SONIVANE_SERVICE_HTTP",
            (QStringLiteral("localhost:") + m_standin.http_address().section(QLatin1Char(':'), 1)).toUtf8());
    const Text link = song_link_search(Text("Hey Jude"), Text("Beatles"));
    m_standin.redirect_services();

    const QByteArray origin = "http://localhost:" + m_standin.http_address().section(QLatin1Char(':'), 1).toUtf8();
    const SearchState& second = search_state();
    QCOMPARE(bytes(second.search_base_url), origin + search_path);
    QCOMPARE(bytes(second.encoded_name), QByteArray("Hey Jude"));
    QCOMPARE(bytes(second.encoded_singer), QByteArray("Beatles"));
    QCOMPARE(bytes(second.callback_suffix), callback_suffix);
    QCOMPARE(bytes(second.query_url), origin + search_path + "Hey JudeBeatles" + callback_suffix);
    QCOMPARE(bytes(second.mp3_server_base), origin + "/");
    QCOMPARE(bytes(second.mp3_suffix), QByteArray(".mp3"));
    QCOMPARE(bytes(link), origin + "/42.mp3");
    QVERIFY(first.search_base_url != second.search_base_url);
    QVERIFY(first.encoded_name != second.encoded_name);
    QVERIFY(first.mp3_server_base != second.mp3_server_base);
}

void SongLinkSearchTest::state_is_released()
{
    song_link_search(Text("a"), Text("b"));
    QVERIFY(!search_state().query_url.empty());
    release_search_state();
    const SearchState& state = search_state();
    for (const Text* piece : {&state.search_base_url, &state.encoded_name, &state.encoded_singer,
                              &state.callback_suffix, &state.query_url, &state.mp3_server_base, &state.mp3_suffix}) {
        QVERIFY(piece->empty());
    }
}

QTEST_GUILESS_MAIN(SongLinkSearchTest)
#include "tst_song_link_search.moc"
