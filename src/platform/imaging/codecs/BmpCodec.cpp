// Windows and OS/2 bitmaps: 1, 4, 8, 16, 24 and 32 bits, RLE4/RLE8, bit fields, top-down
// rows, files with or without the 14-byte file header (packed DIBs). Writing produces the
// Windows 3.x layout (or OS/2 1.x on request) with 24-bit or 8-bit palette pixels.
//
// 24-bit pixels are stored exactly like a BGR888 QImage (B, G, R, rows padded to 4 bytes),
// so writing and reading them is a row copy: frame files pass through here on every capture.

#include "CodecList.h"

#include "../ImageLimits.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace fw::imaging {

namespace {

constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;

bool sniffBmp(ByteView head)
{
    if (head.size() < 18 || head[0] != 'B' || head[1] != 'M')
        return false;
    const std::uint32_t headerSize = head[14] | head[15] << 8 | head[16] << 16 | std::uint32_t(head[17]) << 24;
    return headerSize == 12 || headerSize == 16 || headerSize == 40 || headerSize == 52 || headerSize == 56
        || headerSize == 64 || headerSize == 108 || headerSize == 124;
}

struct BmpHeader {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    int bits = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    std::uint32_t coloursUsed = 0;
    bool os2Core = false; // 12-byte header: palette entries of 3 bytes, 16-bit sizes
    Resolution dpi;
};

/// Extracts a channel with `mask` and scales it to 0..255.
struct MaskChannel {
    int shift = 0;
    int bits = 0;
    std::uint32_t mask = 0;

    explicit MaskChannel(std::uint32_t m = 0) : mask(m)
    {
        if (m) {
            shift = std::countr_zero(m);
            bits = std::min(16, std::popcount(m >> shift));
            if (std::popcount(m) > 16)
                mask = ((1u << bits) - 1) << shift;
        }
    }
    std::uint8_t operator()(std::uint32_t v) const
    {
        if (!bits)
            return 0;
        const std::uint32_t c = (v & mask) >> shift;
        const std::uint32_t max = (1u << bits) - 1;
        return std::uint8_t((c * 255 + max / 2) / max);
    }
};

BmpHeader readHeader(ByteReader& r)
{
    BmpHeader h;
    const std::size_t start = r.pos();
    const std::uint32_t size = r.u32le();
    if (size == 12) {
        h.os2Core = true;
        h.width = r.u16le();
        h.height = std::int16_t(r.u16le());
        if (r.u16le() != 1)
            throw ImageError("invalid number of colour planes");
        h.bits = r.u16le();
    } else if (size >= 16 && size <= 1024) {
        h.width = r.s32le();
        h.height = r.s32le();
        if (r.u16le() != 1)
            throw ImageError("invalid number of colour planes");
        h.bits = r.u16le();
        if (size >= 20)
            h.compression = r.u32le();
        if (size >= 40) {
            r.skip(4); // image size: unreliable, computed instead
            const std::int32_t ppmX = r.s32le();
            const std::int32_t ppmY = r.s32le();
            if (ppmX > 0 && ppmY > 0)
                h.dpi = {dpiFromPixelsPerMetre(ppmX), dpiFromPixelsPerMetre(ppmY)};
            h.coloursUsed = r.u32le();
            r.skip(4); // important colours
        }
        // OS/2 2.x uses compression 3 for Huffman 1D and 4 for RLE24: neither is supported.
        if (size == 16 || size == 64) {
            if (h.compression == 3 || h.compression == 4)
                throw ImageError("OS/2 Huffman and RLE24 compression are not supported");
        }
        if (size >= 52 && size != 64) {
            for (int i = 0; i < 3; ++i)
                h.masks[i] = r.u32le();
            if (size >= 56)
                h.masks[3] = r.u32le();
        }
    } else {
        throw ImageError("unknown bitmap header size " + std::to_string(size));
    }
    r.seek(start + size);
    if (h.height < 0) {
        h.topDown = true;
        h.height = -h.height;
    }
    checkDimensions(h.width, h.height);
    switch (h.bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: throw ImageError("unsupported bit depth " + std::to_string(h.bits));
    }
    const bool rleOk = (h.compression == kBiRle8 && h.bits == 8) || (h.compression == kBiRle4 && h.bits == 4);
    const bool fieldsOk = (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields)
                          && (h.bits == 16 || h.bits == 32);
    if (h.compression != kBiRgb && !rleOk && !fieldsOk)
        throw ImageError("unsupported compression " + std::to_string(h.compression) + " at "
                         + std::to_string(h.bits) + " bits");
    if ((h.compression == kBiRle8 || h.compression == kBiRle4) && h.topDown)
        throw ImageError("compressed bitmaps cannot be stored top-down");
    return h;
}

QList<QRgb> readPalette(ByteReader& r, const BmpHeader& h, std::size_t paletteEnd)
{
    int count = int(h.coloursUsed);
    if (count <= 0 || count > (1 << h.bits))
        count = 1 << h.bits;
    const int entry = h.os2Core ? 3 : 4;
    // Some writers store fewer entries than they declare: take what fits before the pixels.
    if (paletteEnd > r.pos())
        count = int(std::min<std::size_t>(std::size_t(count), (paletteEnd - r.pos()) / entry));
    QList<QRgb> palette;
    palette.reserve(1 << h.bits);
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* p = r.ptr(std::size_t(entry));
        palette.append(qRgb(p[2], p[1], p[0]));
        r.skip(std::size_t(entry));
    }
    if (palette.isEmpty())
        throw ImageError("missing colour palette");
    // Pixels may index past a short palette: those show black rather than reading outside it.
    while (palette.size() < (1 << h.bits))
        palette.append(qRgb(0, 0, 0));
    return palette;
}

