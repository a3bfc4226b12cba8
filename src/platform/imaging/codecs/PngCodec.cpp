// PNG through libpng. Reads every colour type and bit depth (16-bit samples are scaled to 8),
// interlaced or not; writes 24-bit RGB, 8-bit palette (with tRNS for palette alpha) or RGBA,
// with the resolution in a pHYs chunk.
//
// libpng reports errors through png_error, which here longjmps back to the function holding
// the setjmp frame. Those functions keep every C++ object in a context struct owned by their
// caller, so the jump skips no destructor; the caller throws the stored message and the
// context's destructor frees the library state.

#include "CodecList.h"

#include "../ImageLimits.h"

#include <QtEndian>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include <png.h>

namespace fw::imaging {

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// Ancillary chunks (text, ICC profiles) are kept in memory while reading: limit their number
// and size so that a file cannot make libpng hold gigabytes of metadata.
constexpr png_uint_32 kMaxCachedChunks = 1000;
constexpr png_alloc_size_t kMaxChunkBytes = 16 * 1024 * 1024;

struct ErrorState {
    char message[256] = {};
};

[[noreturn]] void pngError(png_structp png, png_const_charp message)
{
    auto* state = static_cast<ErrorState*>(png_get_error_ptr(png));
    if (state && !state->message[0]) {
        std::strncpy(state->message, message ? message : "invalid PNG data", sizeof state->message - 1);
    }
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

bool sniffPng(ByteView head)
{
    return head.size() >= 8 && std::memcmp(head.data(), kSignature, 8) == 0;
}

/// QImage::Format_ARGB32 keeps each pixel as one native 32-bit word: B, G, R, A in memory on
/// little-endian machines, A, R, G, B on big-endian ones.
void setArgbOrder(png_structp png)
{
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN)
        png_set_bgr(png);
    else
        png_set_swap_alpha(png);
}

// ---------------------------------------------------------------------------------------------
// Reading

struct Source {
    ByteView data;
    std::size_t pos = 0;
};

void readData(png_structp png, png_bytep out, png_size_t length)
{
    auto* src = static_cast<Source*>(png_get_io_ptr(png));
    if (length > src->data.size() - src->pos)
        png_error(png, "truncated PNG data");
    std::memcpy(out, src->data.data() + src->pos, length);
    src->pos += length;
}

struct ReadContext {
    ErrorState error;
    Source source;
    png_structp png = nullptr;
    png_infop info = nullptr;
    LoadedImage out;
    std::vector<png_bytep> rows;
    QList<QRgb> palette;

    ~ReadContext() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

bool decodePng(ReadContext& ctx)
{
    png_structp png = ctx.png;
    png_infop info = ctx.info;
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, &ctx.source, readData);
    png_set_user_limits(png, png_uint_32(kMaxDimension), png_uint_32(kMaxDimension));
    png_set_chunk_cache_max(png, kMaxCachedChunks);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int depth = 0, colourType = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, nullptr, nullptr, nullptr);
    // Refuse a forged size before libpng or we allocate anything for the pixels.
    checkDimensions(width, height);

