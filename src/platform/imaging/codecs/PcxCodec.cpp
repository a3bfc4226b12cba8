// ZSoft PCX, versions 0 to 5: 1-bit monochrome, 1-bit planar up to 16 colours, 2 and 4-bit
// packed, 8-bit with the 256-colour palette at the end of the file, 24-bit (three 8-bit
// planes) and 32-bit (four planes, the fourth alpha). Pixels are run-length encoded per scan
// line. Writing produces version 5 files: 24-bit as three RLE planes, palette images as 8 bits
// with the 256-colour palette.

#include "CodecList.h"
#include "PcxDecode.h"

#include "../ImageLimits.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace fw::imaging {

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kVgaPaletteSize = 769; // 0x0C marker + 256 RGB triplets

struct PcxHeader {
    int version = 0;
    int encoding = 0;
    int bits = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    int hdpi = 0;
    int vdpi = 0;
    std::uint8_t egaPalette[48] = {};
    int planes = 0;
    std::size_t bytesPerLine = 0;
};

bool versionOk(int v) { return v == 0 || v == 2 || v == 3 || v == 4 || v == 5; }
bool bitsOk(int b) { return b == 1 || b == 2 || b == 4 || b == 8; }

PcxHeader readHeader(ByteReader& r)
{
    PcxHeader h;
    if (r.u8() != 0x0A)
        throw ImageError("not a PCX file");
    h.version = r.u8();
    h.encoding = r.u8();
    h.bits = r.u8();
    const int xmin = r.u16le(), ymin = r.u16le(), xmax = r.u16le(), ymax = r.u16le();
    h.hdpi = r.u16le();
    h.vdpi = r.u16le();
    std::memcpy(h.egaPalette, r.bytes(48).data(), 48);
    r.skip(1);
    h.planes = r.u8();
    h.bytesPerLine = r.u16le();
    r.seek(kHeaderSize);
    if (!versionOk(h.version))
        throw ImageError("unknown PCX version " + std::to_string(h.version));
    if (h.encoding > 1)
        throw ImageError("unknown encoding " + std::to_string(h.encoding));
    if (!bitsOk(h.bits))
        throw ImageError("unsupported bit depth " + std::to_string(h.bits));
    h.width = std::int64_t(xmax) - xmin + 1;
    h.height = std::int64_t(ymax) - ymin + 1;
    checkDimensions(h.width, h.height);
    const bool supported = h.planes >= 1 && (h.planes == 1 || (h.bits == 1 && h.planes <= 4)
                           || (h.bits == 8 && (h.planes == 3 || h.planes == 4)));
    if (!supported)
        throw ImageError("unsupported layout: " + std::to_string(h.planes) + " planes of " + std::to_string(h.bits)
                         + " bits");
    const std::size_t needed = std::size_t((h.width * h.bits + 7) / 8);
    // Writers pad lines to an even size, but some store the exact size: accept both.
    if (h.bytesPerLine < needed)
        throw ImageError("bytes per line " + std::to_string(h.bytesPerLine) + " too small for width "
                         + std::to_string(h.width));
    return h;
}

/// Decodes the run-length (or raw) scan lines into one buffer of height * planes * bytesPerLine.
/// A run may carry over into the next line (some writers do this); it never goes past the image.
std::vector<std::uint8_t> decodeLines(ByteView data, const PcxHeader& h)
{
    const std::size_t lineSize = h.bytesPerLine * std::size_t(h.planes);
    const std::size_t total = lineSize * std::size_t(h.height);
    // Check the data could hold that many lines before reserving memory for them: a run of
    // two bytes expands to at most 63.
    const std::size_t minData = h.encoding == 1 ? (total + 62) / 63 * 2 : total;
    if (data.size() < minData)
        throw ImageError("truncated pixel data");
    std::vector<std::uint8_t> out(total);
    if (h.encoding == 0) {
        std::memcpy(out.data(), data.data(), total);
        return out;
    }
    std::size_t at = 0, in = 0;
    while (at < total) {
        if (in >= data.size())
            throw ImageError("truncated pixel data");
        const std::uint8_t c = data[in++];
        if ((c & 0xC0) == 0xC0) {
            if (in >= data.size())
                throw ImageError("truncated pixel data");
            const std::uint8_t value = data[in++];
            const std::size_t n = std::min<std::size_t>(c & 0x3F, total - at);
            std::memset(out.data() + at, value, n);
            at += n;
        } else {
            out[at++] = c;
        }
    }
    return out;
}

