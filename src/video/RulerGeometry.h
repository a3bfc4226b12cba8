#pragma once

#include "platform/media/MediaTime.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace fw::video {

/// The position ruler under the player's picture (a box 42 pixels high):
///
///     0:00:00    0:10:00    0:20:00          labels, tops at y = 3
///        |  '  '  |  '  '  '  |  '  '        major ticks y 17..24, minor 20..24
///     ---+--------------------+---------     axis at y = 22, from x = 25 to width - 25
///                 /\                         marker: apex at y = 26, base at y = 34
///
/// Positions map linearly onto the axis: x = 25 + trunc(U * position / duration), with
/// U = width - 50 the usable width. Labels are spread one per 44.5 pixels at most; the major
/// step is the first "round" quantity (seconds or frames) that keeps them apart, with five
/// minor divisions between majors.
inline constexpr int kRulerMargin = 25;   ///< `RulerMargin`, at each end
inline constexpr int kRulerBaseline = 22; ///< `RulerBaseline`, from the top of the box
inline constexpr int kRulerHeight = 42;

struct RulerLabel {
    int x = 0; ///< left edge of the text; its top is at y = 3
    QString text;
};

struct RulerLayout {
    int axisFrom = kRulerMargin;
    int axisTo = kRulerMargin;
    std::int64_t majorStep = 1; ///< seconds (time format) or frames
    std::vector<int> majorTicks; ///< x of each major tick
    std::vector<int> minorTicks; ///< x of each minor tick
    std::vector<RulerLabel> labels;
    int markerX = kRulerMargin;
};

/// What the ruler shows: the clip length, the frame count (frame format) and the position.
struct RulerInput {
    int width = 0;                     ///< box width Wp in pixels
    fw::media::MediaTime duration = 1; ///< `VideoDuration`; 0 counts as 1
    bool frameFormat = false;
    std::int64_t frameCount = 0;       ///< `VideoFrameCount`, used in frame format
    fw::media::MediaTime position = 0; ///< `VideoPosition`
};

/// The whole ruler. A counted quantity of 0 (a clip shorter than a second in time format, or no
/// frame count) gives the axis, the marker and a single label at 0. Absurdly long clips coarsen
/// the major step so that there are never more ticks than pixels along the axis.
RulerLayout layoutRuler(const RulerInput& in);

/// Marker column for a position: 25 + trunc(U * position / duration).
int rulerMarkerX(int width, fw::media::MediaTime duration, fw::media::MediaTime position);

/// True when a mouse point lies in the band that seeks: 20 <= x <= width - 20, 14 <= y <= 38.
bool rulerHit(int width, int x, int y);

/// The position under column x, limited to the axis: trunc((x - 25) * duration / U).
fw::media::MediaTime rulerPositionAt(int width, fw::media::MediaTime duration, int x);

} // namespace fw::video