/// Row index in the image for the n-th stored row.
inline int imageRow(const BmpHeader& h, std::int64_t stored) { return int(h.topDown ? stored : h.height - 1 - stored); }

void decodeRle(ByteView data, const BmpHeader& h, QImage& image)
{
    // Absent pixels (skipped by delta codes or an early end) are index 0.
    image.fill(0);
    const bool four = h.compression == kBiRle4;
    const std::int64_t w = h.width;
    std::int64_t x = 0, y = 0; // y counts stored rows, from the bottom
    ByteReader r(data, "compressed pixel data");
    auto put = [&](std::uint8_t index) {
        if (x < w && y < h.height)
            image.scanLine(imageRow(h, y))[x] = index;
        ++x;
    };
    while (y < h.height && !r.atEnd()) {
        const std::uint8_t count = r.u8();
        const std::uint8_t value = r.u8();
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(four ? ((i & 1) ? value & 0x0f : value >> 4) : value);
        } else if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            x += r.u8();
            y += r.u8();
        } else { // absolute run of `value` pixels, padded to 16 bits
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            ByteView run = r.bytes(bytes);
            for (int i = 0; i < value; ++i)
                put(four ? ((i & 1) ? run[i / 2] & 0x0f : run[i / 2] >> 4) : run[i]);
            if (bytes & 1)
                r.skip(1);
        }
    }
}

