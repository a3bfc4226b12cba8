#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

namespace fw::imaging {

/// The part of `source` inside `rect`, limited to the image. A rectangle that misses the
/// image entirely (or is empty) leaves the image unchanged. Returns BGR888.
QImage crop(const QImage& source, const QRect& rect);

/// Turns the whole picture by `degrees` (positive: counter-clockwise). Multiples of 90 are
/// exact pixel moves (90: the top row becomes the left column; 270: the left column becomes
/// the top row). Other angles enlarge the canvas to hold the turned picture and fill the
/// uncovered corners with `background`; with `antialias` the pixels are sampled bilinearly,
/// otherwise the nearest pixel is taken. Returns BGR888.
///
///        +----+            /\        canvas: ceil(w|cos| + h|sin|) x ceil(w|sin| + h|cos|)
///        |    |   45 deg  /  \       corners outside the turned picture: background
///        +----+           \  /
///                          \/
QImage turn(const QImage& source, int degrees, bool antialias, QColor background);

enum class MirrorDirection { LeftRight = 0, TopBottom = 1 };

/// Mirrors the picture. Returns BGR888.
QImage mirror(const QImage& source, MirrorDirection direction);

} // namespace fw::imaging
