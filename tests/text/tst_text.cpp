#include "support/gbk.h"
#include "text/text.h"
#include "text/text_between.h"

#include <QTest>

#include <limits>

using namespace sonivane;
using sonivane::test::bytes;
using sonivane::test::gbk;
using sonivane::test::text;

class TextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void find_data();
    void find();
    void slices_data();
    void slices();
    void character_code_and_decimal();
    void bytes_to_text_stops_at_nul();
    void codepage_conversions_data();
    void codepage_conversions();
    void broken_gbk_decodes_to_replacement();
    void failure_texts_are_gbk();
};

void TextTest::find_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("sought");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("ignore_case");
    QTest::addColumn<int>("expected");

    QTest::newRow("first occurrence") << QByteArray("abcabc") << QByteArray("c") << 1 << false << 3;
    QTest::newRow("from start") << QByteArray("abcabc") << QByteArray("c") << 4 << false << 6;
    QTest::newRow("start on the match") << QByteArray("abcabc") << QByteArray("abc") << 4 << false << 4;
    QTest::newRow("start below 1 counts as 1") << QByteArray("abcabc") << QByteArray("a") << -7 << false << 1;
    QTest::newRow("start past the end") << QByteArray("abc") << QByteArray("c") << 4 << false << -1;
    QTest::newRow("absent") << QByteArray("abc") << QByteArray("d") << 1 << false << -1;
    QTest::newRow("longer than source") << QByteArray("ab") << QByteArray("abc") << 1 << false << -1;
    QTest::newRow("empty sought") << QByteArray("abc") << QByteArray() << 1 << false << 1;
    QTest::newRow("empty sought, empty source") << QByteArray() << QByteArray() << 1 << false << -1;
    QTest::newRow("empty source") << QByteArray() << QByteArray("a") << 1 << false << -1;
    QTest::newRow("exact case") << QByteArray("Hello") << QByteArray("LL") << 1 << false << -1;
    QTest::newRow("ignore case") << QByteArray("Hello") << QByteArray("LL") << 1 << true << 3;
    QTest::newRow("ignore case, non-letters exact") << QByteArray("a[b") << QByteArray("{") << 1 << true << -1;
    QTest::newRow("after a two-byte character") << gbk("晴天x") << QByteArray("x") << 1 << false << 5;
    QTest::newRow("two-byte sought") << gbk("晴天") << gbk("天") << 1 << false << 3;
    QTest::newRow("never across two characters") << gbk("晴天") << QByteArray("\xE7\xCC") << 1 << false << -1;
    QTest::newRow("never on a trail byte") << gbk("晴天") << QByteArray("\xEC") << 1 << false << -1;
    // 丄 is 81 41: its trail byte is the letter A.
    QTest::newRow("ASCII trail byte is not a letter") << gbk("丄") << QByteArray("A") << 1 << false << -1;
    QTest::newRow("trail byte not folded") << gbk("丄")
                                           << QByteArray("\x81"
                                                         "a")
                                           << 1 << true << -1;
    QTest::newRow("start inside a character") << gbk("晴天x") << QByteArray("x") << 2 << false << 5;
    QTest::newRow("start inside, next character") << gbk("晴天") << gbk("天") << 2 << false << 3;
}

void TextTest::find()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, sought);
    QFETCH(int, start);
    QFETCH(bool, ignore_case);
    QFETCH(int, expected);
    QCOMPARE(sonivane::find(text(source), text(sought), start, ignore_case), expected);
}

