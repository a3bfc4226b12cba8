// TIFF through libtiff, on memory streams. Reads the first page: 8-bit RGB(A), palette and
// greyscale strips directly, everything else (tiles, YCbCr, CMYK, Lab, other depths, JPEG
// and the rest of the compressions) through libtiff's RGBA conversion. Writes 24-bit RGB,
// 8-bit palette or RGBA (unassociated alpha), uncompressed or LZW/Deflate/PackBits/JPEG.
//
// libtiff reports problems through process-wide handlers. Ours keep the first message of
// the current thread's call instead of printing it; the codec throws it once the libtiff
// function has returned its failure.

#include "CodecList.h"

#include "../ImageLimits.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include <tiffio.h>

namespace fw::imaging {

namespace {

// Largest buffer libtiff may allocate at once (strip buffers, tables): enough for any image
// within the pixel limit, and a stop for forged strip sizes.
constexpr tmsize_t kMaxLibtiffAllocation = tmsize_t(1) << 30;

thread_local std::string tiffError;

void captureError(const char* module, const char* format, va_list args)
{
    if (!tiffError.empty())
        return; // the first message names the cause; later ones are consequences
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    tiffError = text;
    if (module && *module && tiffError.find(module) == std::string::npos)
        tiffError = std::string(module) + ": " + tiffError;
}

void ignoreWarning(const char*, const char*, va_list) {}

void installHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(captureError);
        TIFFSetWarningHandler(ignoreWarning);
    });
}

[[noreturn]] void fail(const char* fallback)
{
    std::string message = tiffError.empty() ? std::string(fallback) : tiffError;
    tiffError.clear();
    throw ImageError(message);
}

bool sniffTiff(ByteView head)
{
    if (head.size() < 4)
        return false;
    const bool little = head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0;
    const bool big = head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43);
    return little || big;
}

// ---------------------------------------------------------------------------------------------
// Memory stream for TIFFClientOpen: reads from a view, or writes into a growing buffer that
// libtiff may also seek in and read back.

struct Stream {
    ByteView input;
    ByteBuffer* output = nullptr;
    std::uint64_t pos = 0;

    std::uint64_t size() const { return output ? output->size() : input.size(); }
    const std::uint8_t* data() const { return output ? output->data() : input.data(); }
};

tmsize_t streamRead(thandle_t handle, void* buffer, tmsize_t size)
{
    auto* s = static_cast<Stream*>(handle);
    if (size <= 0 || s->pos >= s->size())
        return 0;
    const std::uint64_t n = std::min<std::uint64_t>(std::uint64_t(size), s->size() - s->pos);
    std::memcpy(buffer, s->data() + s->pos, n);
    s->pos += n;
    return tmsize_t(n);
}

tmsize_t streamWrite(thandle_t handle, void* buffer, tmsize_t size)
{
    auto* s = static_cast<Stream*>(handle);
    if (!s->output || size < 0)
        return -1;
    const std::uint64_t end = s->pos + std::uint64_t(size);
    // Classic TIFF offsets are 32 bits; libtiff checks this too, but never grow past it.
    if (end > 0xffffffffull)
        return -1;
    try {
        if (end > s->output->size())
            s->output->resize(end);
    } catch (...) {
        return -1;
    }
    std::memcpy(s->output->data() + s->pos, buffer, std::size_t(size));
    s->pos = end;
    return size;
}

