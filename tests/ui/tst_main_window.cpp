#include "platform/message_box.h"
#include "platform/theme.h"
#include "support/gbk.h"
#include "support/modal.h"
#include "ui/main_window.h"

#include <QGroupBox>
#include <QLabel>
#include <QTest>

using namespace sonivane;
using sonivane::test::gbk;
using sonivane::test::text;

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void window_frame();
    void control_table_data();
    void control_table();
    void tab_order();
    void panel_switch_data();
    void panel_switch();
    void press_in_a_box_clears_it();
    void singer_first_enables_hidden_button();
    void window_press_restores_placeholders_data();
    void window_press_restores_placeholders();
    void focus_lost_restores_only_empty_boxes();
    void about_box();
    void message_box_results_data();
    void message_box_results();
    void theme_reaches_later_windows();

private:
    QWidget* control(const char* form_name) const
    {
        return m_window->findChild<QWidget*>(QString::fromUtf8(form_name));
    }
    QLineEdit* box(const char* form_name) const { return qobject_cast<QLineEdit*>(control(form_name)); }
    void lose_focus(QWidget* widget)
    {
        QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(widget, &event);
    }

    std::unique_ptr<ui::MainWindow> m_window;
};

void MainWindowTest::init()
{
    m_window = std::make_unique<ui::MainWindow>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void MainWindowTest::cleanup()
{
    m_window.reset();
}

void MainWindowTest::window_frame()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Sonivane  4.1"));
    QCOMPARE(m_window->frameGeometry().topLeft(), QPoint(50, 50));
    QCOMPARE(m_window->frameGeometry().size(), QSize(753, 630));
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    const Qt::WindowFlags flags = m_window->windowFlags();
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(flags & Qt::WindowStaysOnTopHint));
    QCOMPARE(m_window->windowIcon().availableSizes().value(0), QSize(128, 128));
}

void MainWindowTest::control_table_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("enabled");

    const QString window;
    // clang-format off
    QTest::newRow("按钮9")  << "QPushButton" << window << QRect(694, 2, 40, 28) << "关于" << true << true;
    QTest::newRow("按钮5")  << "QPushButton" << window << QRect(440, 1, 160, 28) << "歌曲上传" << true << true;
    QTest::newRow("按钮3")  << "QPushButton" << window << QRect(80, 1, 160, 28) << "歌曲查询" << true << true;
    QTest::newRow("按钮2")  << "QPushButton" << window << QRect(260, 1, 160, 28) << "克隆下载" << true << true;
    QTest::newRow("超文本浏览框1") << "BrowserView" << window << QRect(-1, 72, 776, 552) << "" << false << true;
    QTest::newRow("分组框1") << "QGroupBox" << window << QRect(0, 30, 776, 40) << "" << true << true;
    QTest::newRow("按钮10") << "QPushButton" << "分组框1" << QRect(712, 9, 32, 32) << "试听" << false << true;
    QTest::newRow("标签1")  << "QLabel" << "分组框1" << QRect(592, 16, 112, 16) << "" << true << true;
    QTest::newRow("透明标签4") << "QLabel" << "分组框1" << QRect(103, 160, 224, 16) << "" << true << true;
    QTest::newRow("编辑框3") << "EditBox" << "分组框1" << QRect(312, 10, 280, 24) << "" << false << true;
    QTest::newRow("按钮1")  << "QPushButton" << "分组框1" << QRect(208, 9, 104, 24) << "查询" << false << false;
    QTest::newRow("编辑框5") << "EditBox" << "分组框1" << QRect(104, 9, 104, 24) << "     歌手" << true << true;
    QTest::newRow("编辑框4") << "EditBox" << "分组框1" << QRect(0, 8, 104, 24) << "    歌名" << true << true;
    QTest::newRow("分组框2") << "QGroupBox" << window << QRect(1, 29, 776, 40) << "" << false << true;
    QTest::newRow("按钮11") << "QPushButton" << "分组框2" << QRect(712, 8, 32, 32) << "暂停" << false << true;
    QTest::newRow("按钮7")  << "QPushButton" << "分组框2" << QRect(199, 9, 70, 26) << "克隆至空间" << false << true;
    QTest::newRow("按钮8")  << "QPushButton" << "分组框2" << QRect(270, 9, 70, 26) << "下载该歌曲" << false << true;
    QTest::newRow("按钮4")  << "QPushButton" << "分组框2" << QRect(130, 9, 70, 26) << "查询" << true << true;
    QTest::newRow("编辑框6") << "EditBox" << "分组框2" << QRect(1, 7, 128, 26) << "输入绿钻QQ试试！" << true << true;
    QTest::newRow("标签3")  << "QLabel" << "分组框2" << QRect(344, 17, 360, 16) << "" << true << true;
    QTest::newRow("分组框3") << "QGroupBox" << window << QRect(0, 30, 776, 40) << "" << false << true;
    QTest::newRow("按钮6")  << "QPushButton" << "分组框3" << QRect(652, 8, 60, 29) << "试听" << false << true;
    QTest::newRow("标签2")  << "QLabel" << "分组框3" << QRect(498, 16, 144, 16) << "" << true << true;
    QTest::newRow("编辑框7") << "EditBox" << "分组框3" << QRect(99, 8, 397, 24) << "" << false << true;
    QTest::newRow("超级按钮1") << "QPushButton" << "分组框3" << QRect(2, 11, 96, 24) << "上传歌曲" << true << true;
    // clang-format on
}

