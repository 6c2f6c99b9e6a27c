#include "net/endpoints.h"

#include <QTest>

using namespace sonivane::endpoints;

Q_DECLARE_METATYPE(sonivane::endpoints::Service)

class EndpointsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void redirection_data();
    void redirection();
};

void EndpointsTest::redirection_data()
{
    QTest::addColumn<Service>("service");
    QTest::addColumn<QString>("redirected");
    QTest::addColumn<QString>("built_in");

    const QString http = QStringLiteral("http://127.0.0.1:8001");
    const QString https = QStringLiteral("https://127.0.0.1:8443");
    QTest::newRow("music search") << Service::music_search << http
                                  << QStringLiteral("http://music-search.sonivane.example");
    QTest::newRow("mp3 files") << Service::mp3_files << http << QStringLiteral("http://music-files.sonivane.example");
    QTest::newRow("list service") << Service::bgm_list << http << QStringLiteral("http://bgm-list.sonivane.example");
    QTest::newRow("alternative stream") << Service::alt_stream << http
                                        << QStringLiteral("http://stream-alt.sonivane.example");
    QTest::newRow("public download") << Service::public_download << http
                                     << QStringLiteral("http://files.storage.sonivane.example");
    QTest::newRow("storage portal") << Service::storage_portal << https
                                    << QStringLiteral("https://portal.storage.sonivane.example");
    QTest::newRow("upload endpoint") << Service::upload_endpoint << https
                                     << QStringLiteral("https://upload.storage.sonivane.example");
}

void EndpointsTest::redirection()
{
    QFETCH(Service, service);
    QFETCH(QString, redirected);
    QFETCH(QString, built_in);

    qputenv("SONIVANE_SERVICE_HTTP", "127.0.0.1:8001");
    qputenv("SONIVANE_SERVICE_HTTPS", "127.0.0.1:8443");
    QCOMPARE(QString::fromStdString(origin(service)), redirected);

    qunsetenv("SONIVANE_SERVICE_HTTP");
    qputenv("SONIVANE_SERVICE_HTTPS", "");
    QCOMPARE(QString::fromStdString(origin(service)), built_in);
}

QTEST_GUILESS_MAIN(EndpointsTest)
#include "tst_endpoints.moc"