    png_uint_32 ppmX = 0, ppmY = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &ppmX, &ppmY, &unit) && unit == PNG_RESOLUTION_METER && ppmX > 0 && ppmY > 0)
        ctx.out.dpi = {dpiFromPixelsPerMetre(ppmX), dpiFromPixelsPerMetre(ppmY)};

    png_bytep trans = nullptr;
    int transCount = 0;
    png_color_16p transColour = nullptr;
    const bool hasTrns = png_get_tRNS(png, info, &trans, &transCount, &transColour) != 0;

    QImage::Format format = QImage::Format_BGR888;
    if (depth == 16)
        png_set_scale_16(png);
    switch (colourType) {
    case PNG_COLOR_TYPE_PALETTE: {
        bool translucent = false;
        for (int i = 0; hasTrns && trans && i < transCount; ++i)
            translucent |= trans[i] != 255;
        if (translucent) {
            png_set_palette_to_rgb(png);
            png_set_tRNS_to_alpha(png);
            setArgbOrder(png);
            format = QImage::Format_ARGB32;
        } else {
            png_colorp entries = nullptr;
            int count = 0;
            if (!png_get_PLTE(png, info, &entries, &count) || !entries || count <= 0)
                png_error(png, "missing colour palette");
            for (int i = 0; i < count && i < 256; ++i)
                ctx.palette.append(qRgb(entries[i].red, entries[i].green, entries[i].blue));
            // Indices past a short palette show black rather than reading outside the table.
            while (ctx.palette.size() < 256)
                ctx.palette.append(qRgb(0, 0, 0));
            if (depth < 8)
                png_set_packing(png);
            format = QImage::Format_Indexed8;
        }
        break;
    }
    case PNG_COLOR_TYPE_GRAY:
        if (hasTrns) {
            png_set_expand_gray_1_2_4_to_8(png);
            png_set_tRNS_to_alpha(png);
            png_set_gray_to_rgb(png);
            setArgbOrder(png);
            format = QImage::Format_ARGB32;
        } else {
            if (depth < 8)
                png_set_packing(png);
            ctx.palette = greyPalette(depth < 8 ? 1 << depth : 256);
            format = QImage::Format_Indexed8;
        }
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        png_set_gray_to_rgb(png);
        setArgbOrder(png);
        format = QImage::Format_ARGB32;
        break;
    case PNG_COLOR_TYPE_RGB:
        if (hasTrns) {
            png_set_tRNS_to_alpha(png);
            setArgbOrder(png);
            format = QImage::Format_ARGB32;
        } else {
            png_set_bgr(png);
        }
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        setArgbOrder(png);
        format = QImage::Format_ARGB32;
        break;
    default:
        png_error(png, "unknown colour type");
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const std::size_t bytesPerPixel = format == QImage::Format_ARGB32 ? 4 : format == QImage::Format_BGR888 ? 3 : 1;
    if (png_get_rowbytes(png, info) != std::size_t(width) * bytesPerPixel)
        png_error(png, "unexpected row layout after conversion");

    ctx.out.image = allocateImage(width, height, format);
    if (format == QImage::Format_Indexed8)
        ctx.out.image.setColorTable(ctx.palette);
    ctx.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        ctx.rows[y] = ctx.out.image.scanLine(int(y));
    // Interlaced files fill the rows in passes; after the last pass every pixel is set, and a
    // file that ends earlier is an error, so the rows need no clearing beforehand (clearing
    // would touch every page of a large forged image before its data runs out).
    png_read_image(png, ctx.rows.data());
    // The chunks after the image data are not needed: a file whose pixels are complete reads
    // even when its end is missing.
    return true;
}

LoadedImage readPng(ByteView data)
{
    if (!sniffPng(data))
        throw ImageError("not a PNG file (bad signature)");
    ReadContext ctx;
    ctx.source.data = data;
    ctx.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &ctx.error, pngError, pngWarning);
    if (!ctx.png)
        throw ImageError("cannot initialise the PNG decoder");
    ctx.info = png_create_info_struct(ctx.png);
    if (!ctx.info)
        throw ImageError("cannot initialise the PNG decoder");
    if (!decodePng(ctx))
        throw ImageError(ctx.error.message[0] ? ctx.error.message : "invalid PNG data");
    return std::move(ctx.out);
}

// ---------------------------------------------------------------------------------------------
// Writing

struct Sink {
    ByteBuffer* out = nullptr;
    bool failed = false;
};

void appendBytes(Sink* sink, png_bytep data, png_size_t length) noexcept
{
    try {
        sink->out->insert(sink->out->end(), data, data + length);
    } catch (...) {
        sink->failed = true;
    }
}

void writeData(png_structp png, png_bytep data, png_size_t length)
{
    auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
    appendBytes(sink, data, length);
    if (sink->failed)
        png_error(png, "not enough memory for the PNG data");
}

void flushData(png_structp) {}

struct WriteContext {
    ErrorState error;
    Sink sink;
    png_structp png = nullptr;
    png_infop info = nullptr;
    QImage image; // BGR888, Indexed8 or ARGB32
    std::vector<png_bytep> rows;
    std::vector<png_color> palette;
    std::vector<png_byte> alpha;

