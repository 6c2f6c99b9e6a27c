#include "support/standin.h"
#include "ui/main_window.h"

#include <QFile>
#include <QMediaPlayer>
#include <QTemporaryDir>
#include <QTest>

using namespace sonivane;

class PreviewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void player_plays_pauses_resumes_and_stops();
    void caption_toggles_when_nothing_can_play();
    void buttons_share_the_player();
    void pause_button_before_anything_opened();
    void open_takes_urls_and_existing_files();

private:
    QString song(int id) const { return QStringLiteral("http://%1/%2.mp3").arg(m_standin.http_address()).arg(id); }
    QMediaPlayer& engine() const { return *m_window->media_player->engine(); }

    test::StandIn m_standin;
    std::unique_ptr<ui::MainWindow> m_window;
};

void PreviewTest::initTestCase()
{
    QString error;
    QVERIFY2(m_standin.start(error), qPrintable(error));
    m_standin.redirect_services();
}

void PreviewTest::init()
{
    m_window = std::make_unique<ui::MainWindow>();
}

void PreviewTest::cleanup()
{
    m_window.reset();
}

void PreviewTest::player_plays_pauses_resumes_and_stops()
{
    platform::MediaPlayer& player = *m_window->media_player;
    QVERIFY(player.open(text_from_bytes(song(97773).toStdString())));
    QVERIFY(player.play(-1));
    QTRY_COMPARE_WITH_TIMEOUT(engine().playbackState(), QMediaPlayer::PlayingState, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(engine().position() > 200, 10000);
    QCOMPARE(engine().error(), QMediaPlayer::NoError);

    QVERIFY(player.pause());
    QTRY_COMPARE_WITH_TIMEOUT(engine().playbackState(), QMediaPlayer::PausedState, 5000);
    const qint64 held = engine().position();
    QTest::qWait(400);
    QVERIFY(qAbs(engine().position() - held) < 100);

    QVERIFY(player.play(-1));
    QTRY_VERIFY_WITH_TIMEOUT(engine().position() > held + 100, 5000);

    QVERIFY(player.stop());
    QTRY_COMPARE_WITH_TIMEOUT(engine().playbackState(), QMediaPlayer::StoppedState, 5000);
    QCOMPARE(engine().position(), qint64(0));
}

void PreviewTest::caption_toggles_when_nothing_can_play()
{
    m_window->result_box->clear();
    m_window->preview_button->click();
    QCOMPARE(m_window->preview_button->text(), QStringLiteral("停止"));
    m_window->preview_button->click();
    QCOMPARE(m_window->preview_button->text(), QStringLiteral("试听"));

    m_window->result_box->setText(QStringLiteral("无结果,请检查歌名和歌手。"));
    m_window->preview_button->click();
    QCOMPARE(m_window->preview_button->text(), QStringLiteral("停止"));
}

void PreviewTest::buttons_share_the_player()
{
    m_window->result_box->setText(song(97773));
    m_window->link_box->setText(song(10234));

    m_window->preview_button->click();
    QCOMPARE(m_window->preview_button->text(), QStringLiteral("停止"));
    QCOMPARE(engine().source().toString(), song(97773));
    QTRY_COMPARE_WITH_TIMEOUT(engine().playbackState(), QMediaPlayer::PlayingState, 10000);

    // The upload panel's button takes the player over.
    m_window->upload_preview_button->click();
    QCOMPARE(m_window->upload_preview_button->text(), QStringLiteral("停止"));
    QCOMPARE(engine().source().toString(), song(10234));
    QTRY_COMPARE_WITH_TIMEOUT(engine().playbackState(), QMediaPlayer::PlayingState, 10000);

    // The search panel's button, still on 停止, stops whatever plays.
    m_window->preview_button->click();
    QCOMPARE(m_window->preview_button->text(), QStringLiteral("试听"));
    QTRY_COMPARE_WITH_TIMEOUT(engine().playbackState(), QMediaPlayer::StoppedState, 5000);
    QCOMPARE(m_window->upload_preview_button->text(), QStringLiteral("停止"));

    // The next 试听 opens the box's current link again.
    m_window->result_box->setText(song(41999));
    m_window->preview_button->click();
    QCOMPARE(engine().source().toString(), song(41999));
}

void PreviewTest::pause_button_before_anything_opened()
{
    m_window->pause_button->click();
    QCOMPARE(m_window->pause_button->text(), QStringLiteral("播放"));
    m_window->pause_button->click();
    QCOMPARE(m_window->pause_button->text(), QStringLiteral("暂停"));
    QVERIFY(m_window->media_player->engine() == nullptr ||
            m_window->media_player->engine()->playbackState() == QMediaPlayer::StoppedState);
}

void PreviewTest::open_takes_urls_and_existing_files()
{
    platform::MediaPlayer& player = *m_window->media_player;
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("song.mp3"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    QVERIFY(player.open(text_from_bytes(path.toStdString())));
    QCOMPARE(engine().source(), QUrl::fromLocalFile(path));
    QVERIFY(!player.open(text_from_bytes(directory.filePath(QStringLiteral("missing.mp3")).toStdString())));
    QVERIFY(!player.open(Text()));
    QVERIFY(engine().source().isEmpty());
    QVERIFY(!player.play(-1));
    QVERIFY(player.open(text_from_bytes(song(97773).toStdString())));
    QCOMPARE(engine().source().toString(), song(97773));
}

QTEST_MAIN(PreviewTest)
#include "tst_preview.moc"
