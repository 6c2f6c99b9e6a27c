#include "platform/media_player.h"

#include "platform/codepage.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

namespace sonivane::platform {

MediaPlayer::MediaPlayer(QObject* parent) : QObject(parent) {}

MediaPlayer::~MediaPlayer()
{
    if (m_player) {
        m_player->stop();
    }
}

QMediaPlayer& MediaPlayer::player()
{
    if (!m_player) {
        // Debian's FFmpeg backend crashes where there is no sound device;
        // GStreamer falls back to a silent sink.
        if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) {
            qputenv("QT_MEDIA_BACKEND", "gstreamer");
        }
        m_player = std::make_unique<QMediaPlayer>();
        m_output = std::make_unique<QAudioOutput>();
        m_player->setAudioOutput(m_output.get());
    }
    return *m_player;
}

bool MediaPlayer::open(const Text& address)
{
    QMediaPlayer& engine = player();
    engine.stop();
    engine.setSource(QUrl());
    m_opened = false;
    const QString where = codepage::qstring_from_text(address);
    QUrl url;
    if (where.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive) ||
        where.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive)) {
        // The link goes out as written; only what a URL cannot hold is escaped.
        url = QUrl(where, QUrl::TolerantMode);
    } else if (!where.isEmpty() && QFileInfo(where).isFile()) {
        url = QUrl::fromLocalFile(QFileInfo(where).absoluteFilePath());
    }
    if (!url.isValid() || url.isEmpty()) {
        return false;
    }
    engine.setSource(url);
    m_opened = true;
    return true;
}

bool MediaPlayer::play(int position)
{
    m_paused = false;
    if (!m_opened) {
        return false;
    }
    QMediaPlayer& engine = player();
    if (position != -1) {
        engine.setPosition(position);
    }
    engine.play();
    return true;
}

bool MediaPlayer::pause()
{
    const bool was_paused = m_paused;
    m_paused = !m_paused;
    if (!m_opened) {
        return false;
    }
    if (was_paused) {
        player().play();
    } else {
        player().pause();
    }
    return true;
}

bool MediaPlayer::stop()
{
    if (!m_opened) {
        return false;
    }
    QMediaPlayer& engine = player();
    engine.stop();
    engine.setPosition(0);
    return true;
}

} // namespace sonivane::platform
