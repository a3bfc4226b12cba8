// JPEG through libjpeg-turbo. Reads baseline and progressive files in greyscale, YCbCr/RGB
// and CMYK/YCCK; writes 24-bit colour or 8-bit greyscale with a JFIF header carrying the
// resolution.
//
// libjpeg reports errors by calling error_exit, which here longjmps back to the function that
// called setjmp. The functions holding a setjmp frame keep every C++ object in a context
// struct owned by their caller, so the jump skips no destructor; the caller turns the stored
// library message into an ImageError and the context's destructor releases the library state.

#include "CodecList.h"

#include "../ImageLimits.h"

#include <csetjmp>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace fw::imaging {

namespace {

constexpr std::int64_t kMaxJpegDimension = 65500;
// Progressive files can hold any number of scans, each a pass over the whole image: a small
// file with thousands of empty scans would keep the decoder busy for minutes.
constexpr int kMaxScans = 500;

struct ErrorManager {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings never reach stderr. Those that mean the pixel data is damaged or missing end the
// read: the decoder would otherwise paint the lost part grey and report success.
void emitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE)
        errorExit(cinfo);
    cinfo->err->num_warnings++;
}

void outputMessage(j_common_ptr) {}

void initErrors(ErrorManager& err)
{
    jpeg_std_error(&err.mgr);
    err.mgr.error_exit = errorExit;
    err.mgr.emit_message = emitMessage;
    err.mgr.output_message = outputMessage;
    err.message[0] = '\0';
}

void progressMonitor(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor
        && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "too many progressive scans (more than %d)", kMaxScans);
        std::longjmp(err->jump, 1);
    }
}

bool sniffJpeg(ByteView head)
{
    return head.size() >= 3 && head[0] == 0xff && head[1] == 0xd8 && head[2] == 0xff;
}

// ---------------------------------------------------------------------------------------------
// Reading

struct ReadContext {
    ErrorManager err;
    jpeg_decompress_struct cinfo;
    jpeg_progress_mgr progress;
    bool created = false;
    LoadedImage out;
    std::vector<std::uint8_t> cmykRow;

    ~ReadContext()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

/// 8-bit CMYK as stored by Adobe applications (inverted: 255 = no ink) or plain.
void cmykRowToBgr(const std::uint8_t* src, std::uint8_t* dst, std::size_t width, bool inverted)
{
    for (std::size_t x = 0; x < width; ++x, src += 4, dst += 3) {
        unsigned c = src[0], m = src[1], y = src[2], k = src[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        dst[0] = std::uint8_t((y * k + 127) / 255);
        dst[1] = std::uint8_t((m * k + 127) / 255);
        dst[2] = std::uint8_t((c * k + 127) / 255);
    }
}

/// Decodes into ctx.out; returns false when libjpeg reported an error (message in ctx.err).
/// Only trivially destructible locals live in this frame.
bool decodeJpeg(ReadContext& ctx, ByteView data)
{
    j_decompress_ptr cinfo = &ctx.cinfo;
    if (setjmp(ctx.err.jump))
        return false;
    jpeg_create_decompress(cinfo);
    ctx.created = true;
    ctx.progress.progress_monitor = progressMonitor;
    cinfo->progress = &ctx.progress;
    jpeg_mem_src(cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(cinfo, TRUE);
    checkDimensions(cinfo->image_width, cinfo->image_height);

    QImage::Format format = QImage::Format_BGR888;
    bool cmyk = false;
    switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo->out_color_space = JCS_GRAYSCALE;
        format = QImage::Format_Indexed8;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo->out_color_space = JCS_CMYK;
        cmyk = true;
        break;
    default:
        cinfo->out_color_space = JCS_EXT_BGR;
        break;
    }
    jpeg_start_decompress(cinfo);
    const std::size_t width = cinfo->output_width;
    ctx.out.image = allocateImage(cinfo->output_width, cinfo->output_height, format);
    if (format == QImage::Format_Indexed8)
        ctx.out.image.setColorTable(greyPalette());
    if (cmyk)
        ctx.cmykRow.resize(width * 4);
    // Adobe applications store CMYK inverted and say so with their APP14 marker.
    const bool inverted = cinfo->saw_Adobe_marker;
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = int(cinfo->output_scanline);
        JSAMPROW row = cmyk ? ctx.cmykRow.data() : ctx.out.image.scanLine(y);
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1)
            ERREXIT(cinfo, JERR_INPUT_EOF);
        if (cmyk)
            cmykRowToBgr(ctx.cmykRow.data(), ctx.out.image.scanLine(y), width, inverted);
    }
    jpeg_finish_decompress(cinfo);

    if (cinfo->saw_JFIF_marker && cinfo->X_density > 0 && cinfo->Y_density > 0) {
        if (cinfo->density_unit == 1)
            ctx.out.dpi = {double(cinfo->X_density), double(cinfo->Y_density)};
        else if (cinfo->density_unit == 2)
            ctx.out.dpi = {cinfo->X_density * 2.54, cinfo->Y_density * 2.54};
    }
    return true;
}