toff_t streamSeek(thandle_t handle, toff_t offset, int whence)
{
    auto* s = static_cast<Stream*>(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = s->pos;
    else if (whence == SEEK_END)
        base = s->size();
    const std::uint64_t target = base + offset;
    if (target < base || target > 0xffffffffffull)
        return toff_t(-1);
    s->pos = target;
    return target;
}

int streamClose(thandle_t) { return 0; }

toff_t streamSize(thandle_t handle) { return static_cast<Stream*>(handle)->size(); }

// Reading maps the whole input: libtiff then decodes straight from it without copying.
int streamMap(thandle_t handle, void** base, toff_t* size)
{
    auto* s = static_cast<Stream*>(handle);
    if (s->output)
        return 0;
    *base = const_cast<std::uint8_t*>(s->input.data());
    *size = s->input.size();
    return 1;
}

void streamUnmap(thandle_t, void*, toff_t) {}

/// Owns an open TIFF handle.
class TiffHandle {
public:
    TiffHandle(Stream& stream, const char* mode)
    {
        installHandlers();
        tiffError.clear();
        TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
        if (opts)
            TIFFOpenOptionsSetMaxSingleMemAlloc(opts, kMaxLibtiffAllocation);
        tif_ = TIFFClientOpenExt("memory", mode, &stream, streamRead, streamWrite, streamSeek, streamClose,
                                 streamSize, streamMap, streamUnmap, opts);
        if (opts)
            TIFFOpenOptionsFree(opts);
        if (!tif_)
            fail("cannot open the TIFF data");
    }
    ~TiffHandle()
    {
        if (tif_)
            TIFFClose(tif_);
    }
    TiffHandle(const TiffHandle&) = delete;
    TiffHandle& operator=(const TiffHandle&) = delete;

    TIFF* get() const { return tif_; }
    /// Closes the handle (flushing a file being written) and throws on failure.
    void close()
    {
        TIFF* tif = tif_;
        tif_ = nullptr;
        const bool flushed = TIFFFlush(tif) != 0;
        TIFFClose(tif);
        if (!flushed || !tiffError.empty())
            fail("cannot write the TIFF data");
    }

private:
    TIFF* tif_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Reading

struct Layout {
    std::uint32_t width = 0, height = 0;
    std::uint16_t samples = 1, bits = 1, photometric = PHOTOMETRIC_MINISWHITE, planar = PLANARCONFIG_CONTIG;
    std::uint16_t orientation = ORIENTATION_TOPLEFT, alpha = EXTRASAMPLE_UNSPECIFIED;
    std::uint16_t extraCount = 0;
    bool tiled = false;
};

Resolution readResolution(TIFF* tif)
{
    float x = 0, y = 0;
    std::uint16_t unit = RESUNIT_INCH;
    if (!TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x) || !TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y))
        return {};
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (!std::isfinite(x) || !std::isfinite(y) || x <= 0 || y <= 0)
        return {};
    if (unit == RESUNIT_INCH)
        return {double(x), double(y)};
    if (unit == RESUNIT_CENTIMETER)
        return {x * 2.54, y * 2.54};
    return {};
}

void readScanline(TIFF* tif, void* buffer, std::uint32_t row)
{
    if (TIFFReadScanline(tif, buffer, row, 0) < 0)
        fail("cannot decode the TIFF image data");
}

/// A 16-bit sample scaled to 8 bits with rounding.
int to8(unsigned v) { return int((v * 255u + 32767u) / 65535u); }

/// Palette, greyscale or bilevel with 1, 2, 4, 8 or 16 bits: one index per pixel.
QImage readIndexed(TIFF* tif, const Layout& l)
{
    QList<QRgb> palette;
    if (l.photometric == PHOTOMETRIC_PALETTE) {
        std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
            fail("missing colour map");
        const int count = 1 << l.bits;
        // Some writers store 8-bit values in the 16-bit colour map.
        bool eightBit = true;
        for (int i = 0; i < count; ++i)
            eightBit &= red[i] < 256 && green[i] < 256 && blue[i] < 256;
        for (int i = 0; i < count; ++i) {
            if (eightBit)
                palette.append(qRgb(red[i], green[i], blue[i]));
            else
                palette.append(qRgb(to8(red[i]), to8(green[i]), to8(blue[i])));
        }
    } else {
        palette = greyPalette(l.bits == 16 ? 256 : 1 << l.bits);
        if (l.photometric == PHOTOMETRIC_MINISWHITE)
            std::reverse(palette.begin(), palette.end());
    }
    QImage image = allocateImage(l.width, l.height, QImage::Format_Indexed8);
    image.setColorTable(palette);
    const tmsize_t scanline = TIFFScanlineSize(tif);
    const std::size_t needed = (std::size_t(l.width) * l.bits + 7) / 8;
    if (scanline <= 0 || std::size_t(scanline) < needed)
        fail("invalid TIFF scanline size");
    std::vector<std::uint8_t> row(static_cast<std::size_t>(scanline));
    const int perByte = l.bits < 8 ? 8 / l.bits : 1;
    const std::uint8_t mask = std::uint8_t((1 << std::min<int>(l.bits, 8)) - 1);
    for (std::uint32_t y = 0; y < l.height; ++y) {
        readScanline(tif, row.data(), y);
        std::uint8_t* dst = image.scanLine(int(y));
        if (l.bits == 8) {
            std::memcpy(dst, row.data(), l.width);
        } else if (l.bits == 16) {
            const auto* src = reinterpret_cast<const std::uint16_t*>(row.data()); // native order after libtiff
            for (std::uint32_t x = 0; x < l.width; ++x)
                dst[x] = std::uint8_t((src[x] * 255u + 32767u) / 65535u);
        } else {
            for (std::uint32_t x = 0; x < l.width; ++x) {
                const int shift = 8 - l.bits * int(x % perByte + 1);
                dst[x] = std::uint8_t((row[x / perByte] >> shift) & mask);
            }
        }
    }
    return image;
}