QList<QRgb> egaPalette(const PcxHeader& h, int count)
{
    QList<QRgb> palette;
    for (int i = 0; i < count; ++i)
        palette.append(qRgb(h.egaPalette[3 * i], h.egaPalette[3 * i + 1], h.egaPalette[3 * i + 2]));
    return palette;
}

} // namespace

bool looksLikePcx(ByteView head)
{
    return head.size() >= 66 && head[0] == 0x0A && versionOk(head[1]) && head[2] <= 1 && bitsOk(head[3])
           && head[65] >= 1 && head[65] <= 4;
}

LoadedImage decodePcx(ByteView data)
{
    ByteReader r(data, "PCX header");
    const PcxHeader h = readHeader(r);
    ByteView pixels = data.subspan(kHeaderSize);

    // The 256-colour palette sits at the very end of 8-bit single-plane files.
    bool vgaPalette = false;
    if (h.bits == 8 && h.planes == 1 && data.size() >= kHeaderSize + kVgaPaletteSize
        && data[data.size() - kVgaPaletteSize] == 0x0C) {
        vgaPalette = true;
    }
    const std::vector<std::uint8_t> lines = decodeLines(pixels, h);
    const std::size_t bpl = h.bytesPerLine;
    const std::size_t lineSize = bpl * std::size_t(h.planes);
    const std::int64_t w = h.width;

    LoadedImage out;
    if (h.hdpi > 0 && h.vdpi > 0)
        out.dpi = {double(h.hdpi), double(h.vdpi)};

    if (h.bits == 8 && h.planes >= 3) {
        const bool alpha = h.planes == 4;
        out.image = allocateImage(w, h.height, alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
        for (std::int64_t y = 0; y < h.height; ++y) {
            const std::uint8_t* src = lines.data() + lineSize * std::size_t(y);
            std::uint8_t* dst = out.image.scanLine(int(y));
            for (std::int64_t x = 0; x < w; ++x) {
                const std::uint8_t red = src[x], green = src[bpl + x], blue = src[2 * bpl + x];
                if (alpha) {
                    reinterpret_cast<QRgb*>(dst)[x] = qRgba(red, green, blue, src[3 * bpl + x]);
                } else {
                    dst[3 * x] = blue;
                    dst[3 * x + 1] = green;
                    dst[3 * x + 2] = red;
                }
            }
        }
        return out;
    }

    out.image = allocateImage(w, h.height, QImage::Format_Indexed8);
    if (h.bits == 8) {
        if (vgaPalette) {
            const std::uint8_t* p = data.data() + data.size() - kVgaPaletteSize + 1;
            QList<QRgb> palette;
            for (int i = 0; i < 256; ++i)
                palette.append(qRgb(p[3 * i], p[3 * i + 1], p[3 * i + 2]));
            out.image.setColorTable(palette);
        } else {
            out.image.setColorTable(greyPalette());
        }
        for (std::int64_t y = 0; y < h.height; ++y)
            std::memcpy(out.image.scanLine(int(y)), lines.data() + lineSize * std::size_t(y), std::size_t(w));
        return out;
    }

    if (h.planes == 1) {
        // Monochrome files are black and white whatever their header palette says.
        if (h.bits == 1)
            out.image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        else
            out.image.setColorTable(egaPalette(h, 1 << h.bits));
        const int perByte = 8 / h.bits;
        const std::uint8_t mask = std::uint8_t((1 << h.bits) - 1);
        for (std::int64_t y = 0; y < h.height; ++y) {
            const std::uint8_t* src = lines.data() + lineSize * std::size_t(y);
            std::uint8_t* dst = out.image.scanLine(int(y));
            for (std::int64_t x = 0; x < w; ++x) {
                const int shift = 8 - h.bits * int(x % perByte + 1);
                dst[x] = std::uint8_t((src[x / perByte] >> shift) & mask);
            }
        }
        return out;
    }

    // 1-bit planes: each plane gives one bit of the colour index.
    out.image.setColorTable(egaPalette(h, 1 << h.planes));
    for (std::int64_t y = 0; y < h.height; ++y) {
        const std::uint8_t* src = lines.data() + lineSize * std::size_t(y);
        std::uint8_t* dst = out.image.scanLine(int(y));
        for (std::int64_t x = 0; x < w; ++x) {
            std::uint8_t index = 0;
            for (int p = 0; p < h.planes; ++p)
                index |= std::uint8_t(((src[bpl * std::size_t(p) + std::size_t(x / 8)] >> (7 - x % 8)) & 1) << p);
            dst[x] = index;
        }
    }
    return out;
}

namespace {

bool sniffPcx(ByteView head) { return looksLikePcx(head); }

LoadedImage readPcx(ByteView data) { return decodePcx(data); }

/// Appends one RLE-encoded line; runs never cross lines.
void encodeLine(const std::uint8_t* src, std::size_t n, ByteBuffer& out)
{
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t v = src[i];
        std::size_t run = 1;
        while (i + run < n && run < 63 && src[i + run] == v)
            ++run;
        if (run > 1 || (v & 0xC0) == 0xC0) {
            out.push_back(std::uint8_t(0xC0 | run));
        }
        out.push_back(v);
        i += run;
    }
}

std::uint16_t dpiField(double dpi) { return std::uint16_t(std::clamp(std::lround(dpi), 0L, 65535L)); }

void writePcx(const QImage& source, const WriteOptions& options, ImageFormat, ByteBuffer& out)
{
    const bool indexed = source.format() == QImage::Format_Indexed8 && source.colorCount() > 0
                         && source.colorCount() <= 256;
    const QImage image = indexed ? source : source.convertToFormat(QImage::Format_BGR888);
    const std::int64_t w = image.width(), h = image.height();
    if (w > 0xffff || h > 0xffff)
        throw ImageError("the image is too large for a PCX file");
    const int planes = indexed ? 1 : 3;
    const std::size_t bpl = std::size_t(w + 1) & ~std::size_t(1); // even, as readers expect

    ByteWriter wr(out);
    wr.u8(0x0A);
    wr.u8(5);
    wr.u8(1);
    wr.u8(8);
    wr.u16le(0);
    wr.u16le(0);
    wr.u16le(std::uint16_t(w - 1));
    wr.u16le(std::uint16_t(h - 1));
    wr.u16le(dpiField(options.dpi.x));
    wr.u16le(dpiField(options.dpi.y));
    const QList<QRgb> table = indexed ? image.colorTable() : QList<QRgb>();
    for (int i = 0; i < 16; ++i) {
        const QRgb c = i < table.size() ? table[i] : 0;
        wr.u8(std::uint8_t(qRed(c)));
        wr.u8(std::uint8_t(qGreen(c)));
        wr.u8(std::uint8_t(qBlue(c)));
    }
    wr.u8(0);
    wr.u8(std::uint8_t(planes));
    wr.u16le(std::uint16_t(bpl));
    wr.u16le(1); // palette info: colour
    wr.zeros(kHeaderSize - wr.size());

    std::vector<std::uint8_t> line(bpl, 0);
    for (int y = 0; y < int(h); ++y) {
        const std::uint8_t* src = image.constScanLine(y);
        if (indexed) {
            std::memcpy(line.data(), src, std::size_t(w));
            encodeLine(line.data(), bpl, out);
            continue;
        }
        for (int p = 0; p < 3; ++p) {
            const int channel = 2 - p; // BGR888 holds blue first; planes are red, green, blue
            for (std::int64_t x = 0; x < w; ++x)
                line[std::size_t(x)] = src[3 * x + channel];
            encodeLine(line.data(), bpl, out);
        }
    }
    if (indexed) {
        wr.u8(0x0C);
        for (int i = 0; i < 256; ++i) {
            const QRgb c = i < table.size() ? table[i] : 0;
            wr.u8(std::uint8_t(qRed(c)));
            wr.u8(std::uint8_t(qGreen(c)));
            wr.u8(std::uint8_t(qBlue(c)));
        }
    }
}

constexpr std::string_view kExtensions[] = {"pcx"};

} // namespace

Codec pcxCodec()
{
    return Codec{ImageFormat::Pcx, "PCX", kExtensions, sniffPcx, readPcx, writePcx};
}

} // namespace fw::imaging
