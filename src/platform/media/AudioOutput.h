#pragma once

#include "VideoDecoder.h"

#include <QObject>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

class QAudioSink;

namespace fw::media {

class SoundBuffer;

/// Plays decoded sound through Qt Multimedia and tells how far playback has got, so the
/// pictures can follow the sound. The sink pulls from a buffer that push() fills; nothing
/// here ever blocks the decoder: a full buffer drops sound, an empty one plays silence.
/// Create, start and suspend on the owner's thread; push(), clear() and clock() from any.
class AudioOutput : public QObject {
public:
    /// Null when there is no audio output device or it refuses the format.
    static std::unique_ptr<AudioOutput> create(const AudioFormat& format, QObject* parent = nullptr);
    ~AudioOutput() override;

    void push(const AudioChunk& chunk);
    /// Drops the buffered sound; the next pushed sound starts the clock again.
    void clear();
    void start();
    void suspend();
    /// Media time of the sound now heard; false while no sound is flowing.
    bool clock(MediaTime& t) const;

private:
    AudioOutput(const AudioFormat& format, QObject* parent);
    AudioFormat format_;
    std::unique_ptr<SoundBuffer> buffer_;
    QAudioSink* sink_ = nullptr;
    std::atomic<MediaTime> latency_{0};
    std::atomic<bool> started_{false};
};

} // namespace fw::media
