#pragma once

#include <QSize>

namespace fw::video {

/// The player window's size after the first frame of a file: grown so that a frame larger than
/// the picture area shows whole (when the screen has room), and back to 695 x 470 in each
/// direction where the frame is small (narrower than 523 or lower than 367 pixels).
///
/// `window` is the window's size now, `view` the picture area's, `frame` the frame's and
/// `screen` the screen's.
QSize firstFrameWindowSize(QSize window, QSize view, QSize frame, QSize screen);

inline constexpr int kPlayerWindowWidth = 695;
inline constexpr int kPlayerWindowHeight = 470;

} // namespace fw::video
