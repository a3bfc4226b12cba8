#pragma once

#include "platform/media/MediaPlayer.h"

#include <QHash>
#include <QSize>
#include <QStringList>

namespace fw::test {

/// A player for window tests: files are registered with a length, a frame count and a frame
/// size; every frame's colour encodes its position (see colourAt), so a test can tell which
/// frame a picture came from. Playback advances only when the test says so (advance), which
/// raises newFrame and, at the end, the end-of-stream event. Every call is logged.
class ScriptedPlayer : public media::MediaPlayer {
    Q_OBJECT

public:
    struct Clip {
        media::MediaTime duration = 10 * media::kUnitsPerSecond;
        std::int64_t frameCount = 250;
        QSize frameSize{320, 240};
        bool opens = true;
    };

    /// Makes `path` playable (or, with opens false, a file that fails to open).
    void addFile(const QString& path, const Clip& clip) { clips_.insert(path, clip); }

    /// The picture of the frame at t: red, green and blue hold t in hundredths of a second
    /// (red the lowest byte), so positionOf(colourAt(t)) is t rounded down to 1/100 s.
    static QColor colourAt(media::MediaTime t);
    static media::MediaTime positionOf(const QColor& colour);

    /// Plays on by dt (only while playing): the position moves, newFrame is raised; reaching
    /// the end queues event 1 and raises eventPending.
    void advance(media::MediaTime dt);
    /// Queues an event code and raises eventPending.
    void postEvent(int code);

    /// Seeks from the n-th call on (0-based) fail; -1 never.
    int failSeeksFrom = -1;
    /// Called at every seek, after the position moved (tests use it to act mid-run).
    std::function<void(media::MediaTime)> onSeek;

    QStringList calls; ///< "connect", "run", "pause", "stop", "seek 12345", "disconnect", ...
    int seekCount = 0;

    // MediaPlayer
    void setInputFile(const QString& path) override { input_ = path; }
    QString inputFile() const override { return input_; }
    void setFrameGrabbing(bool on) override { grabbing_ = on; }
    void setRenderAudio(bool) override {}
    bool connectPlayer() override;
    void disconnectPlayer() override;
    bool isConnected() const override { return connected_; }
    QString lastError() const override { return error_; }
    void run() override;
    void pause() override;
    void stop() override;
    media::PlayerState state() const override { return state_; }
    media::MediaTime duration() const override { return connected_ ? clip_.duration : 0; }
    media::MediaTime position() const override { return connected_ ? position_ : 0; }
    std::int64_t frameCount() const override { return connected_ ? clip_.frameCount : 0; }
    bool seekAndWait(media::MediaTime t) override;
    QImage currentFrame() const override;
    std::vector<int> takeEvents() override;

private:
    QHash<QString, Clip> clips_;
    Clip clip_;
    QString input_;
    QString error_;
    bool grabbing_ = false;
    bool connected_ = false;
    media::PlayerState state_ = media::PlayerState::Stopped;
    media::MediaTime position_ = 0;
    std::vector<int> events_;
};

} // namespace fw::test
