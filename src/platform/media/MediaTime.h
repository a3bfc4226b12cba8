#pragma once

#include <QString>

#include <cstdint>

namespace fw::media {

/// Positions and durations in 100-nanosecond units.
using MediaTime = std::int64_t;
inline constexpr MediaTime kUnitsPerSecond = 10'000'000;

/// "H:MM:SS" of the whole seconds in t (3725 s reads "1:02:05").
QString FormatHMS(MediaTime t);

/// "H.MM.SS,hh" of the whole hundredths in t (83.45 s reads "0.01.23,45"); it holds no colon,
/// so it can be part of a file name.
QString FormatStamp(MediaTime t);

} // namespace fw::media
