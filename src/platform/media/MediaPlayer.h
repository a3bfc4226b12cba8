#pragma once

#include "MediaTime.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace fw::media {

enum class PlayerState { Stopped, Paused, Playing };

/// Event code posted when playback reaches the end of the stream.
inline constexpr int kEventComplete = 1;

/// A video player: plays one file, offers every decoded frame as a 24-bit picture and
/// seeks exactly. All calls are made from the thread that owns the object (the UI thread);
/// decoding runs elsewhere and its notifications are queued to the owner's thread.
///
/// The window talks to this interface only, so tests can drive it with a scripted player.
class MediaPlayer : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~MediaPlayer() override = default;

    virtual void setInputFile(const QString& path) = 0;
    virtual QString inputFile() const = 0;
    /// Each decoded frame becomes available through currentFrame() and raises newFrame().
    virtual void setFrameGrabbing(bool on) = 0;
    /// Play the file's sound too (silently skipped when there is no audio device).
    virtual void setRenderAudio(bool on) = 0;

    /// Opens the input file and builds the decoding chain; paused on the first frame.
    /// False when the file cannot be opened or decoded; lastError() says why, naming the file.
    virtual bool connectPlayer() = 0;
    virtual void disconnectPlayer() = 0;
    virtual bool isConnected() const = 0;
    virtual QString lastError() const = 0;

    virtual void run() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual PlayerState state() const = 0;

    virtual MediaTime duration() const = 0;
    virtual MediaTime position() const = 0;
    /// Number of video frames when the container or a constant frame rate tells it, else 0.
    virtual std::int64_t frameCount() const = 0;

    /// Moves to t (limited to 0..duration) and returns once the frame whose display interval
    /// holds t is decoded and current; position() then reads t. False on a decoding error.
    virtual bool seekAndWait(MediaTime t) = 0;

    /// The frame now current, upright and at its display aspect ratio (Format_RGB888 or
    /// Format_BGR888); null before the first frame.
    virtual QImage currentFrame() const = 0;

    /// Pending event codes, oldest first; the queue is emptied.
    virtual std::vector<int> takeEvents() = 0;

signals:
    /// A new frame became current (queued to the owner's thread).
    void newFrame();
    /// At least one event is pending (queued to the owner's thread).
    void eventPending();
};

/// The FFmpeg-based player.
std::unique_ptr<MediaPlayer> createPlayer(QObject* parent = nullptr);

/// Length in frames of the first video stream of an AVI file, from its stream header;
/// 0 when the file or its video stream cannot be read.
std::uint32_t aviVideoFrameCount(const QString& path);

} // namespace fw::media
