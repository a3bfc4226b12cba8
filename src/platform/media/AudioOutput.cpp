#include "AudioOutput.h"
#include "SoundBuffer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>


namespace fw::media {

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
    buffer_->open(QIODevice::ReadOnly | QIODevice::Unbuffered); // the clock counts what the sink took
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