LoadedImage readBmp(ByteView data)
{
    ByteReader r(data, "bitmap");
    std::size_t pixelOffset = 0;
    const bool fileHeader = data.size() >= 2 && data[0] == 'B' && data[1] == 'M';
    if (fileHeader) {
        r.skip(10);
        pixelOffset = r.u32le();
    }
    BmpHeader h = readHeader(r);
    if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
        // Masks follow a 40-byte header instead of being part of it.
        if (h.masks[0] == 0 && h.masks[1] == 0 && h.masks[2] == 0) {
            for (int i = 0; i < 3; ++i)
                h.masks[i] = r.u32le();
            if (h.compression == kBiAlphaBitfields)
                h.masks[3] = r.u32le();
        }
    }
    QList<QRgb> palette;
    if (h.bits <= 8)
        palette = readPalette(r, h, fileHeader ? pixelOffset : 0);
    if (!fileHeader)
        pixelOffset = r.pos();
    if (pixelOffset < r.pos() || pixelOffset >= data.size())
        throw ImageError("pixel data offset " + std::to_string(pixelOffset) + " lies outside the file");
    const ByteView pixels = data.subspan(pixelOffset);

    LoadedImage out;
    out.dpi = h.dpi;
    const std::int64_t w = h.width;

    if (h.compression == kBiRle8 || h.compression == kBiRle4) {
        out.image = allocateImage(w, h.height, QImage::Format_Indexed8);
        out.image.setColorTable(palette);
        decodeRle(pixels, h, out.image);
        return out;
    }

    const std::size_t stride = std::size_t((w * h.bits + 31) / 32) * 4;
    // The last row need not carry its padding.
    const std::size_t needed = stride * std::size_t(h.height - 1) + std::size_t((w * h.bits + 7) / 8);
    if (pixels.size() < needed)
        throw ImageError("truncated pixel data (" + std::to_string(pixels.size()) + " of " + std::to_string(needed)
                         + " bytes)");

    if (h.bits == 24) {
        out.image = allocateImage(w, h.height, QImage::Format_BGR888);
        const std::size_t rowBytes = std::size_t(w) * 3;
        if (h.topDown && std::size_t(out.image.bytesPerLine()) == stride && pixels.size() >= stride * h.height) {
            std::memcpy(out.image.bits(), pixels.data(), stride * std::size_t(h.height));
        } else {
            for (std::int64_t y = 0; y < h.height; ++y)
                std::memcpy(out.image.scanLine(imageRow(h, y)), pixels.data() + stride * std::size_t(y), rowBytes);
        }
        return out;
    }

    if (h.bits <= 8) {
        out.image = allocateImage(w, h.height, QImage::Format_Indexed8);
        out.image.setColorTable(palette);
        const int perByte = 8 / h.bits;
        const std::uint8_t mask = std::uint8_t((1 << h.bits) - 1);
        for (std::int64_t y = 0; y < h.height; ++y) {
            const std::uint8_t* src = pixels.data() + stride * std::size_t(y);
            std::uint8_t* dst = out.image.scanLine(imageRow(h, y));
            if (h.bits == 8) {
                std::memcpy(dst, src, std::size_t(w));
                continue;
            }
            for (std::int64_t x = 0; x < w; ++x) {
                const int shift = 8 - h.bits * int(x % perByte + 1);
                dst[x] = std::uint8_t((src[x / perByte] >> shift) & mask);
            }
        }
        return out;
    }

    // 16 and 32 bits: fixed 5-5-5 / 8-8-8 layouts or explicit bit fields.
    std::uint32_t masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
    if (h.compression == kBiRgb) {
        if (h.bits == 16) {
            masks[0] = 0x7c00; masks[1] = 0x03e0; masks[2] = 0x001f; masks[3] = 0;
        } else {
            masks[0] = 0xff0000; masks[1] = 0x00ff00; masks[2] = 0x0000ff; masks[3] = 0;
        }
    }
    const MaskChannel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
    const bool hasAlpha = masks[3] != 0;
    out.image = allocateImage(w, h.height, hasAlpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    for (std::int64_t y = 0; y < h.height; ++y) {
        const std::uint8_t* src = pixels.data() + stride * std::size_t(y);
        std::uint8_t* dst = out.image.scanLine(imageRow(h, y));
        for (std::int64_t x = 0; x < w; ++x) {
            const std::uint32_t v = h.bits == 16 ? std::uint32_t(src[2 * x] | src[2 * x + 1] << 8)
                                                 : std::uint32_t(src[4 * x] | src[4 * x + 1] << 8
                                                                 | src[4 * x + 2] << 16 | std::uint32_t(src[4 * x + 3]) << 24);
            if (hasAlpha) {
                reinterpret_cast<QRgb*>(dst)[x] = qRgba(red(v), green(v), blue(v), alpha(v));
            } else {
                dst[3 * x] = blue(v);
                dst[3 * x + 1] = green(v);
                dst[3 * x + 2] = red(v);
            }
        }
    }
    return out;
}

