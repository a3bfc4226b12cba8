#include "FfmpegPlayer.h"

#include <QDir>
#include <QFileInfo>

namespace fw::media {

namespace {

/// Longest single wait of the worker, so pause, seek and quit are seen promptly.
constexpr auto kMaxWait = std::chrono::milliseconds(20);
/// How far ahead of the picture sound is decoded while playing.
constexpr MediaTime kSoundLead = kUnitsPerSecond;
/// Sound and pictures further apart than this pull the picture clock to the sound.
constexpr MediaTime kMaxDrift = kUnitsPerSecond / 25;
/// While late, frames are skipped without conversion but one is still shown this often.
constexpr MediaTime kMinShowInterval = kUnitsPerSecond / 5;

MediaTime toMedia(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration_cast<std::chrono::duration<MediaTime, std::ratio<1, kUnitsPerSecond>>>(d).count();
}

} // namespace


FfmpegPlayer::FfmpegPlayer(QObject* parent) : MediaPlayer(parent) {}

FfmpegPlayer::~FfmpegPlayer() { disconnectPlayer(); }

void FfmpegPlayer::setInputFile(const QString& path) { path_ = path; }

bool FfmpegPlayer::connectPlayer()
{
    if (connected_)
        return true;
    error_.clear();
    if (path_.isEmpty()) {
        error_ = QStringLiteral("No video file was given.");
        return false;
    }
    if (!QFileInfo(path_).isFile()) {
        error_ = QStringLiteral("Cannot play \"%1\": the file does not exist.").arg(QDir::toNativeSeparators(path_));
        return false;
    }
    if (!decoder_.open(path_, error_))
        return false;
    duration_ = decoder_.duration();
    frameCount_ = decoder_.frameCount();
    if (frameCount_ > 0 && duration_ > 0)
        frameStep_ = std::max<MediaTime>(1, duration_ / frameCount_);

    if (renderAudio_) {
        // The sink only exists when an audio device takes the sound; without one the file
        // plays silently. Nothing is decoded between these two steps.
        const AudioFormat format = decoder_.enableAudio([this](const AudioChunk& c) {
            if (audio_)
                audio_->push(c);
        });
        audio_ = AudioOutput::create(format);
        if (!audio_)
            decoder_.enableAudio(nullptr);
    }

    position_ = 0;
    atEnd_ = false;
    quit_ = false;
    state_ = PlayerState::Paused;
    connected_ = true;
    publishCurrent(0); // the first picture is at time 0
    worker_ = std::thread([this] { playLoop(); });
    return true;
}

void FfmpegPlayer::stopWorker()
{
    {
        std::lock_guard lock(stateMutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

void FfmpegPlayer::disconnectPlayer()
{
    if (!connected_)
        return;
    stopWorker();
    audio_.reset();
    {
        std::lock_guard lock(decoderMutex_);
        decoder_.close();
    }
    {
        std::lock_guard lock(frameMutex_);
        frame_ = QImage();
        events_.clear();
    }
    connected_ = false;
    state_ = PlayerState::Stopped;
    position_ = 0;
    duration_ = 0;
    frameCount_ = 0;
}

void FfmpegPlayer::anchorClock(MediaTime at)
{
    anchorMedia_ = at;
    anchorWall_ = Clock::now();
}

MediaTime FfmpegPlayer::clockNow()
{
    MediaTime t = anchorMedia_ + toMedia(Clock::now() - anchorWall_);
    MediaTime heard = 0;
    if (audio_ && audio_->clock(heard) && std::abs(heard - t) > kMaxDrift) {
        anchorClock(heard);
        t = heard;
    }
    return t;
}

void FfmpegPlayer::run()
{
    if (!connected_)
        return;
    {
        std::lock_guard lock(stateMutex_);
        anchorClock(position_);
        state_ = PlayerState::Playing;
    }
    if (audio_)
        audio_->start();
    wake_.notify_all();
}

void FfmpegPlayer::pause()
{
    if (!connected_)
        return;
    {
        std::lock_guard lock(stateMutex_);
        state_ = PlayerState::Paused;
    }
    // Let a frame being shown finish: once this returns, the position stays put.
    { std::lock_guard barrier(decoderMutex_); }
    if (audio_)
        audio_->suspend();
    wake_.notify_all();
}

void FfmpegPlayer::stop()
{
    if (!connected_)
        return;
    {
        std::lock_guard lock(stateMutex_);
        state_ = PlayerState::Stopped;
    }
    // Let a frame being shown finish: once this returns, the position stays put.
    { std::lock_guard barrier(decoderMutex_); }
    if (audio_)
        audio_->suspend();
    wake_.notify_all();
}

bool FfmpegPlayer::seekAndWait(MediaTime t)
{
    if (!connected_)
        return false;
    t = std::clamp<MediaTime>(t, 0, duration_);
    bool ok = false;
    {
        // The worker never waits for the decoder while holding the state lock, so taking
        // both here cannot deadlock; holding both makes the new position and clock visible
        // together with the new frame.
        std::lock_guard decoderLock(decoderMutex_);
        ++generation_;
        if (audio_)
            audio_->clear();
        ok = decoder_.seek(t);
        if (ok)
            publishCurrent(t);
        std::lock_guard lock(stateMutex_);
        atEnd_ = false;
        anchorClock(ok ? t : position_.load());
    }
    wake_.notify_all();
    return ok;
}

void FfmpegPlayer::publishCurrent(MediaTime position)
{
    QImage image = grabbing_ ? decoder_.currentImage() : QImage();
    {
        std::lock_guard lock(frameMutex_);
        if (grabbing_)
            frame_ = std::move(image);
    }
    position_ = position;
    QMetaObject::invokeMethod(this, [this] { emit newFrame(); }, Qt::QueuedConnection);
}

void FfmpegPlayer::postEvent(int code)
{
    {
        std::lock_guard lock(frameMutex_);
        events_.push_back(code);
    }
    QMetaObject::invokeMethod(this, [this] { emit eventPending(); }, Qt::QueuedConnection);
}

QImage FfmpegPlayer::currentFrame() const
{
    std::lock_guard lock(frameMutex_);
    return frame_;
}

std::vector<int> FfmpegPlayer::takeEvents()
{
    std::lock_guard lock(frameMutex_);
    std::vector<int> out;
    out.swap(events_);
    return out;
}

void FfmpegPlayer::playLoop()
{
    MediaTime lastShown = -kMinShowInterval;
    while (true) {
        std::unique_lock lock(stateMutex_);
        wake_.wait(lock, [this] { return quit_ || (state_ == PlayerState::Playing && !atEnd_); });
        if (quit_)
            return;
        const std::uint64_t generation = generation_;
        lock.unlock();

        MediaTime due = 0;
        bool more = false;
        {
            std::lock_guard decoderLock(decoderMutex_);
            if (generation != generation_)
                continue;
            more = decoder_.peekNext(due);
            // Keep the sound a second ahead of the picture, so the device never runs dry
            // while the picture waits for its time (the pictures follow the sound's clock).
            if (audio_)
                decoder_.readAheadAudio((more ? due : position_.load()) + kSoundLead);
        }
        lock.lock();
        if (!more) {
            if (generation == generation_ && !atEnd_) {
                atEnd_ = true;
                lock.unlock();
                postEvent(kEventComplete);
            }
            continue;
        }
        // Wait until the frame is due, giving way to pause, seek and quit.
        while (!quit_ && generation == generation_ && state_ == PlayerState::Playing) {
            const MediaTime now = clockNow();
            if (now >= due)
                break;
            const auto wait = std::chrono::microseconds((due - now) / 10);
            wake_.wait_for(lock, std::min<std::chrono::steady_clock::duration>(wait, kMaxWait));
        }
        if (quit_)
            return;
        if (generation != generation_ || state_ != PlayerState::Playing)
            continue;
        const bool late = clockNow() - due > 2 * frameStep_;
        lock.unlock();

        std::lock_guard decoderLock(decoderMutex_);
        if (generation != generation_ || state_ != PlayerState::Playing)
            continue;
        decoder_.advance();
        if (!late || due - lastShown >= kMinShowInterval || due < lastShown) {
            publishCurrent(due);
            lastShown = due;
        } else {
            position_ = due; // behind the clock: skip the picture, keep the time
        }
    }
}

} // namespace fw::media
