#include "search/song_link_search.h"
#include "support/gbk.h"
#include "support/modal.h"
#include "support/standin.h"
#include "ui/main_window.h"

#include <QClipboard>
#include <QTest>

using namespace sonivane;

class SearchPanelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void found_link();
    void no_result_offers_the_upload_panel_data();
    void no_result_offers_the_upload_panel();
    void placeholder_stops_the_search_data();
    void placeholder_stops_the_search();
    void double_click_copies();
    void any_other_text_counts_as_found();

private:
    void fill(const QString& name, const QString& singer)
    {
        m_window->song_name_box->setText(name);
        m_window->singer_box->setText(singer);
    }
    QString mp3_base() const { return QStringLiteral("http://") + m_standin.http_address() + QStringLiteral("/"); }

    test::StandIn m_standin;
    std::unique_ptr<ui::MainWindow> m_window;
};

void SearchPanelTest::initTestCase()
{
    QString error;
    QVERIFY2(m_standin.start(error), qPrintable(error));
    m_standin.redirect_services();
}

void SearchPanelTest::init()
{
    QVERIFY(m_standin.reset());
    m_window = std::make_unique<ui::MainWindow>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void SearchPanelTest::cleanup()
{
    m_window.reset();
}

void SearchPanelTest::found_link()
{
    m_window->browser_view->show();
    fill(QStringLiteral("晴天"), QStringLiteral("乐队"));
    QVERIFY(m_window->search_button->isEnabled());

    m_window->search_button->click();

    QCOMPARE(m_window->result_box->text(), mp3_base() + QStringLiteral("97773.mp3"));
    QCOMPARE(m_window->status_label->text(), QStringLiteral("双击歌曲地址复制！"));
    QVERIFY(m_window->result_box->isVisible());
    QVERIFY(m_window->preview_button->isVisible());
    QVERIFY(m_window->browser_view->isHidden());
    QCOMPARE(m_standin.requests().size(), 1);
}

void SearchPanelTest::no_result_offers_the_upload_panel_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("upload_panel");
    QTest::newRow("yes switches") << "是" << true;
    QTest::newRow("no stays") << "否" << false;
}

void SearchPanelTest::no_result_offers_the_upload_panel()
{
    QFETCH(QString, answer);
    QFETCH(bool, upload_panel);
    QVERIFY(m_standin.set_search_reply(QByteArray()));
    fill(QStringLiteral("没有"), QStringLiteral("这首歌"));
    QString question;
    QString caption;
    QString result_during_question;
    test::answer_next_message_box(this, answer, [&](QMessageBox& box) {
        question = box.text();
        caption = box.windowTitle();
        result_during_question = m_window->result_box->text();
    });

    m_window->search_button->click();

    QCOMPARE(question, QStringLiteral("无结果歌曲  \n可以从其他地方下载到本地\n再上传至云端  现在是否上传？"));
    QCOMPARE(caption, QStringLiteral("温馨提示"));
    QCOMPARE(result_during_question, QStringLiteral("无结果,请检查歌名和歌手。"));
    QCOMPARE(m_window->result_box->text(), QStringLiteral("无结果,请检查歌名和歌手。"));
    QCOMPARE(m_window->status_label->text(), QStringLiteral("双击歌曲地址复制！"));
    QCOMPARE(!m_window->upload_panel->isHidden(), upload_panel);
    QCOMPARE(!m_window->search_panel->isHidden(), !upload_panel);
    // Shown afterwards in any case, if out of sight inside a hidden panel.
    QVERIFY(!m_window->result_box->isHidden());
    QVERIFY(!m_window->preview_button->isHidden());
}

void SearchPanelTest::placeholder_stops_the_search_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("singer");
    QTest::newRow("name placeholder") << "歌名"
                                      << "乐队";
    QTest::newRow("singer placeholder") << "晴天"
                                        << "歌手";
}

void SearchPanelTest::placeholder_stops_the_search()
{
    QFETCH(QString, name);
    QFETCH(QString, singer);
    song_link_search(Text("keep"), Text("me"));
    const Text query_before = search_state().query_url;
    QVERIFY(m_standin.reset());
    m_window->browser_view->show();
    m_window->search_button->show();
    m_window->search_button->setEnabled(true);
    fill(name, singer);
    QString text;
    QString caption;
    int buttons = 0;
    test::answer_next_message_box(this, QStringLiteral("确定"), [&](QMessageBox& box) {
        text = box.text();
        caption = box.windowTitle();
        buttons = static_cast<int>(box.buttons().size());
    });

    m_window->search_button->click();

    QCOMPARE(text, QStringLiteral("请填写歌名与歌手"));
    QCOMPARE(caption, QStringLiteral("警告"));
    QCOMPARE(buttons, 1);
    QCOMPARE(m_standin.requests().size(), 0);
    QVERIFY(!m_window->browser_view->isHidden());
    QVERIFY(m_window->result_box->isHidden());
    QCOMPARE(search_state().query_url, query_before);
}

void SearchPanelTest::double_click_copies()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));
    m_window->result_box->show();
    QTest::mouseDClick(m_window->result_box, Qt::LeftButton);
    QCOMPARE(clipboard->text(), QStringLiteral("before"));
    QCOMPARE(m_window->status_label->text(), QString());

    m_window->result_box->setText(QStringLiteral("http://music.example/97773.mp3"));
    QTest::mouseDClick(m_window->result_box, Qt::LeftButton);
    QCOMPARE(clipboard->text(), QStringLiteral("http://music.example/97773.mp3"));
    QCOMPARE(m_window->status_label->text(), QStringLiteral("歌曲链接以被复制！"));

    m_window->result_box->setText(QStringLiteral("无结果,请检查歌名和歌手。"));
    QTest::mouseDClick(m_window->result_box, Qt::LeftButton);
    QCOMPARE(clipboard->text(), QStringLiteral("无结果,请检查歌名和歌手。"));
}

void SearchPanelTest::any_other_text_counts_as_found()
{
    m_window->result_box->setText(QStringLiteral("typed"));
    QCOMPARE(m_window->status_label->text(), QStringLiteral("双击歌曲地址复制！"));
    QVERIFY(!m_window->result_box->isHidden());
}

QTEST_MAIN(SearchPanelTest)
#include "tst_search_panel.moc"
