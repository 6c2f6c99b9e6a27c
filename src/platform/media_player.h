#pragma once

#include "text/text.h"

#include <QObject>

#include <memory>

class QMediaPlayer;
class QAudioOutput;

namespace sonivane::platform {

// The program's one player: plays an MP3 by HTTP URL or local path. Work
// happens in the background; every operation returns at once. The
// playback engine is made on first use, so start-up does not pay for it.
class MediaPlayer : public QObject {
    Q_OBJECT

public:
    explicit MediaPlayer(QObject* parent = nullptr);
    ~MediaPlayer() override;

    // Closes what was open and opens `address`; true when it names an HTTP
    // or HTTPS URL or an existing file. Nothing plays until play().
    bool open(const Text& address);

    // Starts or resumes playback, from `position` milliseconds unless it is
    // -1 (the current position); clears the paused flag.
    bool play(int position = -1);

    // Pauses when the paused flag is clear, resumes when it is set; then
    // flips the flag.
    bool pause();

    // Stops and rewinds; the address stays open.
    bool stop();

    // For tests and diagnostics: the engine, or null before first use.
    QMediaPlayer* engine() const { return m_player.get(); }

private:
    QMediaPlayer& player();

    std::unique_ptr<QMediaPlayer> m_player;
    std::unique_ptr<QAudioOutput> m_output;
    bool m_opened = false;
    bool m_paused = false;
};

} // namespace sonivane::platform
