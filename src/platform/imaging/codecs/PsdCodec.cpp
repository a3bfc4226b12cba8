// Photoshop documents (PSD, version 1): the merged image stored after the layers, raw or
// PackBits-compressed, in bitmap, greyscale, indexed, RGB (a fourth channel is alpha) or CMYK
// mode, at 1 (bitmap), 8 or 16 bits per channel. The resolution comes from the
// ResolutionInfo image resource. Large documents (PSB, version 2) are refused. Read only.

#include "CodecList.h"

#include "../ImageLimits.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace fw::imaging {

namespace {

enum Mode { kBitmap = 0, kGrey = 1, kIndexed = 2, kRgb = 3, kCmyk = 4 };
constexpr std::uint16_t kResolutionInfo = 0x03ED;

bool sniffPsd(ByteView head)
{
    return head.size() >= 6 && head[0] == '8' && head[1] == 'B' && head[2] == 'P' && head[3] == 'S' && head[4] == 0
           && (head[5] == 1 || head[5] == 2);
}

Resolution readResolution(ByteView resources)
{
    ByteReader r(resources, "image resources");
    while (r.remaining() >= 12) {
        const std::uint32_t signature = r.u32be();
        if (signature != 0x3842494D) // "8BIM"
            break;
        const std::uint16_t id = r.u16be();
        const std::size_t nameLength = r.u8();
        r.skip(nameLength + ((nameLength + 1) & 1)); // the name with its length byte is padded to even
        const std::uint32_t size = r.u32be();
        ByteView block = r.bytes(size);
        if (size & 1)
            r.skip(std::min<std::size_t>(1, r.remaining()));
        if (id != kResolutionInfo || size < 16)
            continue;
        ByteReader b(block, "resolution resource");
        const double h = b.u32be() / 65536.0;
        b.skip(4); // display units of the resolution and of the width
        const double v = b.u32be() / 65536.0;
        // The values are pixels per inch whatever the unit, which only says whether Photoshop
        // shows them per inch (1) or per centimetre (2). Some writers store a missing
        // resolution as 1/65536: anything under one dot per inch counts as none.
        if (h >= 1 && v >= 1)
            return {h, v};
    }
    return {};
}

/// Expands one PackBits row into exactly `out.size()` bytes.
void unpackRow(ByteView in, std::span<std::uint8_t> out)
{
    std::size_t i = 0, o = 0;
    while (o < out.size()) {
        if (i >= in.size())
            throw ImageError("truncated compressed row");
        const int n = std::int8_t(in[i++]);
        if (n >= 0) {
            const std::size_t len = std::size_t(n) + 1;
            if (len > in.size() - i || len > out.size() - o)
                throw ImageError("corrupt compressed row");
            std::memcpy(out.data() + o, in.data() + i, len);
            i += len;
            o += len;
        } else if (n != -128) {
            const std::size_t len = std::size_t(1 - n);
            if (i >= in.size() || len > out.size() - o)
                throw ImageError("corrupt compressed row");
            std::memset(out.data() + o, in[i++], len);
            o += len;
        }
    }
}

LoadedImage readPsd(ByteView data)
{
    ByteReader r(data, "Photoshop file");
    if (r.u32be() != 0x38425053)
        throw ImageError("not a Photoshop file");
    const int version = r.u16be();
    if (version == 2)
        throw ImageError("large documents (PSB) are not supported");
    if (version != 1)
        throw ImageError("unknown version " + std::to_string(version));
    r.skip(6);
    const int channels = r.u16be();
    const std::int64_t height = r.u32be();
    const std::int64_t width = r.u32be();
    const int depth = r.u16be();
    const int mode = r.u16be();
    if (channels < 1 || channels > 56)
        throw ImageError("invalid channel count " + std::to_string(channels));
    checkDimensions(width, height);
    if (!(depth == 8 || depth == 16 || (depth == 1 && mode == kBitmap)))
        throw ImageError("unsupported bit depth " + std::to_string(depth));
    int needed = 0; // channels the merged image uses
    switch (mode) {
    case kBitmap: case kGrey: case kIndexed: needed = 1; break;
    case kRgb: needed = channels >= 4 ? 4 : 3; break;
    case kCmyk: needed = 4; break;
    default: throw ImageError("unsupported colour mode " + std::to_string(mode));
    }
    if (mode == kBitmap && depth != 1)
        throw ImageError("unsupported bit depth " + std::to_string(depth) + " for a bitmap image");
    if (channels < needed)
        throw ImageError("too few channels (" + std::to_string(channels) + ") for the colour mode");

    ByteView colourData = r.bytes(r.u32be());
    QList<QRgb> palette;
    if (mode == kIndexed) {
        if (colourData.size() < 768)
            throw ImageError("missing colour palette");
        for (int i = 0; i < 256; ++i)
            palette.append(qRgb(colourData[i], colourData[256 + i], colourData[512 + i]));
    }
    LoadedImage out;
    out.dpi = readResolution(r.bytes(r.u32be()));
    r.skip(r.u32be()); // layers and masks
    const int compression = r.u16be();
    if (compression != 0 && compression != 1)
        throw ImageError("unsupported compression " + std::to_string(compression));

    const std::size_t rowBytes = depth == 1 ? std::size_t((width + 7) / 8) : std::size_t(width) * std::size_t(depth / 8);
    const std::size_t rows = std::size_t(height);
    // Where each needed channel's rows start, checked against the data before any allocation.
    std::vector<ByteView> rowData(std::size_t(needed) * rows);
    if (compression == 0) {
        const std::size_t plane = rowBytes * rows;
        if (r.remaining() / plane < std::size_t(needed))
            throw ImageError("truncated pixel data");
        for (std::size_t c = 0; c < std::size_t(needed); ++c)
            for (std::size_t y = 0; y < rows; ++y)
                rowData[c * rows + y] = data.subspan(r.pos() + c * plane + y * rowBytes, rowBytes);
    } else {
        const std::size_t allRows = std::size_t(channels) * rows;
        ByteView counts = r.bytes(2 * allRows);
        std::size_t at = r.pos();
        for (std::size_t i = 0; i < std::size_t(needed) * rows; ++i) {
            const std::size_t n = std::size_t(counts[2 * i] << 8 | counts[2 * i + 1]);
            // A PackBits byte pair gives at most 128 bytes: a shorter count cannot fill the row.
            if (n > data.size() - at || n * 64 < rowBytes)
                throw ImageError("invalid compressed row size " + std::to_string(n));
            rowData[i] = data.subspan(at, n);
            at += n;
        }
    }

    // Each needed channel reduced to 8 bits (bitmap: one byte per pixel, 0 white, 1 black).
    std::vector<std::uint8_t> planes(std::size_t(needed) * rows * std::size_t(width));
    std::vector<std::uint8_t> row(rowBytes);
    for (std::size_t c = 0; c < std::size_t(needed); ++c) {
        for (std::size_t y = 0; y < rows; ++y) {
            ByteView src = rowData[c * rows + y];
            if (compression == 1) {
                unpackRow(src, row);
                src = row;
            }
            std::uint8_t* dst = planes.data() + (c * rows + y) * std::size_t(width);
            for (std::size_t x = 0; x < std::size_t(width); ++x)
                dst[x] = depth == 1 ? std::uint8_t((src[x / 8] >> (7 - x % 8)) & 1)
                                    : src[x * std::size_t(depth / 8)]; // 16 bits: the high byte
        }
    }
    auto plane = [&](int c, std::size_t y) { return planes.data() + (std::size_t(c) * rows + y) * std::size_t(width); };

    if (mode == kBitmap || mode == kGrey || mode == kIndexed) {
        out.image = allocateImage(width, height, QImage::Format_Indexed8);
        out.image.setColorTable(mode == kBitmap ? QList<QRgb>{qRgb(255, 255, 255), qRgb(0, 0, 0)}
                                : mode == kGrey ? greyPalette()
                                                : palette);
        for (std::size_t y = 0; y < rows; ++y)
            std::memcpy(out.image.scanLine(int(y)), plane(0, y), std::size_t(width));
        return out;
    }
    const bool alpha = mode == kRgb && needed == 4;
    out.image = allocateImage(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    for (std::size_t y = 0; y < rows; ++y) {
        const std::uint8_t *p0 = plane(0, y), *p1 = plane(1, y), *p2 = plane(2, y);
        const std::uint8_t* p3 = needed == 4 ? plane(3, y) : nullptr;
        std::uint8_t* dst = out.image.scanLine(int(y));
        for (std::size_t x = 0; x < std::size_t(width); ++x) {
            if (alpha) {
                reinterpret_cast<QRgb*>(dst)[x] = qRgba(p0[x], p1[x], p2[x], p3[x]);
            } else if (mode == kRgb) {
                dst[3 * x] = p2[x];
                dst[3 * x + 1] = p1[x];
                dst[3 * x + 2] = p0[x];
            } else {
                // CMYK is stored inverted (255 = no ink): red = (1 - C)(1 - K) = c' * k'.
                const unsigned k = p3[x];
                dst[3 * x] = std::uint8_t((p2[x] * k + 127) / 255);
                dst[3 * x + 1] = std::uint8_t((p1[x] * k + 127) / 255);
                dst[3 * x + 2] = std::uint8_t((p0[x] * k + 127) / 255);
            }
        }
    }
    return out;
}

constexpr std::string_view kExtensions[] = {"psd"};

} // namespace

Codec psdCodec()
{
    return Codec{ImageFormat::Psd, "PSD", kExtensions, sniffPsd, readPsd, nullptr};
}

} // namespace fw::imaging