    ~WriteContext() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

bool encodePng(WriteContext& ctx, const PngOptions& options, const Resolution& dpi)
{
    png_structp png = ctx.png;
    png_infop info = ctx.info;
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, &ctx.sink, writeData, flushData);
    png_set_compression_level(png, std::clamp(options.compressionLevel, 0, 9));
    const QImage::Format format = ctx.image.format();
    const int colourType = format == QImage::Format_Indexed8 ? PNG_COLOR_TYPE_PALETTE
                           : format == QImage::Format_ARGB32 ? PNG_COLOR_TYPE_RGB_ALPHA
                                                             : PNG_COLOR_TYPE_RGB;
    png_set_IHDR(png, info, png_uint_32(ctx.image.width()), png_uint_32(ctx.image.height()), 8, colourType,
                 options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, ctx.palette.data(), int(ctx.palette.size()));
        if (!ctx.alpha.empty())
            png_set_tRNS(png, info, ctx.alpha.data(), int(ctx.alpha.size()), nullptr);
    }
    if (dpi.known())
        png_set_pHYs(png, info, png_uint_32(pixelsPerMetreFromDpi(dpi.x)), png_uint_32(pixelsPerMetreFromDpi(dpi.y)),
                     PNG_RESOLUTION_METER);
    png_write_info(png, info);
    if (colourType == PNG_COLOR_TYPE_RGB)
        png_set_bgr(png);
    else if (colourType == PNG_COLOR_TYPE_RGB_ALPHA)
        setArgbOrder(png);
    png_write_image(png, ctx.rows.data());
    png_write_end(png, info);
    return true;
}

void writePng(const QImage& source, const WriteOptions& options, ImageFormat, ByteBuffer& out)
{
    WriteContext ctx;
    ctx.sink.out = &out;
    const bool indexed = source.format() == QImage::Format_Indexed8 && source.colorCount() > 0
                         && source.colorCount() <= 256;
    if (indexed) {
        ctx.image = source;
        // A pixel may use an index past the colour table; extend the table so the file stays valid.
        int highest = 0;
        for (int y = 0; y < source.height(); ++y) {
            const uchar* row = source.constScanLine(y);
            highest = std::max(highest, int(*std::max_element(row, row + source.width())));
        }
        const QList<QRgb> table = source.colorTable();
        const int count = std::max(int(table.size()), highest + 1);
        int lastTranslucent = -1;
        for (int i = 0; i < count; ++i) {
            const QRgb c = i < table.size() ? table[i] : qRgb(0, 0, 0);
            ctx.palette.push_back(png_color{png_byte(qRed(c)), png_byte(qGreen(c)), png_byte(qBlue(c))});
            ctx.alpha.push_back(png_byte(qAlpha(c)));
            if (qAlpha(c) != 255)
                lastTranslucent = i;
        }
        ctx.alpha.resize(std::size_t(lastTranslucent + 1)); // tRNS only as long as needed
    } else if (source.hasAlphaChannel()) {
        ctx.image = source.convertToFormat(QImage::Format_ARGB32);
    } else {
        ctx.image = source.convertToFormat(QImage::Format_BGR888);
    }
    if (ctx.image.isNull())
        throw ImageError("not enough memory to convert the image");
    ctx.rows.resize(std::size_t(ctx.image.height()));
    for (int y = 0; y < ctx.image.height(); ++y)
        ctx.rows[std::size_t(y)] = const_cast<png_bytep>(ctx.image.constScanLine(y));

    ctx.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &ctx.error, pngError, pngWarning);
    if (!ctx.png)
        throw ImageError("cannot initialise the PNG encoder");
    ctx.info = png_create_info_struct(ctx.png);
    if (!ctx.info)
        throw ImageError("cannot initialise the PNG encoder");
    if (!encodePng(ctx, options.png, options.dpi)) {
        out.clear();
        throw ImageError(ctx.error.message[0] ? ctx.error.message : "PNG encoding failed");
    }
}

constexpr std::string_view kExtensions[] = {"png"};

} // namespace

Codec pngCodec()
{
    return Codec{ImageFormat::Png, "PNG", kExtensions, sniffPng, readPng, writePng};
}

} // namespace fw::imaging