void MainWindowTest::control_table()
{
    QFETCH(QString, kind);
    QFETCH(QString, parent);
    QFETCH(QRect, place);
    QFETCH(QString, text);
    QFETCH(bool, shown);
    QFETCH(bool, enabled);
    QWidget* widget = control(QTest::currentDataTag());
    QVERIFY(widget != nullptr);
    QVERIFY2(QString::fromLatin1(widget->metaObject()->className()).endsWith(kind), widget->metaObject()->className());
    QWidget* holder = widget->parentWidget();
    QCOMPARE(holder->objectName(), parent);
    QCOMPARE(parent.isEmpty() ? holder : holder->parentWidget(), static_cast<QWidget*>(m_window.get()));
    QCOMPARE(widget->geometry(), place);
    QCOMPARE(!widget->isHidden(), shown);
    QCOMPARE(widget->isEnabled(), enabled);
    QString actual;
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        actual = button->text();
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        actual = edit->text();
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        actual = label->text();
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        actual = group->title();
    }
    QCOMPARE(actual, text);
    const bool takes_tab = qobject_cast<QGroupBox*>(widget) == nullptr && qobject_cast<QLabel*>(widget) == nullptr;
    QCOMPARE(bool(widget->focusPolicy() & Qt::TabFocus), takes_tab);
}

void MainWindowTest::tab_order()
{
    const char* order[] = {"按钮9",   "按钮5", "按钮3",   "按钮2",   "超文本浏览框1", "按钮10",
                           "编辑框3", "按钮1", "编辑框5", "编辑框4", "按钮11",        "按钮7",
                           "按钮8",   "按钮4", "编辑框6", "按钮6",   "编辑框7",       "超级按钮1"};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QWidget* next = control(order[i - 1])->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus) {
            next = next->nextInFocusChain();
        }
        QCOMPARE(next->objectName(), QString::fromUtf8(order[i]));
    }
    QVERIFY(!(control("标签1")->focusPolicy() & Qt::TabFocus));
}

void MainWindowTest::panel_switch_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("shown_panel");
    QTest::addColumn<bool>("browser_after");

    QTest::newRow("search") << "按钮3"
                            << "分组框1" << false;
    QTest::newRow("list keeps the browser view") << "按钮2"
                                                 << "分组框2" << true;
    QTest::newRow("upload") << "按钮5"
                            << "分组框3" << false;
}

