#pragma once

#include "ImageError.h"

#include <QImage>

#include <cstdint>

namespace fw::imaging {

/// Largest width or height any reader accepts, and the largest pixel count. A header that
/// claims more is refused before anything is allocated, so a forged file cannot make the
/// program reserve gigabytes.
constexpr std::int64_t kMaxDimension = 100000;
constexpr std::int64_t kMaxPixels = 256LL * 1024 * 1024;

/// Throws ImageError unless 0 < width, height <= kMaxDimension and width * height <= kMaxPixels.
void checkDimensions(std::int64_t width, std::int64_t height);

/// Allocates an image after checkDimensions; throws ImageError when memory runs out.
/// The pixels are not cleared.
QImage allocateImage(std::int64_t width, std::int64_t height, QImage::Format format);

/// A 256-entry (or `count`-entry) grey ramp palette for Format_Indexed8 images.
QList<QRgb> greyPalette(int count = 256);

} // namespace fw::imaging