/// 8-bit RGB, or RGB with one alpha sample, interleaved in strips.
QImage readRgb8(TIFF* tif, const Layout& l, bool withAlpha)
{
    QImage image = allocateImage(l.width, l.height, withAlpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    const tmsize_t scanline = TIFFScanlineSize(tif);
    if (scanline <= 0 || std::size_t(scanline) < std::size_t(l.width) * l.samples)
        fail("invalid TIFF scanline size");
    std::vector<std::uint8_t> row(static_cast<std::size_t>(scanline));
    for (std::uint32_t y = 0; y < l.height; ++y) {
        readScanline(tif, row.data(), y);
        const std::uint8_t* src = row.data();
        std::uint8_t* dst = image.scanLine(int(y));
        if (withAlpha) {
            auto* argb = reinterpret_cast<QRgb*>(dst);
            for (std::uint32_t x = 0; x < l.width; ++x, src += l.samples) {
                const int a = src[3];
                if (l.alpha == EXTRASAMPLE_ASSOCALPHA && a != 0 && a != 255) // stored premultiplied
                    argb[x] = qRgba(std::min(255, (src[0] * 255 + a / 2) / a), std::min(255, (src[1] * 255 + a / 2) / a),
                                    std::min(255, (src[2] * 255 + a / 2) / a), a);
                else
                    argb[x] = qRgba(src[0], src[1], src[2], a);
            }
        } else {
            for (std::uint32_t x = 0; x < l.width; ++x, src += l.samples, dst += 3) {
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
            }
        }
    }
    return image;
}

/// Anything else: libtiff converts to 8-bit RGBA (premultiplied when there is alpha).
QImage readGeneric(TIFF* tif, const Layout& l)
{
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message))
        throw ImageError(message[0] ? message : "unsupported TIFF image layout");
    // The raster is R, G, B, A bytes per pixel: RGBA8888 in QImage's terms.
    QImage raster = allocateImage(l.width, l.height, QImage::Format_RGBA8888_Premultiplied);
    TIFFRGBAImage img;
    std::memset(&img, 0, sizeof img);
    if (!TIFFRGBAImageBegin(&img, tif, 1, message))
        throw ImageError(message[0] ? message : "unsupported TIFF image layout");
    img.req_orientation = ORIENTATION_TOPLEFT;
    const bool hasAlpha = img.alpha != 0;
    // The conversion premultiplies unassociated alpha for colour images only; greyscale with
    // alpha comes out as stored.
    const bool straightAlpha = img.alpha == EXTRASAMPLE_UNASSALPHA
                               && (l.photometric == PHOTOMETRIC_MINISBLACK || l.photometric == PHOTOMETRIC_MINISWHITE);
    const int ok = TIFFRGBAImageGet(&img, reinterpret_cast<std::uint32_t*>(raster.bits()), l.width, l.height);
    TIFFRGBAImageEnd(&img);
    if (!ok)
        fail("cannot decode the TIFF image data");
    if (hasAlpha) {
        if (straightAlpha)
            raster.reinterpretAsFormat(QImage::Format_RGBA8888);
        return raster.convertToFormat(QImage::Format_ARGB32);
    }
    raster.reinterpretAsFormat(QImage::Format_RGBX8888);
    return raster.convertToFormat(QImage::Format_BGR888);
}

