#include "search/song_link_search.h"
#include "support/standin.h"
#include "ui/application.h"
#include "ui/main_window.h"
#include "ui/start_up.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>
#include <QTimer>

using namespace sonivane;
using sonivane::test::header_value;

namespace {

// What a start-up looked like from the outside, sampled every 10 ms.
struct StartUpWatch {
    bool hidden_window_seen = false;
    bool modal_seen = false;
    qint64 visible_after_ms = -1;
};

ui::MainWindow* main_window()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<ui::MainWindow*>(widget)) {
            return window;
        }
    }
    return nullptr;
}

// Runs the program until its window has been visible for a moment, then
// closes it.
StartUpWatch run_and_close()
{
    StartUpWatch watch;
    QElapsedTimer clock;
    clock.start();
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        watch.modal_seen = watch.modal_seen || QApplication::activeModalWidget() != nullptr;
        ui::MainWindow* window = main_window();
        if (window == nullptr) {
            return;
        }
        if (!window->isVisible()) {
            watch.hidden_window_seen = true;
        } else if (watch.visible_after_ms < 0) {
            watch.visible_after_ms = clock.elapsed();
            QTimer::singleShot(100, window, &QWidget::close);
        }
    });
    sampler.start(10);
    ui::run_program();
    return watch;
}

} // namespace

class StartUpTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void sign_in_request();
    void window_waits_for_a_slow_portal();
    void unreachable_portal_delays_nothing();
    void exit_routine_releases_the_texts();

private:
    test::StandIn m_standin;
};

void StartUpTest::initTestCase()
{
    QString error;
    QVERIFY2(m_standin.start(error), qPrintable(error));
    m_standin.redirect_services();
}

void StartUpTest::init()
{
    QVERIFY(m_standin.reset());
}

void StartUpTest::sign_in_request()
{
    const Bytes body = ui::sign_in_body();
    QCOMPARE(body.size(), std::size_t{54});
    QVERIFY(QByteArray::fromStdString(body).startsWith("username="));
    QVERIFY(QByteArray::fromStdString(body).endsWith("&remember=true"));

    const StartUpWatch watch = run_and_close();

    const QJsonArray requests = m_standin.requests();
    QCOMPARE(requests.size(), 1);
    const QJsonObject request = requests.first().toObject();
    QCOMPARE(request.value(QStringLiteral("scheme")).toString(), QStringLiteral("https"));
    QCOMPARE(request.value(QStringLiteral("method")).toString(), QStringLiteral("POST"));
    QCOMPARE(request.value(QStringLiteral("path")).toString(), QStringLiteral("/signin"));
    QCOMPARE(QByteArray::fromBase64(request.value(QStringLiteral("body_b64")).toString().toLatin1()),
             QByteArray::fromStdString(body));
    QCOMPARE(header_value(request, QStringLiteral("Content-Type")),
             QStringLiteral("application/x-www-form-urlencoded"));
    QCOMPARE(header_value(request, QStringLiteral("Content-Length")), QStringLiteral("54"));
    QCOMPARE(header_value(request, QStringLiteral("Accept-Language")), QStringLiteral("zh-cn"));
    QVERIFY(header_value(request, QStringLiteral("Referer")).endsWith(QStringLiteral("/signin")));
    QVERIFY(watch.visible_after_ms >= 0);
    QVERIFY(!watch.modal_seen);
}

void StartUpTest::window_waits_for_a_slow_portal()
{
    QVERIFY(m_standin.set_fault(QStringLiteral("signin"), QStringLiteral("slow"), 1.0));

    const StartUpWatch watch = run_and_close();

    QVERIFY(watch.hidden_window_seen);
    QVERIFY2(watch.visible_after_ms >= 1000, qPrintable(QString::number(watch.visible_after_ms)));
    QCOMPARE(m_standin.requests().size(), 1);
}

void StartUpTest::unreachable_portal_delays_nothing()
{
    qputenv("SONIVANE_SERVICE_HTTPS", test::closed_address().toUtf8());

    const StartUpWatch watch = run_and_close();

    m_standin.redirect_services();
    QVERIFY2(watch.visible_after_ms >= 0 && watch.visible_after_ms < 1000,
             qPrintable(QString::number(watch.visible_after_ms)));
    QVERIFY(!watch.modal_seen);
}

void StartUpTest::exit_routine_releases_the_texts()
{
    song_link_search(Text("a"), Text("b"));
    QVERIFY(!search_state().query_url.empty());

    run_and_close();

    QVERIFY(search_state().query_url.empty());
    QVERIFY(search_state().mp3_server_base.empty());
}

QTEST_MAIN(StartUpTest)
#include "tst_start_up.moc"