void MainWindowTest::panel_switch()
{
    QFETCH(QString, button);
    QFETCH(QString, shown_panel);
    QFETCH(bool, browser_after);
    // Panel contents that other features changed must survive a switch.
    m_window->result_box->setText(QStringLiteral("http://x/1.mp3"));
    m_window->result_box->show();
    m_window->search_button->setEnabled(true);
    m_window->upload_button->setEnabled(false);
    m_window->picked_link_label->setText(QStringLiteral("http://y/2.mp3"));
    m_window->clone_button->show();
    m_window->browser_view->set_address(Text("file:///list.htm"));
    m_window->browser_view->show();

    for (int twice = 0; twice < 2; ++twice) {
        qobject_cast<QPushButton*>(control(button.toUtf8().constData()))->click();
        for (const char* panel : {"分组框1", "分组框2", "分组框3"}) {
            QCOMPARE(!control(panel)->isHidden(), shown_panel == QString::fromUtf8(panel));
        }
        QCOMPARE(!m_window->browser_view->isHidden(), browser_after);
    }
    QCOMPARE(m_window->browser_view->address().empty(), button == QStringLiteral("按钮2"));
    QCOMPARE(m_window->result_box->text(), QStringLiteral("http://x/1.mp3"));
    QVERIFY(!m_window->result_box->isHidden());
    QVERIFY(m_window->search_button->isEnabled());
    QVERIFY(!m_window->upload_button->isEnabled());
    QCOMPARE(m_window->picked_link_label->text(), QStringLiteral("http://y/2.mp3"));
    QVERIFY(!m_window->clone_button->isHidden());
}

void MainWindowTest::press_in_a_box_clears_it()
{
    QTest::mousePress(box("编辑框4"), Qt::LeftButton);
    QCOMPARE(box("编辑框4")->text(), QString());
    QVERIFY(!m_window->search_button->isHidden());
    QVERIFY(!m_window->search_button->isEnabled());

    box("编辑框5")->setText(QStringLiteral("周杰伦"));
    QTest::mousePress(box("编辑框5"), Qt::LeftButton);
    QCOMPARE(box("编辑框5")->text(), QString());

    m_window->switch_to_list_panel();
    QTest::mousePress(box("编辑框6"), Qt::LeftButton);
    QCOMPARE(box("编辑框6")->text(), QString());
    QTest::mousePress(box("编辑框6"), Qt::RightButton);
    QCOMPARE(box("编辑框6")->text(), QString());
}

void MainWindowTest::singer_first_enables_hidden_button()
{
    // "    歌名" still has its blanks, so it is not the placeholder.
    QTest::mousePress(box("编辑框5"), Qt::LeftButton);
    QVERIFY(m_window->search_button->isEnabled());
    QVERIFY(m_window->search_button->isHidden());

    box("编辑框4")->setText(QStringLiteral("晴天"));
    QVERIFY(!m_window->search_button->isHidden());
}

void MainWindowTest::window_press_restores_placeholders_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("singer");
    QTest::addColumn<QString>("qq");
    QTest::addColumn<QString>("name_after");
    QTest::addColumn<QString>("singer_after");
    QTest::addColumn<QString>("qq_after");

    QTest::newRow("typed name is replaced") << "晴天"
                                            << ""
                                            << "12345"
                                            << "歌名"
                                            << "歌手"
                                            << "12345";
    QTest::newRow("typed singer is replaced") << ""
                                              << "乐队"
                                              << ""
                                              << "歌名"
                                              << "歌手"
                                              << "输入绿钻QQ试试！";
    QTest::newRow("both filled stay") << "晴天"
                                      << "乐队"
                                      << ""
                                      << "晴天"
                                      << "乐队"
                                      << "输入绿钻QQ试试！";
    QTest::newRow("blanks count as filled") << " "
                                            << " "
                                            << " "
                                            << " "
                                            << " "
                                            << " ";
}

