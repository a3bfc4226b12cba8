#pragma once

#include "MediaTime.h"

#include <QString>

#include <cstdint>

namespace fw::media {

/// Frame n of a clip with `count` frames and length `duration` starts at n * duration / count.
MediaTime frameTime(std::int64_t n, MediaTime duration, std::int64_t count);
/// The frame shown at t: trunc(count * t / duration); 0 when the count or duration is unknown.
std::int64_t frameAt(MediaTime t, MediaTime duration, std::int64_t count);

/// Samples IN, IN + d, IN + 2d, ... up to and including the last one not beyond OUT.
struct RangePlan {
    MediaTime in = 0;
    MediaTime out = 0;
    MediaTime interval = 0;

    /// OUT not before IN, both within the duration, and an interval that advances.
    bool valid(MediaTime duration) const { return in >= 0 && out >= in && out <= duration && in <= duration && interval > 0; }
    /// Number of samples, trunc((OUT - IN) / d) + 1 (0 when the interval does not advance).
    std::int64_t count() const { return interval > 0 ? (out - in) / interval + 1 : 0; }
    MediaTime at(std::int64_t i) const { return in + i * interval; }
};

/// The name proposed for a range save: base name, "_", the extension without its dot
/// ("clip.avi" proposes "clip_avi"; a name without extension proposes its base name).
QString proposedRangeName(const QString& videoPath);

/// Folder + base + "[" + stamp + "]" + extension (extension with its dot); folder may be empty.
QString rangeSampleFileName(const QString& folder, const QString& base, const QString& stamp, const QString& extension);

} // namespace fw::media
