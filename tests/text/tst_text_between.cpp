#include "support/gbk.h"
#include "text/text_between.h"

#include <QTest>

using namespace sonivane;
using sonivane::test::bytes;
using sonivane::test::gbk;
using sonivane::test::text;

class TextBetweenTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void text_between_data();
    void text_between();
    void flag_is_always_written();
};

void TextBetweenTest::text_between_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("left");
    QTest::addColumn<QByteArray>("right");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<bool>("found");

    const QByteArray no_left = gbk("未找到左边内容");
    const QByteArray no_right = gbk("未找到右边内容");

    QTest::newRow("between") << QByteArray("a[b]c") << QByteArray("[") << QByteArray("]") << QByteArray("b") << true;
    QTest::newRow("adjacent markers") << QByteArray("x[]y") << QByteArray("[") << QByteArray("]") << QByteArray()
                                      << true;
    QTest::newRow("left marker ends the source")
        << QByteArray("abc[") << QByteArray("[") << QByteArray("c") << QByteArray() << true;
    QTest::newRow("only the first right marker counts")
        << QByteArray("]a[b]") << QByteArray("[") << QByteArray("]") << QByteArray() << true;
    QTest::newRow("right marker inside the left one")
        << QByteArray("k=v;") << QByteArray("k=") << QByteArray("=") << QByteArray() << true;
    QTest::newRow("multi-byte markers") << QByteArray("x, list:[ {id:123,songname:y") << QByteArray(", list:[ {id:")
                                        << QByteArray(",songname:") << QByteArray("123") << true;
    QTest::newRow("neither marker") << QByteArray("abc") << QByteArray("[") << QByteArray("]") << no_left << false;
    QTest::newRow("only right marker") << QByteArray("a]") << QByteArray("[") << QByteArray("]") << no_left << false;
    QTest::newRow("only left marker") << QByteArray("a[b") << QByteArray("[") << QByteArray("]") << no_right << false;
    QTest::newRow("empty left marker") << QByteArray("ab]c") << QByteArray() << QByteArray("]") << QByteArray("ab")
                                       << true;
    QTest::newRow("empty source") << QByteArray() << QByteArray() << QByteArray() << no_left << false;
    QTest::newRow("case-sensitive") << QByteArray("id:7;") << QByteArray("ID:") << QByteArray(";") << no_left << false;
    // 丄 is 81 41 and 乤 is 81 61: "A" and "a" there are trail bytes.
    QTest::newRow("marker inside a two-byte character")
        << gbk("丄x;") << QByteArray("A") << QByteArray(";") << no_left << false;
    QTest::newRow("right marker inside a two-byte character")
        << gbk("[v乤") << QByteArray("[") << QByteArray("a") << no_right << false;
    QTest::newRow("Chinese value") << gbk("名=晴天;") << gbk("名=") << QByteArray(";") << gbk("晴天") << true;
}

void TextBetweenTest::text_between()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, left);
    QFETCH(QByteArray, right);
    QFETCH(QByteArray, expected);
    QFETCH(bool, found);
    bool flag = !found;
    QCOMPARE(bytes(sonivane::text_between(text(source), text(left), text(right), flag)), expected);
    QCOMPARE(flag, found);
}

void TextBetweenTest::flag_is_always_written()
{
    bool flag = true;
    sonivane::text_between(Text("abc"), Text("["), Text("]"), flag);
    QVERIFY(!flag);
    flag = false;
    sonivane::text_between(Text("[]"), Text("["), Text("]"), flag);
    QVERIFY(flag);
}

QTEST_GUILESS_MAIN(TextBetweenTest)
#include "tst_text_between.moc"