void MainWindowTest::window_press_restores_placeholders()
{
    QFETCH(QString, name);
    QFETCH(QString, singer);
    QFETCH(QString, qq);
    QFETCH(QString, name_after);
    QFETCH(QString, singer_after);
    QFETCH(QString, qq_after);
    box("编辑框4")->setText(name);
    box("编辑框5")->setText(singer);
    box("编辑框6")->setText(qq);

    // A press on the search panel or on a label is not a press on the window.
    QTest::mousePress(control("分组框1"), Qt::LeftButton, {}, QPoint(400, 35));
    QTest::mousePress(control("标签1"), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(box("编辑框4")->text(), name);
    QCOMPARE(box("编辑框5")->text(), singer);
    QCOMPARE(box("编辑框6")->text(), qq);

    QTest::mousePress(m_window.get(), Qt::LeftButton, {}, QPoint(300, 300));
    QCOMPARE(box("编辑框4")->text(), name_after);
    QCOMPARE(box("编辑框5")->text(), singer_after);
    QCOMPARE(box("编辑框6")->text(), qq_after);
}

void MainWindowTest::focus_lost_restores_only_empty_boxes()
{
    const std::pair<const char*, QString> boxes[] = {{"编辑框4", QStringLiteral("歌名")},
                                                     {"编辑框5", QStringLiteral("歌手")},
                                                     {"编辑框6", QStringLiteral("输入绿钻QQ试试！")}};
    for (const auto& [name, placeholder] : boxes) {
        box(name)->clear();
        lose_focus(box(name));
        QCOMPARE(box(name)->text(), placeholder);
        box(name)->setText(QStringLiteral(" "));
        lose_focus(box(name));
        QCOMPARE(box(name)->text(), QStringLiteral(" "));
    }
}

void MainWindowTest::about_box()
{
    QString caption;
    QString body;
    int buttons = 0;
    test::answer_next_message_box(this, QStringLiteral("确定"), [&](QMessageBox& box) {
        caption = box.windowTitle();
        body = box.text();
        buttons = static_cast<int>(box.buttons().size());
        QCOMPARE(box.windowModality(), Qt::ApplicationModal);
        QVERIFY(box.parentWidget() == nullptr);
    });
    m_window->about_button->click();
    QCOMPARE(caption, QStringLiteral("关于"));
    QCOMPARE(body,
             QStringLiteral("对于此软件有任何疑问\n   联系QQ:4827150\n          2014-04-20 \n                V4.1"));
    QCOMPARE(buttons, 1);
}

void MainWindowTest::message_box_results_data()
{
    QTest::addColumn<bool>("yes_no");
    QTest::addColumn<QString>("press");
    QTest::addColumn<int>("result");

    QTest::newRow("ok") << false << "确定" << 0;
    QTest::newRow("yes") << true << "是" << 5;
    QTest::newRow("no") << true << "否" << 6;
    QTest::newRow("closed yes/no box") << true << "" << 6;
}

void MainWindowTest::message_box_results()
{
    QFETCH(bool, yes_no);
    QFETCH(QString, press);
    QFETCH(int, result);
    QString caption;
    test::answer_next_message_box(this, press, [&](QMessageBox& box) { caption = box.windowTitle(); });
    const int answer = platform::message_box(text(gbk("无结果")), platform::default_message_caption,
                                             yes_no ? platform::MessageButtons::yes_no : platform::MessageButtons::ok);
    QCOMPARE(answer, result);
    QCOMPARE(caption, QStringLiteral("信息："));
}

void MainWindowTest::theme_reaches_later_windows()
{
    platform::set_xp_theme(1);
    QVERIFY(qApp->styleSheet().contains(QStringLiteral("#003C74")));
    QPalette later;
    test::answer_next_message_box(this, QStringLiteral("确定"), [&](QMessageBox& box) { later = box.palette(); });
    platform::message_box(Text("x"));
    QCOMPARE(later.color(QPalette::Highlight), QColor(QStringLiteral("#316AC5")));

    platform::set_xp_theme(2);
    QVERIFY(qApp->styleSheet().contains(QStringLiteral("#37622F")));
    platform::set_xp_theme(0);
    QVERIFY(qApp->styleSheet().isEmpty());
}

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
