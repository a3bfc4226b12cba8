#include "ImageLimits.h"

#include <string>

namespace fw::imaging {

void checkDimensions(std::int64_t width, std::int64_t height)
{
    if (width <= 0 || height <= 0)
        throw ImageError("invalid image size " + std::to_string(width) + " x " + std::to_string(height));
    if (width > kMaxDimension || height > kMaxDimension || width * height > kMaxPixels)
        throw ImageError("image size " + std::to_string(width) + " x " + std::to_string(height)
                         + " exceeds the supported maximum");
}

QImage allocateImage(std::int64_t width, std::int64_t height, QImage::Format format)
{
    checkDimensions(width, height);
    QImage image(static_cast<int>(width), static_cast<int>(height), format);
    if (image.isNull())
        throw ImageError("not enough memory for a " + std::to_string(width) + " x " + std::to_string(height)
                         + " image");
    return image;
}

QList<QRgb> greyPalette(int count)
{
    QList<QRgb> palette;
    palette.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int v = count > 1 ? i * 255 / (count - 1) : 0;
        palette.append(qRgb(v, v, v));
    }
    return palette;
}

} // namespace fw::imaging
