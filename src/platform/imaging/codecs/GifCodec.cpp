// GIF 87a/89a through giflib. Reading gives the first frame composed on the logical screen
// (GifAnimation.h reads every frame); writing stores one image, reduced to 256 colours with
// our own quantizer unless it already is a palette image.

#include "CodecList.h"

#include "../ColorQuantizer.h"
#include "../GifAnimation.h"
#include "../ImageLimits.h"

#include <gif_lib.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <string>

namespace fw::imaging {

namespace {

bool sniffGif(ByteView head)
{
    return head.size() >= 6 && std::memcmp(head.data(), "GIF8", 4) == 0 && (head[4] == '7' || head[4] == '9')
           && head[5] == 'a';
}

/// Largest screen the reader fills around a smaller first frame (the frame itself may be larger).
constexpr std::int64_t kMaxPaddedScreenPixels = 16LL * 1024 * 1024;

LoadedImage readGif(ByteView data)
{
    GifAnimation anim = readGifAnimation(data, 1);
    GifFrame& frame = anim.frames.front();
    const QList<QRgb> palette = frame.image.colorTable();
    const int t = frame.transparentIndex;
    bool transparentUsed = false;
    if (t >= 0 && t < palette.size()) {
        for (int y = 0; y < frame.image.height() && !transparentUsed; ++y) {
            const uchar* row = frame.image.constScanLine(y);
            transparentUsed = std::find(row, row + frame.image.width(), uchar(t)) != row + frame.image.width();
        }
    }
    const bool covers = frame.left == 0 && frame.top == 0 && frame.image.width() == anim.screenWidth
                        && frame.image.height() == anim.screenHeight;

    LoadedImage out;
    if (covers && !transparentUsed) {
        out.image = std::move(frame.image);
        return out;
    }
    const std::int64_t screenPixels = std::int64_t(anim.screenWidth) * anim.screenHeight;
    if (screenPixels > std::max<std::int64_t>(kMaxPaddedScreenPixels,
                                              std::int64_t(frame.image.width()) * frame.image.height()))
        throw ImageError("logical screen " + std::to_string(anim.screenWidth) + " x "
                         + std::to_string(anim.screenHeight) + " is far larger than its image");

    // Outside the frame: transparent when the frame uses transparency, else the background colour.
    const QRgb background = anim.backgroundIndex < anim.globalPalette.size() ? anim.globalPalette[anim.backgroundIndex]
                                                                              : qRgb(0, 0, 0);
    if (!transparentUsed) {
        QList<QRgb> extended = palette;
        int bgIndex = int(extended.indexOf(background));
        if (bgIndex < 0 && extended.size() < 256) {
            bgIndex = int(extended.size());
            extended.append(background);
        }
        if (bgIndex >= 0) {
            out.image = allocateImage(anim.screenWidth, anim.screenHeight, QImage::Format_Indexed8);
            out.image.setColorTable(extended);
            out.image.fill(uint(bgIndex));
            for (int y = 0; y < frame.image.height(); ++y)
                std::memcpy(out.image.scanLine(frame.top + y) + frame.left, frame.image.constScanLine(y),
                            std::size_t(frame.image.width()));
            return out;
        }
    }
    out.image = allocateImage(anim.screenWidth, anim.screenHeight, QImage::Format_ARGB32);
    out.image.fill(transparentUsed ? qRgba(0, 0, 0, 0) : background);
    for (int y = 0; y < frame.image.height(); ++y) {
        const uchar* src = frame.image.constScanLine(y);
        QRgb* dst = reinterpret_cast<QRgb*>(out.image.scanLine(frame.top + y)) + frame.left;
        for (int x = 0; x < frame.image.width(); ++x)
            dst[x] = src[x] == t ? qRgba(0, 0, 0, 0) : palette[src[x]];
    }
    return out;
}

int appendToBuffer(GifFileType* gif, const GifByteType* bytes, int n)
{
    auto* out = static_cast<ByteBuffer*>(gif->UserData);
    try {
        out->insert(out->end(), bytes, bytes + n);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return n;
}

std::string gifError(int code)
{
    const char* text = GifErrorString(code);
    return text ? std::string(text) : "GIF encoder error " + std::to_string(code);
}

struct MapFree {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

/// The image as palette indices with at most 256 colours, and the transparent entry or -1.
QImage toPaletteImage(const QImage& source, bool dither, int& transparentIndex)
{
    transparentIndex = -1;
    if (source.format() == QImage::Format_Indexed8 && source.colorCount() > 0 && source.colorCount() <= 256) {
        const QList<QRgb> table = source.colorTable();
        for (int i = 0; i < table.size(); ++i) {
            if (qAlpha(table[i]) < 128) {
                transparentIndex = i;
                break;
            }
        }
        return source;
    }
    if (!source.hasAlphaChannel())
        return quantize(source, 256, dither);
    const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
    bool anyTransparent = false;
    for (int y = 0; y < argb.height() && !anyTransparent; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        anyTransparent = std::any_of(row, row + argb.width(), [](QRgb c) { return qAlpha(c) < 128; });
    }
    if (!anyTransparent)
        return quantize(argb, 256, dither);
    // One entry is reserved for the transparent pixels, which get that index afterwards.
    QImage indexed = quantize(argb, 255, dither);
    QList<QRgb> palette = indexed.colorTable();
    transparentIndex = int(palette.size());
    palette.append(qRgba(0, 0, 0, 0));
    indexed.setColorTable(palette);
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uchar* dst = indexed.scanLine(y);
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(row[x]) < 128)
                dst[x] = uchar(transparentIndex);
    }
    return indexed;
}

void writeGif(const QImage& source, const WriteOptions& options, ImageFormat, ByteBuffer& out)
{
    if (source.width() > 0xffff || source.height() > 0xffff)
        throw ImageError("the image is too large for a GIF file (at most 65535 x 65535)");
    int transparentIndex = -1;
    const QImage image = toPaletteImage(source, options.gif.dither, transparentIndex);
    const int w = image.width(), h = image.height();

    // The colour table size is a power of two and must cover every index the pixels use.
    int maxIndex = 0;
    for (int y = 0; y < h; ++y) {
        const uchar* row = image.constScanLine(y);
        maxIndex = std::max<int>(maxIndex, *std::max_element(row, row + w));
    }
    const QList<QRgb> table = image.colorTable();
    const int used = std::max<int>(int(table.size()), maxIndex + 1);
    const int tableSize = std::max(2, int(std::bit_ceil(unsigned(used))));
    std::vector<GifColorType> colours(std::size_t(tableSize), GifColorType{0, 0, 0});
    for (int i = 0; i < table.size(); ++i)
        colours[std::size_t(i)] = GifColorType{GifByteType(qRed(table[i])), GifByteType(qGreen(table[i])),
                                               GifByteType(qBlue(table[i]))};
    std::unique_ptr<ColorMapObject, MapFree> map(GifMakeMapObject(tableSize, colours.data()));
    if (!map)
        throw ImageError("not enough memory for the colour table");

    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendToBuffer, &error);
    if (!gif)
        throw ImageError(gifError(error));
    auto closeAndFail = [&](const char* what) {
        const int code = gif->Error;
        int ignored = 0;
        EGifCloseFile(gif, &ignored);
        throw ImageError(std::string(what) + ": " + gifError(code));
    };
    EGifSetGifVersion(gif, true);
    // Colour resolution 8 bits, background entry 0; the aspect byte stays 0 (GIF has no resolution).
    if (EGifPutScreenDesc(gif, w, h, 8, 0, map.get()) == GIF_ERROR)
        closeAndFail("cannot write the screen descriptor");
    if (transparentIndex >= 0) {
        GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, transparentIndex};
        GifByteType extension[4];
        const std::size_t length = EGifGCBToExtension(&gcb, extension);
        if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension) == GIF_ERROR)
            closeAndFail("cannot write the transparency");
    }
    const bool interlaced = options.gif.interlaced;
    if (EGifPutImageDesc(gif, 0, 0, w, h, interlaced, nullptr) == GIF_ERROR)
        closeAndFail("cannot write the image descriptor");
    std::vector<GifPixelType> line(static_cast<std::size_t>(w));
    static constexpr int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    auto putRow = [&](int y) {
        std::memcpy(line.data(), image.constScanLine(y), std::size_t(w));
        if (EGifPutLine(gif, line.data(), w) == GIF_ERROR)
            closeAndFail("cannot write the pixels");
    };
    if (interlaced) {
        for (int pass = 0; pass < 4; ++pass)
            for (int y = start[pass]; y < h; y += step[pass])
                putRow(y);
    } else {
        for (int y = 0; y < h; ++y)
            putRow(y);
    }
    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        throw ImageError("cannot finish the file: " + gifError(error));
}

constexpr std::string_view kExtensions[] = {"gif"};

} // namespace

Codec gifCodec()
{
    return Codec{ImageFormat::Gif, "GIF", kExtensions, sniffGif, readGif, writeGif};
}

} // namespace fw::imaging
