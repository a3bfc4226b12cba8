#pragma once

#include "Bytes.h"

#include <QImage>

namespace fw::imaging {

/// True for a Grayscale8 image, or an Indexed8 one whose palette is the opaque ramp
/// 0..255 (entry i is grey i), so its indices can be written as grey samples directly.
bool isGreyRamp(const QImage& image);

/// The image as unpadded rows of 8-bit samples: 1 per pixel (grey, for a grey ramp image)
/// or 3 per pixel in R, G, B order.
ByteBuffer packedSamples(const QImage& image, bool grey);

/// zlib-compressed bytes (the Flate filter of PostScript and PDF).
ByteBuffer deflateBytes(const ByteBuffer& in, int level = 6);

} // namespace fw::imaging
