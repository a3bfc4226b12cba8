// Windows icons (ICO) and cursors (CUR): a directory of images, each a bitmap (XOR pixels of
// 1/4/8/24/32 bits followed by a 1-bit AND transparency mask) or an embedded PNG. The
// largest image (then the deepest) is read, as ARGB32. Read only.

#include "CodecList.h"

#include "../ImageLimits.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace fw::imaging {

namespace {

constexpr std::size_t kDirectoryEntrySize = 16;
constexpr int kMaxEntries = 512;
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

bool sniffType(ByteView head, int type)
{
    if (head.size() < 22 || head[0] || head[1] || head[2] != type || head[3])
        return false;
    const int count = head[4] | head[5] << 8;
    if (count < 1 || count > kMaxEntries)
        return false;
    const std::uint32_t size = head[14] | head[15] << 8 | head[16] << 16 | std::uint32_t(head[17]) << 24;
    const std::uint32_t offset = head[18] | head[19] << 8 | head[20] << 16 | std::uint32_t(head[21]) << 24;
    return size >= 40 && offset >= 6 + kDirectoryEntrySize * std::size_t(count);
}

bool sniffIco(ByteView head) { return sniffType(head, 1); }
bool sniffCur(ByteView head) { return sniffType(head, 2); }

std::uint32_t u32At(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }

std::uint32_t be32At(const std::uint8_t* p) { return std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

struct Candidate {
    ByteView data;
    bool png = false;
    std::int64_t area = 0;
    int bits = 0;
};

/// What an entry really holds, from its own header rather than the directory's claims.
bool inspect(Candidate& c)
{
    if (c.data.size() >= 33 && std::memcmp(c.data.data(), kPngSignature, 8) == 0) {
        c.png = true;
        const std::uint32_t w = be32At(c.data.data() + 16);
        const std::uint32_t h = be32At(c.data.data() + 20);
        // Only compared: clamp so that forged sizes cannot overflow the product.
        c.area = std::int64_t(std::min<std::uint32_t>(w, 1u << 20)) * std::min<std::uint32_t>(h, 1u << 20);
        c.bits = c.data[24] * 4; // bit depth per channel; colour type is not weighed
        return true;
    }
    if (c.data.size() < 40)
        return false;
    const std::int32_t w = std::int32_t(u32At(c.data.data() + 4));
    const std::int32_t h = std::int32_t(u32At(c.data.data() + 8));
    c.area = std::int64_t(w) * (h / 2);
    c.bits = c.data[14] | c.data[15] << 8;
    return true;
}

LoadedImage decodeBitmapEntry(ByteView data)
{
    ByteReader r(data, "icon bitmap");
    const std::uint32_t headerSize = r.u32le();
    if (headerSize < 40 || headerSize > 1024)
        throw ImageError("unknown icon bitmap header size " + std::to_string(headerSize));
    const std::int64_t width = r.s32le();
    const std::int64_t fullHeight = r.s32le();
    r.skip(2); // planes
    const int bits = r.u16le();
    const std::uint32_t compression = r.u32le();
    r.skip(12);
    const std::uint32_t coloursUsed = r.u32le();
    r.seek(headerSize);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        throw ImageError("unsupported icon bit depth " + std::to_string(bits));
    if (compression != 0)
        throw ImageError("unsupported icon compression " + std::to_string(compression));
    // The height counts the XOR image and the AND mask together.
    const std::int64_t height = (fullHeight < 0 ? -fullHeight : fullHeight) / 2;
    checkDimensions(width, height);
    const bool topDown = fullHeight < 0;

    QList<QRgb> palette;
    if (bits <= 8) {
        std::uint32_t count = coloursUsed == 0 || coloursUsed > (1u << bits) ? (1u << bits) : coloursUsed;
        ByteView entries = r.bytes(4 * std::size_t(count));
        for (std::uint32_t i = 0; i < count; ++i)
            palette.append(qRgb(entries[4 * i + 2], entries[4 * i + 1], entries[4 * i]));
        while (palette.size() < (1 << bits))
            palette.append(qRgb(0, 0, 0));
    }
    const std::size_t xorStride = std::size_t((width * bits + 31) / 32) * 4;
    const std::size_t andStride = std::size_t((width + 31) / 32) * 4;
    const std::size_t xorSize = xorStride * std::size_t(height);
    const std::size_t andSize = andStride * std::size_t(height);
    if (r.remaining() < xorSize)
        throw ImageError("truncated icon pixels");
    ByteView xorBits = r.bytes(xorSize);
    // 32-bit icons carry their own alpha; some writers leave out the mask then.
    const bool haveMask = r.remaining() >= andSize;
    if (!haveMask && bits != 32)
        throw ImageError("truncated icon mask");
    ByteView andBits = haveMask ? r.bytes(andSize) : ByteView();

    LoadedImage out;
    out.image = allocateImage(width, height, QImage::Format_ARGB32);
    bool anyAlpha = false;
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* src = xorBits.data() + xorStride * std::size_t(y);
        QRgb* dst = reinterpret_cast<QRgb*>(out.image.scanLine(int(topDown ? y : height - 1 - y)));
        for (std::int64_t x = 0; x < width; ++x) {
            QRgb c;
            switch (bits) {
            case 32:
                c = qRgba(src[4 * x + 2], src[4 * x + 1], src[4 * x], src[4 * x + 3]);
                anyAlpha |= src[4 * x + 3] != 0;
                break;
            case 24: c = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]); break;
            case 8: c = palette[src[x]]; break;
            case 4: c = palette[(src[x / 2] >> ((x & 1) ? 0 : 4)) & 15]; break;
            default: c = palette[(src[x / 8] >> (7 - x % 8)) & 1]; break;
            }
            dst[x] = c;
        }
    }
    // The AND mask gives transparency unless a 32-bit image has a real alpha channel; a
    // 32-bit image with neither is opaque.
    if (!haveMask && !anyAlpha) {
        for (std::int64_t y = 0; y < height; ++y) {
            QRgb* dst = reinterpret_cast<QRgb*>(out.image.scanLine(int(y)));
            for (std::int64_t x = 0; x < width; ++x)
                dst[x] |= 0xff000000u;
        }
    }
    if (haveMask && !(bits == 32 && anyAlpha)) {
        for (std::int64_t y = 0; y < height; ++y) {
            const std::uint8_t* mask = andBits.data() + andStride * std::size_t(y);
            QRgb* dst = reinterpret_cast<QRgb*>(out.image.scanLine(int(topDown ? y : height - 1 - y)));
            for (std::int64_t x = 0; x < width; ++x) {
                const bool transparent = (mask[x / 8] >> (7 - x % 8)) & 1;
                dst[x] = transparent ? qRgba(qRed(dst[x]), qGreen(dst[x]), qBlue(dst[x]), 0) : (dst[x] | 0xff000000u);
            }
        }
    }
    return out;
}