LoadedImage readTiff(ByteView data)
{
    Stream stream{data};
    TiffHandle handle(stream, "r");
    TIFF* tif = handle.get();
    Layout l;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height))
        fail("missing image size");
    checkDimensions(l.width, l.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l.bits);
    // Colour, alpha and a few extra channels of up to 32 bits each fit in 128 bits a pixel.
    // More is a forged header: libtiff would allocate strip buffers sized by it (hundreds of
    // megabytes for a few bytes of data) before finding that the data is missing.
    if (l.samples == 0 || l.bits == 0 || l.bits > 64 || int(l.samples) * l.bits > 128)
        throw ImageError("unsupported sample layout (" + std::to_string(l.samples) + " samples of "
                         + std::to_string(l.bits) + " bits)");
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l.photometric))
        l.photometric = l.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &l.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &l.orientation);
    std::uint16_t* extra = nullptr;
    if (TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &l.extraCount, &extra) && l.extraCount > 0 && extra)
        l.alpha = extra[0];
    l.tiled = TIFFIsTiled(tif) != 0;

    LoadedImage out;
    out.dpi = readResolution(tif);
    const bool simple = !l.tiled && l.orientation == ORIENTATION_TOPLEFT
                        && (l.planar == PLANARCONFIG_CONTIG || l.samples == 1);
    const bool oneSample = l.samples == 1 && l.extraCount == 0;
    const bool alphaSample = l.alpha == EXTRASAMPLE_ASSOCALPHA || l.alpha == EXTRASAMPLE_UNASSALPHA;
    if (simple && oneSample && l.photometric == PHOTOMETRIC_PALETTE
        && (l.bits == 1 || l.bits == 2 || l.bits == 4 || l.bits == 8)) {
        out.image = readIndexed(tif, l);
    } else if (simple && oneSample
               && (l.photometric == PHOTOMETRIC_MINISBLACK || l.photometric == PHOTOMETRIC_MINISWHITE)
               && (l.bits == 1 || l.bits == 2 || l.bits == 4 || l.bits == 8 || l.bits == 16)) {
        out.image = readIndexed(tif, l);
    } else if (simple && l.photometric == PHOTOMETRIC_RGB && l.bits == 8 && l.samples == 3 && l.extraCount == 0) {
        out.image = readRgb8(tif, l, false);
    } else if (simple && l.photometric == PHOTOMETRIC_RGB && l.bits == 8 && l.samples == 4 && l.extraCount == 1
               && alphaSample) {
        out.image = readRgb8(tif, l, true);
    } else {
        out.image = readGeneric(tif, l);
    }
    if (out.image.isNull())
        throw ImageError("not enough memory to convert the image");
    return out;
}

// ---------------------------------------------------------------------------------------------
// Writing

std::uint16_t compressionTag(TiffOptions::Compression c)
{
    switch (c) {
    case TiffOptions::Compression::None: return COMPRESSION_NONE;
    case TiffOptions::Compression::Lzw: return COMPRESSION_LZW;
    case TiffOptions::Compression::Deflate: return COMPRESSION_ADOBE_DEFLATE;
    case TiffOptions::Compression::PackBits: return COMPRESSION_PACKBITS;
    case TiffOptions::Compression::Jpeg: return COMPRESSION_JPEG;
    }
    return COMPRESSION_NONE;
}

bool paletteHasAlpha(const QImage& image)
{
    for (QRgb c : image.colorTable())
        if (qAlpha(c) != 255)
            return true;
    return false;
}

