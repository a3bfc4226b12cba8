#pragma once

#include "ImageFormat.h"
#include "Resolution.h"

#include <QImage>

namespace fw::imaging {

/// What a reader returns.
///
/// `image` is one of:
///  - QImage::Format_BGR888   24-bit colour (the program's frame format)
///  - QImage::Format_Indexed8 palette images, grey images (grey ramp palette) and 1/4-bit images
///  - QImage::Format_ARGB32   images with an alpha channel (not premultiplied)
/// `dpi` is the resolution the file records, or unknown (0, 0).
struct LoadedImage {
    QImage image;
    Resolution dpi;
    ImageFormat format = ImageFormat::Unknown;
};

} // namespace fw::imaging