LoadedImage readIcon(ByteView data)
{
    ByteReader r(data, "icon directory");
    if (r.u16le() != 0)
        throw ImageError("not an icon file");
    const int type = r.u16le();
    if (type != 1 && type != 2)
        throw ImageError("unknown icon resource type " + std::to_string(type));
    const int count = r.u16le();
    if (count < 1 || count > kMaxEntries)
        throw ImageError("invalid number of icon images " + std::to_string(count));
    ByteView directory = r.bytes(kDirectoryEntrySize * std::size_t(count));

    Candidate best;
    bool found = false;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* e = directory.data() + kDirectoryEntrySize * std::size_t(i);
        const std::uint32_t size = u32At(e + 8);
        const std::uint32_t offset = u32At(e + 12);
        if (offset >= data.size() || size == 0)
            continue;
        // Some writers overstate the size of the last image: take what the file holds.
        Candidate c;
        c.data = data.subspan(offset, std::min<std::size_t>(size, data.size() - offset));
        if (!inspect(c))
            continue;
        if (!found || c.area > best.area || (c.area == best.area && c.bits > best.bits)) {
            best = c;
            found = true;
        }
    }
    if (!found)
        throw ImageError("no icon image lies inside the file");

    if (!best.png)
        return decodeBitmapEntry(best.data);
    const Codec* png = codecFor(ImageFormat::Png);
    if (!png || !png->read)
        throw ImageError("PNG-compressed icons need the PNG codec");
    LoadedImage out = png->read(best.data);
    out.dpi = {};
    return out;
}

constexpr std::string_view kIcoExtensions[] = {"ico"};
constexpr std::string_view kCurExtensions[] = {"cur"};

} // namespace

Codec icoCodec()
{
    return Codec{ImageFormat::Ico, "ICO", kIcoExtensions, sniffIco, readIcon, nullptr};
}

Codec curCodec()
{
    return Codec{ImageFormat::Cur, "CUR", kCurExtensions, sniffCur, readIcon, nullptr};
}

} // namespace fw::imaging
