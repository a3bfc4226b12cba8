#pragma once

#include "platform/media/MediaTime.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace fw::video {

using fw::media::MediaTime;

/// The "Frame" format is offered for a file exactly when 0 < frame count < 10,000,000.
bool offersFrameFormat(std::int64_t frameCount);

/// Seconds shown in a decimal spin box (two decimals) as media time, truncated: 0.29 s reads
/// 2,900,000 units, not one unit less from the binary rounding of 0.29.
MediaTime secondsToMediaTime(double seconds);

/// The integer in an edit field, or `fallback` when the text is not an integer.
std::int64_t fieldInteger(const QString& text, std::int64_t fallback);

/// h * 3600 + m * 60 + s seconds as media time; nothing when it does not fit in 64 bits.
std::optional<MediaTime> hmsToMediaTime(std::int64_t h, std::int64_t m, std::int64_t s);

/// Frame n at trunc(n * duration / count); nothing without a frame count or beyond 64 bits.
std::optional<MediaTime> frameToMediaTime(std::int64_t n, MediaTime duration, std::int64_t frameCount);

/// A number of seconds (time format) or frames (frame format) as media time: trunc of the
/// seconds, or trunc(frames * duration / count).
MediaTime spanToMediaTime(bool frameFormat, double seconds, std::int64_t frames, MediaTime duration,
                          std::int64_t frameCount);

/// Which way a step button moves.
enum class StepDirection { Forward, Backward };

/// The target of a step of d from p, or nothing when the step is not possible. A press may
/// reach the ends (p + d <= duration, p - d >= 0); an auto-repeat needs room beyond them
/// (p + d < duration, p - d > 0), so holding a button never lands on the very end.
std::optional<MediaTime> stepTarget(StepDirection direction, MediaTime p, MediaTime d, MediaTime duration, bool repeat);

/// The position text of `VTimeLabel`: "H:MM:SS / H:MM:SS" in time format, "frame / count" in
/// frame format (the frame is trunc(count * position / playerDuration)).
QString positionText(bool frameFormat, MediaTime position, MediaTime playerDuration, const QString& durationText,
                     std::int64_t frameCount);

/// The stamp in a capture's caption and a sample's file name: FormatStamp of the position in
/// time format ("0.01.23,45"), the frame number in frame format.
QString positionStamp(bool frameFormat, MediaTime position, MediaTime playerDuration, std::int64_t frameCount);

/// Goto in time format: the three fields (hours, minutes, seconds; not an integer counts as 0)
/// summed without limits on each. Nothing when the sum is negative or beyond the duration.
std::optional<MediaTime> gotoTimeTarget(const QString& h, const QString& m, const QString& s, MediaTime duration);
/// Goto in frame format: frame n (not an integer: 1) at trunc(n * duration / count). Nothing
/// when negative or beyond the duration.
std::optional<MediaTime> gotoFrameTarget(const QString& frame, MediaTime duration, std::int64_t frameCount);

/// The message of a goto that has nowhere to go.
inline const QString kOutOfRangeMessage = QStringLiteral("Out of range.\r\nDefine time correctly.");

} // namespace fw::video
