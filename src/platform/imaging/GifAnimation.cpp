#include "GifAnimation.h"

#include "ImageLimits.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace fw::imaging {

namespace {

struct MemoryInput {
    ByteView data;
    std::size_t pos = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* buffer, int wanted)
{
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    if (wanted <= 0)
        return 0;
    const std::size_t n = std::min<std::size_t>(std::size_t(wanted), in->data.size() - in->pos);
    std::memcpy(buffer, in->data.data() + in->pos, n);
    in->pos += n;
    return int(n);
}

std::string gifError(int code)
{
    const char* text = GifErrorString(code);
    return text ? std::string(text) : "GIF decoder error " + std::to_string(code);
}

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

/// At most this many pixels can come out of one byte of LZW data (a 3-bit code naming a
/// 4096-pixel string); frames larger than the remaining data can yield are forged.
constexpr std::int64_t kMaxPixelsPerByte = 4096 * 8 / 3 + 1;

QList<QRgb> paletteOf(const ColorMapObject* map)
{
    QList<QRgb> palette;
    if (!map || !map->Colors || map->ColorCount <= 0)
        return palette;
    const int count = std::min(map->ColorCount, 256);
    palette.reserve(count);
    for (int i = 0; i < count; ++i)
        palette.append(qRgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue));
    return palette;
}

/// Row of the image that the n-th stored row of an interlaced frame fills.
int interlacedRow(int n, int height)
{
    static constexpr int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int rows = height > start[pass] ? (height - start[pass] + step[pass] - 1) / step[pass] : 0;
        if (n < rows)
            return start[pass] + n * step[pass];
        n -= rows;
    }
    return -1;
}

} // namespace

GifAnimation readGifAnimation(ByteView data, int frameLimit)
{
    MemoryInput input{data, 0};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&input, readFromMemory, &error));
    if (!gif)
        throw ImageError(gifError(error));
    auto fail = [&](const char* what) {
        throw ImageError(std::string(what) + ": " + gifError(gif->Error));
    };

    GifAnimation anim;
    anim.screenWidth = gif->SWidth;
    anim.screenHeight = gif->SHeight;
    anim.backgroundIndex = gif->SBackGroundColor;
    anim.globalPalette = paletteOf(gif->SColorMap);

    std::int64_t totalPixels = 0;
    GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    std::vector<GifPixelType> line;
    while (frameLimit <= 0 || int(anim.frames.size()) < frameLimit) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) {
            // A missing trailer after complete frames is common and harmless.
            if (!anim.frames.empty() && input.pos >= data.size())
                break;
            fail("cannot read the next block");
        }
        if (type == TERMINATE_RECORD_TYPE)
            break;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
                fail("cannot read an extension");
            bool netscape = false;
            if (block && code == GRAPHICS_EXT_FUNC_CODE && block[0] >= 4)
                DGifExtensionToGCB(block[0], block + 1, &gcb);
            if (block && code == APPLICATION_EXT_FUNC_CODE && block[0] == 11
                && (std::memcmp(block + 1, "NETSCAPE2.0", 11) == 0 || std::memcmp(block + 1, "ANIMEXTS1.0", 11) == 0))
                netscape = true;
            while (block) {
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR)
                    fail("cannot read an extension");
                if (netscape && block && block[0] >= 3 && block[1] == 1) {
                    anim.loopCount = block[2] | block[3] << 8;
                    netscape = false;
                }
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            throw ImageError("unknown block type in the file");

        if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
            fail("cannot read an image descriptor");
        const GifImageDesc& desc = gif->Image;
        const int number = int(anim.frames.size()) + 1;
        if (number > kMaxGifFrames)
            throw ImageError("the file has more than " + std::to_string(kMaxGifFrames) + " frames");
        const std::int64_t w = desc.Width, h = desc.Height;
        checkDimensions(w, h);
        const std::int64_t pixels = w * h;
        if (pixels > std::int64_t(data.size() - input.pos) * kMaxPixelsPerByte + 4096)
            throw ImageError("frame " + std::to_string(number) + " is larger than its data can hold");
        totalPixels += pixels;
        if (totalPixels > kMaxGifTotalPixels)
            throw ImageError("the frames exceed the supported total size");
        if (anim.screenWidth <= 0 || anim.screenHeight <= 0) {
            // Some writers leave the screen size at zero: the first frame defines it.
            anim.screenWidth = int(desc.Left + w);
            anim.screenHeight = int(desc.Top + h);
        }

        // The visible part of the frame on the screen.
        const std::int64_t x0 = desc.Left, y0 = desc.Top;
        const std::int64_t x1 = std::min<std::int64_t>(x0 + w, anim.screenWidth);
        const std::int64_t y1 = std::min<std::int64_t>(y0 + h, anim.screenHeight);
        if (x1 <= x0 || y1 <= y0)
            throw ImageError("frame " + std::to_string(number) + " lies outside the logical screen");

        QList<QRgb> palette = paletteOf(desc.ColorMap ? desc.ColorMap : gif->SColorMap);
        if (palette.isEmpty())
            palette = greyPalette(256); // no colour table at all: show the indices as grey

        GifFrame frame;
        frame.left = int(x0);
        frame.top = int(y0);
        frame.delayCentiseconds = gcb.DelayTime;
        frame.disposal = gcb.DisposalMode;
        frame.transparentIndex = gcb.TransparentColor;
        frame.image = allocateImage(x1 - x0, y1 - y0, QImage::Format_Indexed8);
        line.assign(std::size_t(w), 0);
        int maxIndex = 0;
        for (int n = 0; n < int(h); ++n) {
            if (DGifGetLine(gif.get(), line.data(), int(w)) == GIF_ERROR)
                fail(("cannot decode frame " + std::to_string(number)).c_str());
            const int row = desc.Interlace ? interlacedRow(n, int(h)) : n;
            if (row < 0 || row >= y1 - y0)
                continue;
            const std::size_t visible = std::size_t(x1 - x0);
            std::memcpy(frame.image.scanLine(row), line.data(), visible);
            maxIndex = std::max<int>(maxIndex, *std::max_element(line.begin(), line.begin() + std::ptrdiff_t(visible)));
        }
        // Indices past a short colour table show black rather than reading outside it.
        while (palette.size() <= maxIndex)
            palette.append(qRgb(0, 0, 0));
        frame.image.setColorTable(palette);
        anim.frames.push_back(std::move(frame));
        gcb = GraphicsControlBlock{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    }
    if (anim.frames.empty())
        throw ImageError("the file contains no image");
    return anim;
}

} // namespace fw::imaging
