#pragma once

#include "AudioOutput.h"
#include "MediaPlayer.h"
#include "VideoDecoder.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace fw::media {

/// MediaPlayer on the FFmpeg libraries. A worker thread decodes and shows frames on time while
/// playing; seeks run on the caller's thread and hold the decoder while they work. Pictures
/// follow the sound when an audio device plays it, else the system clock.
///
/// Behaviour the window relies on:
/// - connectPlayer() leaves the player Paused at position 0 with the first frame current.
/// - newFrame() is queued for every frame made current: after connecting, after each seek,
///   and for each frame shown while playing (late frames are skipped, at least 5 a second shown).
/// - stop() halts where it is (Stopped) without rewinding; seekAndWait(0) rewinds.
/// - At the end of the stream one kEventComplete is queued and the state stays Playing until
///   the owner stops or seeks; run() at the end does nothing more.
/// - position() is the sought time after a seek, and the shown frame's time while playing.
/// - duration() is the length of the pictures (the video stream), or of the file when the
///   stream does not say.
class FfmpegPlayer : public MediaPlayer {
    Q_OBJECT

public:
    explicit FfmpegPlayer(QObject* parent = nullptr);
    ~FfmpegPlayer() override;

    void setInputFile(const QString& path) override;
    QString inputFile() const override { return path_; }
    void setFrameGrabbing(bool on) override { grabbing_ = on; }
    void setRenderAudio(bool on) override { renderAudio_ = on; }

    bool connectPlayer() override;
    void disconnectPlayer() override;
    bool isConnected() const override { return connected_; }
    QString lastError() const override { return error_; }

    void run() override;
    void pause() override;
    void stop() override;
    PlayerState state() const override { return state_; }

    MediaTime duration() const override { return duration_; }
    MediaTime position() const override { return position_; }
    std::int64_t frameCount() const override { return frameCount_; }

    bool seekAndWait(MediaTime t) override;
    QImage currentFrame() const override;
    std::vector<int> takeEvents() override;

    /// True when the sound is being played (an audio device took it).
    bool playsAudio() const { return audio_ != nullptr; }

private:
    using Clock = std::chrono::steady_clock;

    void playLoop();
    /// Makes the decoder's current frame the one shown (converted when grabbing is on).
    void publishCurrent(MediaTime position);
    void postEvent(int code);
    /// Media time of the playback clock; call with stateMutex_ held.
    MediaTime clockNow();
    void anchorClock(MediaTime at);
    void stopWorker();

    QString path_;
    QString error_;
    std::atomic<bool> grabbing_{false};
    bool renderAudio_ = false;
    bool connected_ = false;
    MediaTime duration_ = 0;
    std::int64_t frameCount_ = 0;
    MediaTime frameStep_ = kUnitsPerSecond / 25;

    VideoDecoder decoder_;
    std::mutex decoderMutex_; ///< held while the decoder works (worker or seeks)
    std::unique_ptr<AudioOutput> audio_;

    std::thread worker_;
    std::mutex stateMutex_; ///< guards what the worker waits on
    std::condition_variable wake_;
    bool quit_ = false;
    bool atEnd_ = false;
    std::atomic<PlayerState> state_{PlayerState::Stopped};
    std::atomic<std::uint64_t> generation_{0}; ///< advanced by each seek: a waiting frame is dropped
    std::atomic<MediaTime> position_{0};
    MediaTime anchorMedia_ = 0;
    Clock::time_point anchorWall_{};

    mutable std::mutex frameMutex_;
    QImage frame_;
    std::vector<int> events_;
};

} // namespace fw::media
