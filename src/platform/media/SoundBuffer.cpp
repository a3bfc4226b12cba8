#include "SoundBuffer.h"

#include <algorithm>
#include <cstring>

namespace fw::media {

SoundBuffer::SoundBuffer(const AudioFormat& format)
    : format_(format), bytesPerFrame_(std::max(1, 2 * format.channels))
{
    maxBytes_ = size_t(std::max(format.sampleRate, 0)) * size_t(bytesPerFrame_) * 4; // four seconds
}

void SoundBuffer::push(const AudioChunk& chunk)
{
    if (chunk.frames <= 0 || !chunk.samples || format_.sampleRate <= 0)
        return;
    std::lock_guard lock(mutex_);
    const size_t bytes = size_t(chunk.frames) * size_t(bytesPerFrame_);
    if (data_.size() + bytes > maxBytes_)
        return;
    if (!timed_) {
        startTime_ = chunk.start;
        played_ = 0;
        timed_ = true;
    }
    const auto* p = reinterpret_cast<const char*>(chunk.samples);
    data_.insert(data_.end(), p, p + bytes);
}

void SoundBuffer::clear()
{
    std::lock_guard lock(mutex_);
    data_.clear();
    timed_ = false;
}

bool SoundBuffer::position(MediaTime& t) const
{
    std::lock_guard lock(mutex_);
    if (!timed_ || data_.empty() || format_.sampleRate <= 0)
        return false;
    t = startTime_ + MediaTime(played_ / bytesPerFrame_) * kUnitsPerSecond / format_.sampleRate;
    return true;
}

qint64 SoundBuffer::buffered() const
{
    std::lock_guard lock(mutex_);
    return qint64(data_.size());
}

qint64 SoundBuffer::readData(char* out, qint64 max)
{
    std::lock_guard lock(mutex_);
    const qint64 whole = max - max % bytesPerFrame_;
    const qint64 n = std::min<qint64>(whole, qint64(data_.size()));
    std::copy(data_.begin(), data_.begin() + n, out);
    data_.erase(data_.begin(), data_.begin() + n);
    played_ += n;
    std::memset(out + n, 0, size_t(whole - n));
    return whole;
}

} // namespace fw::media