void writeBmp(const QImage& source, const WriteOptions& options, ImageFormat, ByteBuffer& out)
{
    const bool indexed = source.format() == QImage::Format_Indexed8 && source.colorCount() > 0
                         && source.colorCount() <= 256;
    const QImage image = indexed ? source : source.convertToFormat(QImage::Format_BGR888);
    const bool os2 = options.bmp.os2;
    const int bits = indexed ? 8 : 24;
    const std::int64_t w = image.width(), h = image.height();
    if (os2 && (w > 0xffff || h > 0x7fff))
        throw ImageError("the image is too large for an OS/2 bitmap");
    const std::size_t stride = std::size_t((w * bits + 31) / 32) * 4;
    const std::size_t headerSize = os2 ? 12 : 40;
    const std::size_t paletteSize = indexed ? std::size_t(image.colorCount()) * (os2 ? 3 : 4) : 0;
    const std::size_t offset = 14 + headerSize + paletteSize;
    const std::size_t total = offset + stride * std::size_t(h);
    if (total > 0xffffffffu)
        throw ImageError("the image is too large for a bitmap file");

    out.reserve(total);
    ByteWriter wr(out);
    wr.u8('B');
    wr.u8('M');
    wr.u32le(std::uint32_t(total));
    wr.u32le(0);
    wr.u32le(std::uint32_t(offset));
    if (os2) {
        wr.u32le(12);
        wr.u16le(std::uint16_t(w));
        wr.u16le(std::uint16_t(h));
        wr.u16le(1);
        wr.u16le(std::uint16_t(bits));
    } else {
        wr.u32le(40);
        wr.u32le(std::uint32_t(w));
        wr.u32le(std::uint32_t(h));
        wr.u16le(1);
        wr.u16le(std::uint16_t(bits));
        wr.u32le(kBiRgb);
        wr.u32le(std::uint32_t(stride * std::size_t(h)));
        wr.u32le(std::uint32_t(pixelsPerMetreFromDpi(options.dpi.x)));
        wr.u32le(std::uint32_t(pixelsPerMetreFromDpi(options.dpi.y)));
        wr.u32le(indexed ? std::uint32_t(image.colorCount()) : 0);
        wr.u32le(0);
    }
    if (indexed) {
        for (QRgb c : image.colorTable()) {
            wr.u8(std::uint8_t(qBlue(c)));
            wr.u8(std::uint8_t(qGreen(c)));
            wr.u8(std::uint8_t(qRed(c)));
            if (!os2)
                wr.u8(0);
        }
    }
    // Bottom-up rows. QImage rows are 4-byte aligned like BMP rows, so each is one copy;
    // only the padding bytes past the pixels are cleared.
    const std::size_t rowBytes = std::size_t(w) * std::size_t(bits / 8);
    out.resize(total);
    std::uint8_t* dst = out.data() + offset;
    for (std::int64_t y = h - 1; y >= 0; --y, dst += stride) {
        std::memcpy(dst, image.constScanLine(int(y)), rowBytes);
        std::memset(dst + rowBytes, 0, stride - rowBytes);
    }
}

constexpr std::string_view kExtensions[] = {"bmp", "dib", "rle"};

} // namespace

Codec bmpCodec()
{
    return Codec{ImageFormat::Bmp, "BMP", kExtensions, sniffBmp, readBmp, writeBmp};
}

} // namespace fw::imaging
