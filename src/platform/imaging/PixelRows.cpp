#include "PixelRows.h"

#include <zlib.h>

#include <cstring>

namespace fw::imaging {

bool isGreyRamp(const QImage& image)
{
    if (image.format() == QImage::Format_Grayscale8)
        return true;
    if (image.format() != QImage::Format_Indexed8)
        return false;
    const QList<QRgb> table = image.colorTable();
    for (qsizetype i = 0; i < table.size(); ++i)
        if (table[i] != qRgba(int(i), int(i), int(i), 255))
            return false;
    return true;
}

ByteBuffer packedSamples(const QImage& source, bool grey)
{
    const QImage image = grey ? source : source.convertToFormat(QImage::Format_RGB888);
    if (image.isNull())
        throw ImageError("not enough memory to convert the image");
    const std::size_t rowBytes = std::size_t(image.width()) * (grey ? 1 : 3);
    ByteBuffer out(rowBytes * std::size_t(image.height()));
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(out.data() + rowBytes * std::size_t(y), image.constScanLine(y), rowBytes);
    return out;
}

ByteBuffer deflateBytes(const ByteBuffer& in, int level)
{
    uLongf size = compressBound(uLong(in.size()));
    ByteBuffer out(size);
    if (compress2(out.data(), &size, in.data(), uLong(in.size()), level) != Z_OK)
        throw ImageError("cannot compress the image data");
    out.resize(size);
    return out;
}

} // namespace fw::imaging
