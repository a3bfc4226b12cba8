// Truevision Targa: colour-mapped (8-bit indices, 15/16/24/32-bit palette entries), true
// colour (15/16/24/32 bits, 32 with alpha when the descriptor says so) and 8-bit grey, raw or
// run-length encoded, with any of the four origins. Targa has no signature: files are read by
// extension. Writing produces 24-bit true colour or colour-mapped 8-bit, raw or RLE, with the
// bottom-left origin and the 2.0 footer. Targa records no resolution.

#include "CodecList.h"

#include "../ImageLimits.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace fw::imaging {

namespace {

constexpr char kFooterSignature[] = "TRUEVISION-XFILE.";

struct TgaHeader {
    int idLength = 0;
    int colourMapType = 0;
    int imageType = 0;
    int mapFirst = 0;
    int mapLength = 0;
    int mapEntryBits = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    int pixelBits = 0;
    int alphaBits = 0;
    bool rightToLeft = false;
    bool topDown = false;
};

/// Converts a 15/16-bit (A1R5G5B5 little-endian), 24-bit (BGR) or 32-bit (BGRA) value.
QRgb colourOf(const std::uint8_t* p, int bits)
{
    if (bits == 15 || bits == 16) {
        const int v = p[0] | p[1] << 8;
        const int r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        return qRgba((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2), (v & 0x8000) ? 255 : 0);
    }
    if (bits == 24)
        return qRgb(p[2], p[1], p[0]);
    return qRgba(p[2], p[1], p[0], p[3]);
}

TgaHeader readHeader(ByteReader& r)
{
    TgaHeader h;
    h.idLength = r.u8();
    h.colourMapType = r.u8();
    h.imageType = r.u8();
    h.mapFirst = r.u16le();
    h.mapLength = r.u16le();
    h.mapEntryBits = r.u8();
    r.skip(4); // x and y origin of the screen position
    h.width = r.u16le();
    h.height = r.u16le();
    h.pixelBits = r.u8();
    const int descriptor = r.u8();
    h.alphaBits = descriptor & 0x0f;
    h.rightToLeft = descriptor & 0x10;
    h.topDown = descriptor & 0x20;

    const int base = h.imageType & ~8;
    if (base < 1 || base > 3 || (h.imageType & ~0x0b))
        throw ImageError("unsupported image type " + std::to_string(h.imageType));
    if (h.colourMapType > 1)
        throw ImageError("invalid colour map type " + std::to_string(h.colourMapType));
    if (base == 1 && h.colourMapType != 1)
        throw ImageError("colour-mapped image without a colour map");
    if (h.colourMapType == 1 && h.mapEntryBits != 15 && h.mapEntryBits != 16 && h.mapEntryBits != 24
        && h.mapEntryBits != 32)
        throw ImageError("unsupported colour map entry size " + std::to_string(h.mapEntryBits));
    const bool depthOk = base == 2 ? (h.pixelBits == 15 || h.pixelBits == 16 || h.pixelBits == 24 || h.pixelBits == 32)
                                   : h.pixelBits == 8;
    if (!depthOk)
        throw ImageError("unsupported pixel depth " + std::to_string(h.pixelBits));
    checkDimensions(h.width, h.height);
    return h;
}

LoadedImage readTga(ByteView data)
{
    ByteReader r(data, "Targa file");
    const TgaHeader h = readHeader(r);
    r.skip(std::size_t(h.idLength));

    // Colour map: index v shows entry v - first.
    QList<QRgb> palette;
    if (h.colourMapType == 1) {
        const std::size_t entryBytes = std::size_t((h.mapEntryBits + 7) / 8);
        ByteView map = r.bytes(entryBytes * std::size_t(h.mapLength));
        if ((h.imageType & ~8) == 1) {
            palette.fill(qRgb(0, 0, 0), 256);
            for (int v = 0; v < 256; ++v) {
                const int i = v - h.mapFirst;
                if (i >= 0 && i < h.mapLength)
                    palette[v] = colourOf(map.data() + entryBytes * std::size_t(i), h.mapEntryBits) | 0xff000000u;
            }
        }
    }

    const int base = h.imageType & ~8;
    const bool rle = h.imageType & 8;
    const std::size_t pixelBytes = std::size_t((h.pixelBits + 7) / 8);
    const std::size_t count = std::size_t(h.width) * std::size_t(h.height);
    // Refuse before allocating when the data cannot hold the pixels: raw pixels take their
    // full size, a run-length packet of 1 + pixelBytes bytes gives at most 128 pixels.
    const std::size_t minData = rle ? (count + 127) / 128 * (1 + pixelBytes) : count * pixelBytes;
    if (r.remaining() < minData)
        throw ImageError("truncated pixel data");

    const bool alpha = base == 2 && h.pixelBits == 32 && h.alphaBits >= 8;
    LoadedImage out;
    QImage::Format format = base == 2 ? (alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888)
                                      : QImage::Format_Indexed8;
    out.image = allocateImage(h.width, h.height, format);
    if (base == 1)
        out.image.setColorTable(palette);
    else if (base == 3)
        out.image.setColorTable(greyPalette());

    const std::size_t w = std::size_t(h.width);
    auto store = [&](std::size_t index, const std::uint8_t* p) {
        const std::size_t row = index / w, col = index % w;
        const int y = int(h.topDown ? row : std::size_t(h.height) - 1 - row);
        const std::size_t x = h.rightToLeft ? w - 1 - col : col;
        std::uint8_t* dst = out.image.scanLine(y);
        if (base != 2) {
            dst[x] = p[0];
        } else if (alpha) {
            reinterpret_cast<QRgb*>(dst)[x] = colourOf(p, 32);
        } else if (h.pixelBits == 24 || h.pixelBits == 32) {
            dst[3 * x] = p[0];
            dst[3 * x + 1] = p[1];
            dst[3 * x + 2] = p[2];
        } else {
            const QRgb c = colourOf(p, h.pixelBits);
            dst[3 * x] = std::uint8_t(qBlue(c));
            dst[3 * x + 1] = std::uint8_t(qGreen(c));
            dst[3 * x + 2] = std::uint8_t(qRed(c));
        }
    };

    if (!rle) {
        ByteView pixels = r.bytes(count * pixelBytes);
        for (std::size_t i = 0; i < count; ++i)
            store(i, pixels.data() + i * pixelBytes);
        return out;
    }
    // Packets may run on from one row into the next, but none goes past the last pixel.
    std::size_t i = 0;
    while (i < count) {
        const std::uint8_t packet = r.u8();
        const std::size_t n = std::min<std::size_t>((packet & 0x7f) + 1u, count - i);
        if (packet & 0x80) {
            const std::uint8_t* p = r.bytes(pixelBytes).data();
            for (std::size_t k = 0; k < n; ++k)
                store(i + k, p);
        } else {
            ByteView run = r.bytes(n * pixelBytes);
            for (std::size_t k = 0; k < n; ++k)
                store(i + k, run.data() + k * pixelBytes);
        }
        i += n;
    }
    return out;
}

/// Appends one row of `n` pixels of `size` bytes as RLE packets (packets stay within the row).
void encodeRow(const std::uint8_t* src, std::size_t n, std::size_t size, ByteBuffer& out)
{
    auto same = [&](std::size_t a, std::size_t b) { return std::memcmp(src + a * size, src + b * size, size) == 0; };
    std::size_t i = 0;
    while (i < n) {
        std::size_t run = 1;
        while (i + run < n && run < 128 && same(i, i + run))
            ++run;
        if (run > 1) {
            out.push_back(std::uint8_t(0x80 | (run - 1)));
            out.insert(out.end(), src + i * size, src + (i + 1) * size);
            i += run;
            continue;
        }
        // Raw packet: up to the next pair of equal pixels.
        std::size_t raw = 1;
        while (i + raw < n && raw < 128 && !(i + raw + 1 < n && same(i + raw, i + raw + 1)))
            ++raw;
        out.push_back(std::uint8_t(raw - 1));
        out.insert(out.end(), src + i * size, src + (i + raw) * size);
        i += raw;
    }
}

void writeTga(const QImage& source, const WriteOptions& options, ImageFormat, ByteBuffer& out)
{
    const bool indexed = source.format() == QImage::Format_Indexed8 && source.colorCount() > 0
                         && source.colorCount() <= 256;
    const QImage image = indexed ? source : source.convertToFormat(QImage::Format_BGR888);
    const std::int64_t w = image.width(), h = image.height();
    if (w > 0xffff || h > 0xffff)
        throw ImageError("the image is too large for a Targa file");
    const bool rle = options.tga.rle;
    const QList<QRgb> table = indexed ? image.colorTable() : QList<QRgb>();

    ByteWriter wr(out);
    wr.u8(0);                                          // no image ID
    wr.u8(indexed ? 1 : 0);                            // colour map present
    wr.u8(std::uint8_t((indexed ? 1 : 2) | (rle ? 8 : 0)));
    wr.u16le(0);                                       // first map entry
    wr.u16le(std::uint16_t(table.size()));
    wr.u8(indexed ? 24 : 0);
    wr.u16le(0);
    wr.u16le(0);
    wr.u16le(std::uint16_t(w));
    wr.u16le(std::uint16_t(h));
    wr.u8(indexed ? 8 : 24);
    wr.u8(0); // bottom-left origin, no alpha
    for (QRgb c : table) {
        wr.u8(std::uint8_t(qBlue(c)));
        wr.u8(std::uint8_t(qGreen(c)));
        wr.u8(std::uint8_t(qRed(c)));
    }
    const std::size_t size = indexed ? 1 : 3;
    const std::size_t rowBytes = std::size_t(w) * size;
    for (std::int64_t y = h - 1; y >= 0; --y) {
        const std::uint8_t* row = image.constScanLine(int(y));
        if (rle)
            encodeRow(row, std::size_t(w), size, out);
        else
            out.insert(out.end(), row, row + rowBytes);
    }
    // 2.0 footer without extension or developer areas.
    wr.u32le(0);
    wr.u32le(0);
    wr.bytes(kFooterSignature, sizeof kFooterSignature);
}

constexpr std::string_view kExtensions[] = {"tga", "vda", "icb", "vst"};

} // namespace

Codec tgaCodec()
{
    return Codec{ImageFormat::Tga, "Targa", kExtensions, nullptr, readTga, writeTga};
}

} // namespace fw::imaging