void TextTest::slices_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray abc("abcdef");
    QTest::newRow("left") << abc << QStringLiteral("left") << 2 << 0 << QByteArray("ab");
    QTest::newRow("left beyond") << abc << QStringLiteral("left") << 99 << 0 << abc;
    QTest::newRow("left zero") << abc << QStringLiteral("left") << 0 << 0 << QByteArray();
    QTest::newRow("left negative") << abc << QStringLiteral("left") << -1 << 0 << QByteArray();
    QTest::newRow("right") << abc << QStringLiteral("right") << 2 << 0 << QByteArray("ef");
    QTest::newRow("right beyond") << abc << QStringLiteral("right") << 99 << 0 << abc;
    QTest::newRow("right negative") << abc << QStringLiteral("right") << -3 << 0 << QByteArray();
    QTest::newRow("middle") << abc << QStringLiteral("middle") << 2 << 3 << QByteArray("bcd");
    QTest::newRow("middle cut at end") << abc << QStringLiteral("middle") << 5 << 9 << QByteArray("ef");
    QTest::newRow("middle last byte") << abc << QStringLiteral("middle") << 6 << 1 << QByteArray("f");
    QTest::newRow("middle start 0") << abc << QStringLiteral("middle") << 0 << 3 << QByteArray();
    QTest::newRow("middle past end") << abc << QStringLiteral("middle") << 7 << 1 << QByteArray();
    QTest::newRow("middle zero count") << abc << QStringLiteral("middle") << 2 << 0 << QByteArray();
    QTest::newRow("left cuts a character") << gbk("晴天") << QStringLiteral("left") << 1 << 0 << QByteArray("\xC7");
    QTest::newRow("right cuts a character")
        << gbk("晴天") << QStringLiteral("right") << 3 << 0 << QByteArray("\xE7\xCC\xEC");
    QTest::newRow("middle cuts a character")
        << gbk("晴天") << QStringLiteral("middle") << 2 << 2 << QByteArray("\xE7\xCC");
}

void TextTest::slices()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, operation);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(QByteArray, expected);
    Text result;
    if (operation == QStringLiteral("left")) {
        result = left(text(source), a);
    } else if (operation == QStringLiteral("right")) {
        result = right(text(source), a);
    } else {
        result = middle(text(source), a, b);
    }
    QCOMPARE(bytes(result), expected);
}

void TextTest::character_code_and_decimal()
{
    const Text sample("A\x80\xFF");
    QCOMPARE(character_code(sample, 1), 65);
    QCOMPARE(character_code(sample, 2), -128);
    QCOMPARE(character_code(sample, 3), -1);
    QCOMPARE(character_code(sample, 4), 0);
    QCOMPARE(character_code(sample, 0), 0);

    QCOMPARE(bytes(decimal_text(0)), QByteArray("0"));
    QCOMPARE(bytes(decimal_text(2014)), QByteArray("2014"));
    QCOMPARE(bytes(decimal_text(-5)), QByteArray("-5"));
    QCOMPARE(bytes(decimal_text(std::numeric_limits<std::int64_t>::min())), QByteArray("-9223372036854775808"));
}

void TextTest::bytes_to_text_stops_at_nul()
{
    const Bytes raw("ab\0cd", 5);
    QCOMPARE(text_from_bytes(raw), Text("ab"));
    QCOMPARE(raw.size(), std::size_t{5});
    QCOMPARE(bytes_from_text(Text("xyz")), Bytes("xyz"));
}

void TextTest::codepage_conversions_data()
{
    QTest::addColumn<QString>("unicode");
    QTest::addColumn<QByteArray>("expected_gbk");

    QTest::newRow("ascii") << QStringLiteral("Song 1") << QByteArray("Song 1");
    QTest::newRow("ideographs") << QStringLiteral("歌晴天") << QByteArray("\xB8\xE8\xC7\xE7\xCC\xEC");
    QTest::newRow("full-width punctuation") << QStringLiteral("，！") << QByteArray("\xA3\xAC\xA3\xA1");
    QTest::newRow("outside GBK becomes ?") << QStringLiteral("a가b") << QByteArray("a?b");
    QTest::newRow("astral character becomes one ?") << QString::fromUtf8("x\xF0\x9F\x8E\xB5y") << QByteArray("x?y");
}

void TextTest::codepage_conversions()
{
    QFETCH(QString, unicode);
    QFETCH(QByteArray, expected_gbk);
    const Text converted = codepage::text_from_qstring(unicode);
    QCOMPARE(bytes(converted), expected_gbk);
    QCOMPARE(bytes(codepage::gbk_from_utf8(unicode.toUtf8().constData())), expected_gbk);
    if (!expected_gbk.contains('?')) {
        QCOMPARE(codepage::qstring_from_text(converted), unicode);
        QCOMPARE(QByteArray::fromStdString(codepage::utf8_from_gbk(converted.bytes())), unicode.toUtf8());
    }
}

void TextTest::broken_gbk_decodes_to_replacement()
{
    QCOMPARE(codepage::qstring_from_text(Text("ab\xC7")), QStringLiteral("ab\uFFFD"));
}

void TextTest::failure_texts_are_gbk()
{
    QCOMPARE(bytes(left_marker_missing), gbk("未找到左边内容"));
    QCOMPARE(bytes(right_marker_missing), gbk("未找到右边内容"));
}

QTEST_GUILESS_MAIN(TextTest)
#include "tst_text.moc"
