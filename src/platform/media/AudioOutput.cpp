#include "AudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

#include <algorithm>
#include <cstring>
#include <vector>

namespace fw::media {

/// The sound waiting to be played, read by the audio sink's thread.
class SoundBuffer : public QIODevice {
public:
    SoundBuffer(const AudioFormat& format) : format_(format), bytesPerFrame_(2 * format.channels)
    {
        maxBytes_ = size_t(format.sampleRate) * size_t(bytesPerFrame_) * 4; // four seconds
    }

    void push(const AudioChunk& chunk)
    {
        std::lock_guard lock(mutex_);
        const size_t bytes = size_t(chunk.frames) * size_t(bytesPerFrame_);
        if (data_.size() + bytes > maxBytes_)
            return; // never wait for the sink: drop what does not fit
        if (!timed_) {
            startTime_ = chunk.start;
            played_ = 0;
            timed_ = true;
        }
        const auto* p = reinterpret_cast<const char*>(chunk.samples);
        data_.insert(data_.end(), p, p + bytes);
    }

    void clear()
    {
        std::lock_guard lock(mutex_);
        data_.clear();
        timed_ = false;
    }

    /// Media time of the next byte the sink takes; false when nothing is buffered.
    bool position(MediaTime& t) const
    {
        std::lock_guard lock(mutex_);
        if (!timed_ || data_.empty())
            return false;
        t = startTime_ + MediaTime(played_ / bytesPerFrame_) * kUnitsPerSecond / format_.sampleRate;
        return true;
    }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 1 << 20; }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        std::lock_guard lock(mutex_);
        const qint64 whole = max - max % bytesPerFrame_;
        const qint64 n = std::min<qint64>(whole, qint64(data_.size()));
        std::copy(data_.begin(), data_.begin() + n, out);
        data_.erase(data_.begin(), data_.begin() + n);
        played_ += n;
        // Silence while the decoder catches up keeps the device running.
        std::memset(out + n, 0, size_t(whole - n));
        return whole;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    AudioFormat format_;
    int bytesPerFrame_;
    size_t maxBytes_;
    mutable std::mutex mutex_;
    std::deque<char> data_;
    MediaTime startTime_ = 0;
    qint64 played_ = 0;
    bool timed_ = false;
};

std::unique_ptr<AudioOutput> AudioOutput::create(const AudioFormat& format, QObject* parent)
{
    if (format.channels <= 0 || format.sampleRate <= 0)
        return nullptr;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return nullptr;
    QAudioFormat f;
    f.setSampleRate(format.sampleRate);
    f.setChannelCount(format.channels);
    f.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(f))
        return nullptr;
    std::unique_ptr<AudioOutput> out(new AudioOutput(format, parent));
    out->sink_ = new QAudioSink(device, f, out.get());
    return out;
}

AudioOutput::AudioOutput(const AudioFormat& format, QObject* parent)
    : QObject(parent), format_(format), buffer_(std::make_unique<SoundBuffer>(format))
{
    buffer_->open(QIODevice::ReadOnly);
}

AudioOutput::~AudioOutput()
{
    if (sink_)
        sink_->stop();
}

void AudioOutput::push(const AudioChunk& chunk) { buffer_->push(chunk); }
void AudioOutput::clear() { buffer_->clear(); }

void AudioOutput::start()
{
    if (!started_) {
        sink_->start(buffer_.get());
        started_ = sink_->error() == QAudio::NoError;
        const int bytesPerSecond = format_.sampleRate * format_.channels * 2;
        if (started_ && bytesPerSecond > 0)
            latency_ = MediaTime(sink_->bufferSize()) * kUnitsPerSecond / bytesPerSecond;
    } else {
        sink_->resume();
    }
}

void AudioOutput::suspend()
{
    if (started_)
        sink_->suspend();
}

bool AudioOutput::clock(MediaTime& t) const
{
    if (!started_ || !buffer_->position(t))
        return false;
    t -= latency_; // the sink's own buffer is still to be heard
    return true;
}

} // namespace fw::media
