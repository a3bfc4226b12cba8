#pragma once

#include <QImage>

namespace fw::imaging {

/// Resampling filters, numbered as the editor's filter list.
enum class ResampleFilter {
    None = 0,     ///< plain stretch: each target pixel takes the source pixel its left/top edge falls in
    Triangle,     ///< triangle (tent) kernel, radius 1, widened when reducing
    Hermite,      ///< Hermite cubic, radius 1, widened when reducing
    Bell,         ///< quadratic Bell, radius 1.5, widened when reducing
    BSpline,      ///< cubic B-spline, radius 2 (smooth, no ringing), widened when reducing
    Lanczos3,     ///< windowed sinc with 3 lobes, radius 3, widened when reducing
    Mitchell,     ///< Mitchell-Netravali (B = C = 1/3), radius 2, widened when reducing
    Nearest,      ///< nearest neighbour, centre-aligned
    Linear,       ///< linear interpolation between the two nearest pixels (not widened)
    FastLinear,   ///< linear interpolation with 8-bit weights in one pass: fastest smooth filter
};

/// Scales `source` to width x height. A 0 keeps that dimension as it is. Kernel filters are
/// applied separably with pixel centres aligned ((x + 0.5) * scale - 0.5), so the picture never
/// shifts; when reducing, their support widens by the reduction factor so every source pixel
/// contributes (area averaging, no aliasing). Returns a BGR888 image.
QImage resample(const QImage& source, int width, int height, ResampleFilter filter);

} // namespace fw::imaging
