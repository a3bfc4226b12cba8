#pragma once

#include <QImage>
#include <QList>

namespace fw::imaging {

/// Builds a palette of at most `maxColours` (1..256) colours for an image with an octree:
/// colours are gathered at 6 bits per channel (each leaf keeps the exact mean of its pixels),
/// then the deepest reducible nodes holding the fewest pixels are merged first until the leaves
/// fit. An image with no more distinct colours than `maxColours` gets exactly its colours.
/// Any QImage format is accepted (alpha is ignored).
QList<QRgb> buildPalette(const QImage& image, int maxColours);

/// Maps an image onto `palette` (1..256 entries) and returns an Indexed8 image carrying that
/// palette. With `dither`, Floyd-Steinberg error diffusion (serpentine rows unless `serpentine`
/// is false; diffused values are clamped to 0..255) spreads the quantization error.
/// Pixels whose colour is in the palette always map to that entry when not dithering.
QImage mapToPalette(const QImage& image, const QList<QRgb>& palette, bool dither, bool serpentine = true);

/// Reduces an image to at most `maxColours` colours: Indexed8 result. An image that already
/// has no more than `maxColours` distinct colours comes out exact, without dithering noise.
QImage quantize(const QImage& image, int maxColours, bool dither);

} // namespace fw::imaging