void writeTiff(const QImage& source, const WriteOptions& options, ImageFormat, ByteBuffer& out)
{
    const TiffOptions::Compression compression = options.tiff.compression;
    const bool jpeg = compression == TiffOptions::Compression::Jpeg;
    // Palette images become RGB under JPEG (which has no palette mode) and when the palette
    // carries alpha (a TIFF colour map cannot).
    const bool indexed = source.format() == QImage::Format_Indexed8 && source.colorCount() > 0
                         && source.colorCount() <= 256 && !jpeg && !paletteHasAlpha(source);
    const bool alpha = !indexed && source.hasAlphaChannel();
    const QImage image = indexed ? source
                         : source.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    if (image.isNull())
        throw ImageError("not enough memory to convert the image");
    if (jpeg && (image.width() > 65500 || image.height() > 65500))
        throw ImageError("the image is too large for JPEG compression (at most 65500 pixels on each side)");

    Stream stream;
    stream.output = &out;
    TiffHandle handle(stream, "w");
    TIFF* tif = handle.get();
    const std::uint16_t samples = indexed ? 1 : alpha ? 4 : 3;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(image.width()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(image.height()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compressionTag(compression));
    if (jpeg) {
        TIFFSetField(tif, TIFFTAG_JPEGQUALITY, std::clamp(options.tiff.jpegQuality, 1, 100));
        if (!alpha) {
            // YCbCr with 2x2 chroma subsampling, as other writers do; libtiff converts from RGB.
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
            TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        } else {
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        }
    } else {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, indexed ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_RGB);
    }
    if (!indexed && (compression == TiffOptions::Compression::Lzw || compression == TiffOptions::Compression::Deflate))
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    if (alpha) {
        const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (indexed) {
        std::vector<std::uint16_t> red(256, 0), green(256, 0), blue(256, 0);
        const QList<QRgb> table = image.colorTable();
        for (int i = 0; i < table.size(); ++i) {
            red[std::size_t(i)] = std::uint16_t(qRed(table[i]) * 257);
            green[std::size_t(i)] = std::uint16_t(qGreen(table[i]) * 257);
            blue[std::size_t(i)] = std::uint16_t(qBlue(table[i]) * 257);
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    }
    if (options.dpi.known()) {
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(options.dpi.x));
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(options.dpi.y));
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    }
    // Strips of about 64 KiB: small enough for readers to stream, large enough to compress well.
    // JPEG needs a multiple of the 16-row MCU height; libtiff's default takes care of that.
    const std::uint32_t rowBytes = std::uint32_t(image.width()) * samples;
    std::uint32_t rows = std::max<std::uint32_t>(1, 65536 / std::max<std::uint32_t>(1, rowBytes));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, rows));
    if (!tiffError.empty())
        fail("cannot write the TIFF header");

    std::vector<std::uint8_t> row(rowBytes);
    for (int y = 0; y < image.height(); ++y) {
        const std::uint8_t* src = image.constScanLine(y);
        if (indexed) {
            std::memcpy(row.data(), src, rowBytes);
        } else if (alpha) {
            const auto* argb = reinterpret_cast<const QRgb*>(src);
            for (int x = 0; x < image.width(); ++x) {
                row[4 * std::size_t(x)] = std::uint8_t(qRed(argb[x]));
                row[4 * std::size_t(x) + 1] = std::uint8_t(qGreen(argb[x]));
                row[4 * std::size_t(x) + 2] = std::uint8_t(qBlue(argb[x]));
                row[4 * std::size_t(x) + 3] = std::uint8_t(qAlpha(argb[x]));
            }
        } else {
            for (int x = 0; x < image.width(); ++x) {
                row[3 * std::size_t(x)] = src[3 * x + 2];
                row[3 * std::size_t(x) + 1] = src[3 * x + 1];
                row[3 * std::size_t(x) + 2] = src[3 * x];
            }
        }
        if (TIFFWriteScanline(tif, row.data(), std::uint32_t(y), 0) < 0)
            fail("cannot write the TIFF image data");
    }
    handle.close();
}

constexpr std::string_view kExtensions[] = {"tif", "tiff"};

} // namespace

Codec tiffCodec()
{
    return Codec{ImageFormat::Tiff, "TIFF", kExtensions, sniffTiff, readTiff, writeTiff};
}

} // namespace fw::imaging
