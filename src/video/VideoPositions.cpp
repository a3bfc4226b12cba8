#include "VideoPositions.h"

#include "platform/media/RangePlan.h"

#include <cmath>
#include <limits>

namespace fw::video {

bool offersFrameFormat(std::int64_t frameCount) { return frameCount > 0 && frameCount < 10'000'000; }

MediaTime secondsToMediaTime(double seconds)
{
    // Whole nanoseconds first (rounded), so a value that the spin box shows as 0.29 is not
    // read as 0.28999999..., then truncated to 100-nanosecond units.
    return MediaTime(std::llround(seconds * 1e9) / 100);
}

std::int64_t fieldInteger(const QString& text, std::int64_t fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : fallback;
}

std::optional<MediaTime> hmsToMediaTime(std::int64_t h, std::int64_t m, std::int64_t s)
{
    const __int128 units = (static_cast<__int128>(h) * 3600 + static_cast<__int128>(m) * 60 + s) * fw::media::kUnitsPerSecond;
    if (units > std::numeric_limits<MediaTime>::max() || units < std::numeric_limits<MediaTime>::min())
        return std::nullopt;
    return MediaTime(units);
}

std::optional<MediaTime> frameToMediaTime(std::int64_t n, MediaTime duration, std::int64_t frameCount)
{
    if (frameCount <= 0)
        return std::nullopt;
    const __int128 t = static_cast<__int128>(n) * duration / frameCount;
    if (t > std::numeric_limits<MediaTime>::max() || t < std::numeric_limits<MediaTime>::min())
        return std::nullopt;
    return MediaTime(t);
}

MediaTime spanToMediaTime(bool frameFormat, double seconds, std::int64_t frames, MediaTime duration,
                          std::int64_t frameCount)
{
    return frameFormat ? fw::media::frameTime(frames, duration, frameCount) : secondsToMediaTime(seconds);
}

std::optional<MediaTime> stepTarget(StepDirection direction, MediaTime p, MediaTime d, MediaTime duration, bool repeat)
{
    if (direction == StepDirection::Forward) {
        const MediaTime t = p + d;
        return (repeat ? t < duration : t <= duration) ? std::optional(t) : std::nullopt;
    }
    const MediaTime t = p - d;
    return (repeat ? t > 0 : t >= 0) ? std::optional(t) : std::nullopt;
}

QString positionText(bool frameFormat, MediaTime position, MediaTime playerDuration, const QString& durationText,
                     std::int64_t frameCount)
{
    if (frameFormat)
        return QString::number(fw::media::frameAt(position, playerDuration, frameCount)) + QStringLiteral(" / ")
               + QString::number(frameCount);
    return fw::media::FormatHMS(position) + QStringLiteral(" / ") + durationText;
}

QString positionStamp(bool frameFormat, MediaTime position, MediaTime playerDuration, std::int64_t frameCount)
{
    return frameFormat ? QString::number(fw::media::frameAt(position, playerDuration, frameCount))
                       : fw::media::FormatStamp(position);
}

std::optional<MediaTime> gotoTimeTarget(const QString& h, const QString& m, const QString& s, MediaTime duration)
{
    const auto target = hmsToMediaTime(fieldInteger(h, 0), fieldInteger(m, 0), fieldInteger(s, 0));
    if (!target || *target < 0 || *target > duration)
        return std::nullopt;
    return target;
}

std::optional<MediaTime> gotoFrameTarget(const QString& frame, MediaTime duration, std::int64_t frameCount)
{
    if (frameCount <= 0)
        return std::nullopt;
    const auto target = frameToMediaTime(fieldInteger(frame, 1), duration, frameCount);
    if (!target || *target < 0 || *target > duration)
        return std::nullopt;
    return target;
}

} // namespace fw::video
