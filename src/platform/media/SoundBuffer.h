#pragma once

#include "VideoDecoder.h"

#include <QIODevice>

#include <deque>
#include <mutex>

namespace fw::media {

/// The decoded sound waiting to be played: the decoder pushes, the audio sink's thread reads.
/// It never makes either wait: sound that does not fit in four seconds is dropped, and a read
/// with too little buffered is filled up with silence so the device keeps running. It also
/// tells the media time of the next sample to be read, which is the playback clock. Open it
/// unbuffered, so that what the sink has taken is what was read.
class SoundBuffer : public QIODevice {
public:
    explicit SoundBuffer(const AudioFormat& format);

    void push(const AudioChunk& chunk);
    /// Drops everything; the next push sets the time again.
    void clear();
    /// Media time of the next sample the sink takes; false when nothing is buffered.
    bool position(MediaTime& t) const;
    /// Bytes waiting.
    qint64 buffered() const;

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 1 << 20; }

protected:
    qint64 readData(char* out, qint64 max) override;
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

} // namespace fw::media
