#include "support/gbk.h"
#include "text/percent_encode.h"

#include <QTest>

using namespace sonivane;
using sonivane::test::bytes;
using sonivane::test::gbk;
using sonivane::test::text;

class PercentEncodeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void percent_encode_data();
    void percent_encode();
    void escaped_set_is_exact();
    void unsafe_url_bytes_data();
    void unsafe_url_bytes();
};

void PercentEncodeTest::percent_encode_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("blank stays") << QByteArray("a b") << QByteArray("a b");
    QTest::newRow("percent sign") << QByteArray("100%") << QByteArray("100%25");
    QTest::newRow("unreserved are escaped too") << QByteArray("a.b-c_d~") << QByteArray("a%2Eb%2Dc%5Fd%7E");
    QTest::newRow("query punctuation") << QByteArray("A&B=C+D") << QByteArray("A%26B%3DC%2BD");
    QTest::newRow("apostrophes") << QByteArray("Rock'n'Roll") << QByteArray("Rock%27n%27Roll");
    QTest::newRow("tab") << QByteArray("Tab\there") << QByteArray("Tab%09here");
    QTest::newRow("line feed and carriage return") << QByteArray("a\nb\rc") << QByteArray("a%0Ab%0Dc");
    QTest::newRow("other control bytes stay") << QByteArray("a\x01\x7F") << QByteArray("a\x01\x7F");
    QTest::newRow("one ideograph") << gbk("歌") << QByteArray("%E6%AD%8C");
    QTest::newRow("two ideographs") << gbk("乐队") << QByteArray("%E4%B9%90%E9%98%9F");
    QTest::newRow("mixed with blank") << gbk("乐队 晴天") << QByteArray("%E4%B9%90%E9%98%9F %E6%99%B4%E5%A4%A9");
    QTest::newRow("full-width comma") << gbk("，") << QByteArray("%EF%BC%8C");
    // 丄 is 81 41: its ASCII trail byte belongs to the character.
    QTest::newRow("ASCII trail byte") << gbk("丄") << QByteArray("%E4%B8%84");
    QTest::newRow("lone lead byte at the end") << QByteArray("a\xC7") << QByteArray("a%EF%BF%BD");
    // An invalid pair is converted on its own: the replacement character,
    // then the blank it swallowed comes out escaped.
    QTest::newRow("invalid pair") << QByteArray("\x81 x") << QByteArray("%EF%BF%BD%20x");
}

void PercentEncodeTest::percent_encode()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QCOMPARE(bytes(sonivane::percent_encode(text(input))), expected);
}

void PercentEncodeTest::escaped_set_is_exact()
{
    int escaped = 0;
    for (int byte = 1; byte < 0x80; ++byte) {
        const char c = static_cast<char>(byte);
        const QByteArray out = bytes(sonivane::percent_encode(Text(std::string_view(&c, 1))));
        const bool alnum_or_blank =
            (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || byte == ' ';
        const bool should_escape =
            (byte >= 0x21 && byte <= 0x7E && !alnum_or_blank) || byte == 0x09 || byte == 0x0A || byte == 0x0D;
        QCOMPARE(out, should_escape ? "%" + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0')
                                    : QByteArray(1, c));
        escaped += should_escape ? 1 : 0;
    }
    QCOMPARE(escaped, 35);
}

void PercentEncodeTest::unsafe_url_bytes_data()
{
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("clean stays") << QByteArray("http://h:80/a?b=%E6&c=d") << QByteArray("http://h:80/a?b=%E6&c=d");
    QTest::newRow("blank") << QByteArray("/a b") << QByteArray("/a%20b");
    QTest::newRow("controls") << QByteArray("/\x01\t\x7F") << QByteArray("/%01%09%7F");
    QTest::newRow("eight-bit") << gbk("/歌") << QByteArray("/%B8%E8");
    QTest::newRow("hash") << QByteArray("/a#b") << QByteArray("/a%23b");
}

void PercentEncodeTest::unsafe_url_bytes()
{
    QFETCH(QByteArray, address);
    QFETCH(QByteArray, expected);
    QCOMPARE(QByteArray::fromStdString(escape_url_unsafe_bytes(address.toStdString())), expected);
}

QTEST_GUILESS_MAIN(PercentEncodeTest)
#include "tst_percent_encode.moc"
