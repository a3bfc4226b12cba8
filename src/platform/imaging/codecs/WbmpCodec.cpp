// Wireless bitmaps, type 0: a multi-byte width and height, then one bit per pixel (1 = white),
// rows padded to whole bytes. The format has no signature, so it is read by extension only.

#include "CodecList.h"

#include "../ImageLimits.h"

#include <string>

namespace fw::imaging {

namespace {

/// A multi-byte integer: 7 bits per byte, high bit set on every byte but the last. Five
/// bytes at most (35 bits) so a forged run of continuation bytes cannot overflow.
std::uint64_t readMultiByte(ByteReader& r, const char* what)
{
    std::uint64_t value = 0;
    for (int i = 0; i < 5; ++i) {
        const std::uint8_t b = r.u8();
        value = value << 7 | (b & 0x7f);
        if (!(b & 0x80))
            return value;
    }
    throw ImageError(std::string("invalid ") + what + " (too many continuation bytes)");
}

LoadedImage readWbmp(ByteView data)
{
    ByteReader r(data, "wireless bitmap");
    const std::uint64_t type = readMultiByte(r, "type");
    if (type != 0)
        throw ImageError("unsupported wireless bitmap type " + std::to_string(type));
    const std::uint8_t fixed = r.u8();
    if (fixed & 0x80)
        throw ImageError("extension headers are not supported");
    const std::uint64_t w = readMultiByte(r, "width");
    const std::uint64_t h = readMultiByte(r, "height");
    checkDimensions(std::int64_t(w), std::int64_t(h));
    const std::size_t rowBytes = std::size_t((w + 7) / 8);
    const std::size_t needed = rowBytes * std::size_t(h);
    if (r.remaining() < needed)
        throw ImageError("truncated pixel data (" + std::to_string(r.remaining()) + " of " + std::to_string(needed)
                         + " bytes)");
    LoadedImage out;
    out.image = allocateImage(std::int64_t(w), std::int64_t(h), QImage::Format_Indexed8);
    out.image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (std::uint64_t y = 0; y < h; ++y) {
        const ByteView row = r.bytes(rowBytes);
        uchar* dst = out.image.scanLine(int(y));
        for (std::uint64_t x = 0; x < w; ++x)
            dst[x] = uchar((row[x / 8] >> (7 - x % 8)) & 1);
    }
    return out;
}

void writeMultiByte(ByteWriter& w, std::uint32_t value)
{
    std::uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = std::uint8_t(value & 0x7f);
        value >>= 7;
    } while (value);
    while (n-- > 0)
        w.u8(std::uint8_t(groups[n] | (n ? 0x80 : 0)));
}

void writeWbmp(const QImage& source, const WriteOptions&, ImageFormat, ByteBuffer& out)
{
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        throw ImageError("not enough memory to convert the image");
    const int w = rgb.width(), h = rgb.height();
    ByteWriter wr(out);
    wr.u8(0); // type 0
    wr.u8(0); // fixed header: no extensions
    writeMultiByte(wr, std::uint32_t(w));
    writeMultiByte(wr, std::uint32_t(h));
    const std::size_t rowBytes = std::size_t((w + 7) / 8);
    out.reserve(out.size() + rowBytes * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        const uchar* src = rgb.constScanLine(y);
        const std::size_t at = out.size();
        out.resize(at + rowBytes, 0);
        for (int x = 0; x < w; ++x) {
            const uchar* p = src + 3 * x;
            if ((299 * p[0] + 587 * p[1] + 114 * p[2] + 500) / 1000 >= 128) // white
                out[at + std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
        }
    }
}

constexpr std::string_view kExtensions[] = {"wbmp"};

} // namespace

Codec wbmpCodec()
{
    return Codec{ImageFormat::Wbmp, "WBMP", kExtensions, nullptr, readWbmp, writeWbmp};
}

} // namespace fw::imaging
