#include "RulerGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace fw::video {

using fw::media::MediaTime;

namespace {

constexpr std::array<std::int64_t, 11> kTimeSteps = {1, 5, 10, 15, 30, 60, 300, 600, 900, 1800, 3600};
constexpr std::int64_t kTimeStepBeyond = 18000;
constexpr std::array<std::int64_t, 11> kFrameSteps = {1, 5, 10, 50, 100, 500, 1000, 5000, 10000, 50000, 100000};
constexpr std::int64_t kFrameStepBeyond = 500000;

std::int64_t majorStepFor(double q, bool frameFormat)
{
    const auto& steps = frameFormat ? kFrameSteps : kTimeSteps;
    for (std::int64_t r : steps)
        if (q <= double(r))
            return r;
    return frameFormat ? kFrameStepBeyond : kTimeStepBeyond;
}

QString labelText(std::int64_t value, bool frameFormat)
{
    return frameFormat ? QString::number(value) : fw::media::FormatHMS(value * fw::media::kUnitsPerSecond);
}

// Pixel columns truncate toward zero, like every real-to-pixel conversion of the ruler.
int truncPixel(double v) { return int(std::trunc(v)); }

} // namespace

int rulerMarkerX(int width, MediaTime duration, MediaTime position)
{
    const int usable = width - 2 * kRulerMargin;
    if (usable <= 0)
        return kRulerMargin;
    const MediaTime d = duration == 0 ? 1 : duration;
    return kRulerMargin + int(static_cast<__int128>(usable) * position / d);
}

bool rulerHit(int width, int x, int y)
{
    return x >= kRulerMargin - 5 && x <= width - kRulerMargin + 5 && y >= kRulerBaseline - 8 && y <= kRulerBaseline + 16;
}

MediaTime rulerPositionAt(int width, MediaTime duration, int x)
{
    const int usable = width - 2 * kRulerMargin;
    if (usable <= 0)
        return 0;
    const MediaTime d = duration == 0 ? 1 : duration;
    const int cx = std::clamp(x, kRulerMargin, width - kRulerMargin);
    return MediaTime(static_cast<__int128>(cx - kRulerMargin) * d / usable);
}

RulerLayout layoutRuler(const RulerInput& in)
{
    RulerLayout out;
    const int usable = in.width - 2 * kRulerMargin;
    const MediaTime d = in.duration == 0 ? 1 : in.duration;
    out.axisFrom = kRulerMargin;
    out.axisTo = std::max(kRulerMargin, in.width - kRulerMargin);
    out.markerX = rulerMarkerX(in.width, d, in.position);
    if (usable <= 0)
        return out;

    const std::int64_t counted =
        in.frameFormat ? std::max<std::int64_t>(0, in.frameCount) : std::max<MediaTime>(0, d / fw::media::kUnitsPerSecond);
    if (counted == 0) {
        // Nothing to divide: the start is all there is to label.
        out.labels.push_back({kRulerMargin - 17, labelText(0, in.frameFormat)});
        return out;
    }

    const double labelsThatFit = usable * 22.0 / 980.0;
    std::int64_t r = majorStepFor(double(counted) / labelsThatFit, in.frameFormat);
    // A corrupt length of thousands of hours would ask for millions of ticks on a few hundred
    // pixels; coarsen the step until there is at most one major tick per pixel.
    if (counted / r > usable)
        r *= (counted / r + usable - 1) / usable;
    out.majorStep = r;

    const std::int64_t n = counted / r;
    const double spacing = double(usable) * double(r) / double(counted);
    for (std::int64_t i = 0; i <= n; ++i) {
        out.majorTicks.push_back(kRulerMargin + truncPixel(double(i) * spacing));
        out.labels.push_back({kRulerMargin + truncPixel(double(i) * spacing - 17), labelText(r * i, in.frameFormat)});
    }
    const std::int64_t minorCount = 5 * counted / r;
    for (std::int64_t i = 0; i <= minorCount; ++i)
        out.minorTicks.push_back(kRulerMargin + truncPixel(double(i) * spacing / 5));
    return out;
}

} // namespace fw::video