LoadedImage readJpeg(ByteView data)
{
    ReadContext ctx;
    initErrors(ctx.err);
    ctx.cinfo.err = &ctx.err.mgr;
    if (!decodeJpeg(ctx, data))
        throw ImageError(ctx.err.message[0] ? ctx.err.message : "invalid JPEG data");
    return std::move(ctx.out);
}

// ---------------------------------------------------------------------------------------------
// Writing

struct WriteContext {
    ErrorManager err;
    jpeg_compress_struct cinfo;
    bool created = false;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    QImage image;          // BGR888, or Indexed8 with a grey palette
    std::vector<std::uint8_t> greyRow;
    std::uint8_t greyLevel[256] = {}; // palette index -> grey value

    ~WriteContext()
    {
        if (created)
            jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
};

/// True when every palette entry is an opaque grey, so the image can be stored as one channel.
bool isGreyPalette(const QImage& image)
{
    if (image.format() != QImage::Format_Indexed8 || image.colorCount() == 0)
        return false;
    for (QRgb c : image.colorTable())
        if (qRed(c) != qGreen(c) || qGreen(c) != qBlue(c) || qAlpha(c) != 255)
            return false;
    return true;
}

std::uint16_t densityValue(double dpi)
{
    return std::uint16_t(std::clamp(dpi + 0.5, 1.0, 65535.0));
}

bool encodeJpeg(WriteContext& ctx, const JpegOptions& options, const Resolution& dpi)
{
    j_compress_ptr cinfo = &ctx.cinfo;
    if (setjmp(ctx.err.jump))
        return false;
    jpeg_create_compress(cinfo);
    ctx.created = true;
    jpeg_mem_dest(cinfo, &ctx.buffer, &ctx.size);
    const bool grey = ctx.image.format() == QImage::Format_Indexed8;
    cinfo->image_width = JDIMENSION(ctx.image.width());
    cinfo->image_height = JDIMENSION(ctx.image.height());
    cinfo->input_components = grey ? 1 : 3;
    cinfo->in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, std::clamp(options.quality, 1, 100), TRUE);
    // At high quality keep full colour resolution (4:4:4): halving the chroma would cost more
    // than the quantiser does and smear coloured edges and text; below that the usual 4:2:0.
    if (!grey && options.quality >= 90) {
        for (int i = 0; i < cinfo->num_components; ++i) {
            cinfo->comp_info[i].h_samp_factor = 1;
            cinfo->comp_info[i].v_samp_factor = 1;
        }
    }
    if (options.progressive)
        jpeg_simple_progression(cinfo);
    cinfo->optimize_coding = options.optimizeCoding ? TRUE : FALSE;
    cinfo->write_JFIF_header = TRUE;
    if (dpi.known()) {
        cinfo->density_unit = 1;
        cinfo->X_density = densityValue(dpi.x);
        cinfo->Y_density = densityValue(dpi.y);
    } else {
        cinfo->density_unit = 0; // aspect ratio only
        cinfo->X_density = 1;
        cinfo->Y_density = 1;
    }
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        const int y = int(cinfo->next_scanline);
        JSAMPROW row;
        if (grey) {
            const std::uint8_t* src = ctx.image.constScanLine(y);
            for (std::size_t x = 0; x < ctx.greyRow.size(); ++x)
                ctx.greyRow[x] = ctx.greyLevel[src[x]];
            row = ctx.greyRow.data();
        } else {
            row = const_cast<JSAMPROW>(ctx.image.constScanLine(y));
        }
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

void writeJpeg(const QImage& source, const WriteOptions& options, ImageFormat, ByteBuffer& out)
{
    if (source.width() > kMaxJpegDimension || source.height() > kMaxJpegDimension)
        throw ImageError("the image is too large for JPEG (at most " + std::to_string(kMaxJpegDimension)
                         + " pixels on each side)");
    WriteContext ctx;
    initErrors(ctx.err);
    ctx.cinfo.err = &ctx.err.mgr;
    if (isGreyPalette(source)) {
        ctx.image = source;
        ctx.greyRow.resize(std::size_t(source.width()));
    } else if (source.format() == QImage::Format_Grayscale8) {
        ctx.image = source.convertToFormat(QImage::Format_Indexed8, greyPalette());
        ctx.greyRow.resize(std::size_t(source.width()));
    } else {
        ctx.image = source.convertToFormat(QImage::Format_BGR888);
    }
    if (ctx.image.isNull())
        throw ImageError("not enough memory to convert the image");
    if (ctx.image.format() == QImage::Format_Indexed8) {
        const QList<QRgb> palette = ctx.image.colorTable();
        for (int i = 0; i < palette.size() && i < 256; ++i)
            ctx.greyLevel[i] = std::uint8_t(qRed(palette[i])); // indices past the palette stay black
    }
    if (!encodeJpeg(ctx, options.jpeg, options.dpi))
        throw ImageError(ctx.err.message[0] ? ctx.err.message : "JPEG encoding failed");
    out.assign(ctx.buffer, ctx.buffer + ctx.size);
}

constexpr std::string_view kExtensions[] = {"jpg", "jpeg", "jpe", "jfif"};

} // namespace

Codec jpegCodec()
{
    return Codec{ImageFormat::Jpeg, "JPEG", kExtensions, sniffJpeg, readJpeg, writeJpeg};
}

} // namespace fw::imaging
