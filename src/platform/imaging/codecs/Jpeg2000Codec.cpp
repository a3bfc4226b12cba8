// JPEG 2000 through OpenJPEG: the JP2 file format (boxes around a code stream) and bare J2K
// code streams. Both are decoded from memory; the JP2 resolution boxes, which OpenJPEG neither
// reads nor writes, are parsed here and inserted into the encoder's output.

#include "CodecList.h"

#include "../PixelRows.h"

#include "../ImageLimits.h"

#include <openjpeg.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

namespace fw::imaging {

namespace {

constexpr std::string_view kJp2Extensions[] = {"jp2", "jpx", "jpf"};
constexpr std::string_view kJ2kExtensions[] = {"j2k", "j2c", "jpc"};

constexpr std::uint8_t kJp2Signature[] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
constexpr std::uint8_t kCodeStreamStart[] = {0xFF, 0x4F, 0xFF, 0x51};

bool startsWith(ByteView data, const std::uint8_t* sig, std::size_t n)
{
    return data.size() >= n && std::memcmp(data.data(), sig, n) == 0;
}

bool sniffJp2(ByteView head) { return startsWith(head, kJp2Signature, sizeof kJp2Signature); }
bool sniffJ2k(ByteView head) { return startsWith(head, kCodeStreamStart, sizeof kCodeStreamStart); }

// ---- memory streams --------------------------------------------------------------------------

struct ReadSource {
    ByteView data;
    std::size_t pos = 0;
};

OPJ_SIZE_T readFromMemory(void* buffer, OPJ_SIZE_T bytes, void* user)
{
    auto* src = static_cast<ReadSource*>(user);
    if (src->pos >= src->data.size())
        return OPJ_SIZE_T(-1);
    const std::size_t n = std::min<std::size_t>(bytes, src->data.size() - src->pos);
    std::memcpy(buffer, src->data.data() + src->pos, n);
    src->pos += n;
    return n;
}

OPJ_OFF_T skipInMemory(OPJ_OFF_T bytes, void* user)
{
    auto* src = static_cast<ReadSource*>(user);
    if (bytes < 0 || src->pos >= src->data.size())
        return -1;
    const std::size_t n = std::min<std::size_t>(std::size_t(bytes), src->data.size() - src->pos);
    src->pos += n;
    return OPJ_OFF_T(n);
}

OPJ_BOOL seekInMemory(OPJ_OFF_T to, void* user)
{
    auto* src = static_cast<ReadSource*>(user);
    if (to < 0 || std::uint64_t(to) > src->data.size())
        return OPJ_FALSE;
    src->pos = std::size_t(to);
    return OPJ_TRUE;
}

struct WriteTarget {
    ByteBuffer* out;
    std::size_t pos = 0;
};

OPJ_SIZE_T writeToMemory(void* buffer, OPJ_SIZE_T bytes, void* user)
{
    auto* dst = static_cast<WriteTarget*>(user);
    ByteBuffer& out = *dst->out;
    if (dst->pos + bytes > out.size())
        out.resize(dst->pos + bytes);
    std::memcpy(out.data() + dst->pos, buffer, bytes);
    dst->pos += bytes;
    return bytes;
}

OPJ_OFF_T skipInOutput(OPJ_OFF_T bytes, void* user)
{
    auto* dst = static_cast<WriteTarget*>(user);
    if (bytes < 0 || std::uint64_t(bytes) > std::uint64_t(1) << 40)
        return -1;
    dst->pos += std::size_t(bytes);
    if (dst->pos > dst->out->size())
        dst->out->resize(dst->pos);
    return bytes;
}

OPJ_BOOL seekInOutput(OPJ_OFF_T to, void* user)
{
    auto* dst = static_cast<WriteTarget*>(user);
    if (to < 0 || std::uint64_t(to) > dst->out->size())
        return OPJ_FALSE;
    dst->pos = std::size_t(to);
    return OPJ_TRUE;
}

// ---- library objects and messages ------------------------------------------------------------

/// Owns the OpenJPEG objects of one decode or encode and the messages the library reports.
struct OpjSession {
    opj_codec_t* codec = nullptr;
    opj_stream_t* stream = nullptr;
    opj_image_t* image = nullptr;
    std::string error;

    OpjSession() = default;
    OpjSession(const OpjSession&) = delete;
    OpjSession& operator=(const OpjSession&) = delete;
    ~OpjSession()
    {
        if (image)
            opj_image_destroy(image);
        if (stream)
            opj_stream_destroy(stream);
        if (codec)
            opj_destroy_codec(codec);
    }

    void attachHandlers()
    {
        opj_set_error_handler(codec, &OpjSession::onError, this);
        opj_set_warning_handler(codec, &OpjSession::onWarning, this);
        opj_set_info_handler(codec, &OpjSession::onWarning, this);
    }

    [[noreturn]] void fail(const std::string& what) const
    {
        throw ImageError(error.empty() ? what : what + ": " + error);
    }

private:
    static void onError(const char* msg, void* user)
    {
        auto* self = static_cast<OpjSession*>(user);
        // Keep the first message: later ones are usually consequences of it.
        if (self->error.empty() && msg) {
            self->error = msg;
            while (!self->error.empty() && (self->error.back() == '\n' || self->error.back() == ' '))
                self->error.pop_back();
        }
    }
    static void onWarning(const char*, void*) {}
};

// ---- resolution boxes ------------------------------------------------------------------------

struct Box {
    std::uint32_t type = 0;
    std::size_t start = 0;   // first byte of the header
    std::size_t content = 0; // first byte after the header
    std::size_t end = 0;     // one past the last byte
};

constexpr std::uint32_t fourcc(const char (&s)[5])
{
    return std::uint32_t(std::uint8_t(s[0])) << 24 | std::uint32_t(std::uint8_t(s[1])) << 16
           | std::uint32_t(std::uint8_t(s[2])) << 8 | std::uint32_t(std::uint8_t(s[3]));
}

/// Reads the box header at r.pos() within [.., limit); leaves r at the box content.
Box readBox(ByteReader& r, std::size_t limit)
{
    Box box;
    box.start = r.pos();
    std::uint64_t length = r.u32be();
    box.type = r.u32be();
    if (length == 1) {
        const std::uint64_t high = r.u32be();
        length = high << 32 | r.u32be();
        if (length < 16)
            throw ImageError("invalid box length");
    } else if (length == 0) {
        length = limit - box.start;
    } else if (length < 8) {
        throw ImageError("invalid box length");
    }
    box.content = r.pos();
    if (length > limit - box.start)
        throw ImageError("box extends past its container");
    box.end = box.start + std::size_t(length);
    return box;
}

std::optional<Box> findChild(ByteView data, std::size_t from, std::size_t to, std::uint32_t type)
{
    ByteReader r(data.first(to), "JP2 box");
    r.seek(from);
    while (r.remaining() >= 8) {
        const Box box = readBox(r, to);
        if (box.type == type)
            return box;
        r.seek(box.end);
    }
    return std::nullopt;
}

/// Pixels per metre from a resc/resd box: VR_N, VR_D, HR_N, HR_D, VR_E, HR_E.
std::optional<Resolution> readResolutionBox(ByteView data, const Box& box)
{
    if (box.end - box.content < 10)
        return std::nullopt;
    ByteReader r(data.first(box.end), "resolution box");
    r.seek(box.content);
    const double vn = r.u16be(), vd = r.u16be(), hn = r.u16be(), hd = r.u16be();
    const int ve = std::int8_t(r.u8()), he = std::int8_t(r.u8());
    if (vn == 0 || vd == 0 || hn == 0 || hd == 0)
        return std::nullopt;
    const double vppm = vn / vd * std::pow(10.0, ve);
    const double hppm = hn / hd * std::pow(10.0, he);
    const double x = dpiFromPixelsPerMetre(hppm), y = dpiFromPixelsPerMetre(vppm);
    if (!(x > 0 && y > 0 && std::isfinite(x) && std::isfinite(y)))
        return std::nullopt;
    return Resolution{x, y};
}

/// The resolution of a JP2 file: jp2h > res > resc (capture), else resd (display).
/// A damaged box structure only loses the resolution; the code stream decides readability.
Resolution jp2Resolution(ByteView data)
{
    try {
        const auto header = findChild(data, 0, data.size(), fourcc("jp2h"));
        if (!header)
            return {};
        const auto res = findChild(data, header->content, header->end, fourcc("res "));
        if (!res)
            return {};
        for (std::uint32_t type : {fourcc("resc"), fourcc("resd")}) {
            if (const auto box = findChild(data, res->content, res->end, type))
                if (const auto dpi = readResolutionBox(data, *box))
                    return *dpi;
        }
    } catch (const ImageError&) {
    }
    return {};
}

/// Encodes pixels per metre as N / D * 10^E with 16-bit N and D.
void appendResolutionValues(ByteWriter& w, double ppmVertical, double ppmHorizontal)
{
    struct Fraction { std::uint16_t n, d; std::int8_t e; };
    auto encode = [](double ppm) {
        int e = 0;
        while (ppm > 65535 && e < 127) {
            ppm /= 10;
            ++e;
        }
        while (ppm < 1000 && ppm > 0 && e > -127) {
            ppm *= 10;
            --e;
        }
        const double d = std::clamp(std::floor(65535 / std::max(ppm, 1.0)), 1.0, 65535.0);
        const double n = std::clamp(std::round(ppm * d), 1.0, 65535.0);
        return Fraction{std::uint16_t(n), std::uint16_t(d), std::int8_t(e)};
    };
    const Fraction v = encode(ppmVertical), h = encode(ppmHorizontal);
    w.u16be(v.n);
    w.u16be(v.d);
    w.u16be(h.n);
    w.u16be(h.d);
    w.u8(std::uint8_t(v.e));
    w.u8(std::uint8_t(h.e));
}

/// Appends a res superbox holding a resc box to the jp2h box of an encoded JP2 file.
void insertResolution(ByteBuffer& file, const Resolution& dpi)
{
    if (!dpi.known())
        return;
    const ByteView data(file.data(), file.size());
    const auto header = findChild(data, 0, data.size(), fourcc("jp2h"));
    if (!header || header->content - header->start != 8)
        throw ImageError("encoder produced no JP2 header box");
    ByteBuffer res;
    ByteWriter w(res);
    w.u32be(8 + 8 + 10);
    w.u32be(fourcc("res "));
    w.u32be(8 + 10);
    w.u32be(fourcc("resc"));
    appendResolutionValues(w, dpi.y / kMetresPerInch, dpi.x / kMetresPerInch);
    const std::size_t newLength = header->end - header->start + res.size();
    file.insert(file.begin() + std::ptrdiff_t(header->end), res.begin(), res.end());
    for (int i = 0; i < 4; ++i)
        file[header->start + std::size_t(i)] = std::uint8_t(newLength >> (24 - 8 * i));
}

// ---- decoding --------------------------------------------------------------------------------

/// One component prepared for sampling at image pixel (x, y): handles subsampling, precision
/// and signedness.
struct ComponentSampler {
    const opj_image_comp_t* comp = nullptr;
    std::int64_t originX = 0, originY = 0; // component grid origin in component samples
    std::int64_t maxValue = 255;
    std::int64_t offset = 0;

    ComponentSampler(const opj_image_comp_t& c)
        : comp(&c),
          originX((std::int64_t(c.x0))),
          originY((std::int64_t(c.y0))),
          maxValue((std::int64_t(1) << c.prec) - 1),
          offset(c.sgnd ? std::int64_t(1) << (c.prec - 1) : 0)
    {
    }

    /// Raw sample at absolute reference-grid position, clamped to the component.
    std::int64_t raw(std::int64_t gx, std::int64_t gy) const
    {
        const std::int64_t cx = std::clamp<std::int64_t>(gx / comp->dx - originX, 0, std::int64_t(comp->w) - 1);
        const std::int64_t cy = std::clamp<std::int64_t>(gy / comp->dy - originY, 0, std::int64_t(comp->h) - 1);
        return std::clamp<std::int64_t>(std::int64_t(comp->data[cy * std::int64_t(comp->w) + cx]) + offset, 0, maxValue);
    }

    /// Sample scaled to 0..255.
    int byte(std::int64_t gx, std::int64_t gy) const
    {
        const std::int64_t v = raw(gx, gy);
        return maxValue == 255 ? int(v) : int((v * 255 + maxValue / 2) / maxValue);
    }
};

std::uint8_t clampByte(double v) { return std::uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

LoadedImage decode(ByteView data, bool jp2)
{
    OpjSession s;
    ReadSource source{data};
    s.codec = opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    s.stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE);
    if (!s.codec || !s.stream)
        throw ImageError("out of memory");
    s.attachHandlers();
    opj_stream_set_user_data(s.stream, &source, nullptr);
    opj_stream_set_user_data_length(s.stream, data.size());
    opj_stream_set_read_function(s.stream, readFromMemory);
    opj_stream_set_skip_function(s.stream, skipInMemory);
    opj_stream_set_seek_function(s.stream, seekInMemory);

    opj_dparameters_t params;
    opj_set_default_decoder_parameters(&params);
    if (!opj_setup_decoder(s.codec, &params))
        s.fail("cannot set up the decoder");
    if (!opj_read_header(s.stream, s.codec, &s.image) || !s.image)
        s.fail("invalid header");

    opj_image_t& img = *s.image;
    if (img.x1 <= img.x0 || img.y1 <= img.y0)
        throw ImageError("invalid image area");
    const std::int64_t width = std::int64_t(img.x1) - img.x0, height = std::int64_t(img.y1) - img.y0;
    checkDimensions(width, height);
    if (img.numcomps < 1)
        throw ImageError("no image components");
    // Only the first components (grey/colour plus alpha) are shown; do not decode the others.
    const OPJ_UINT32 used = std::min<OPJ_UINT32>(img.numcomps, 4);
    for (OPJ_UINT32 i = 0; i < used; ++i) {
        const opj_image_comp_t& c = img.comps[i];
        if (c.prec < 1 || c.prec > 31)
            throw ImageError("unsupported sample precision " + std::to_string(c.prec));
        if (c.dx < 1 || c.dy < 1 || c.dx > 255 || c.dy > 255)
            throw ImageError("invalid component subsampling");
    }
    if (img.numcomps > used) {
        OPJ_UINT32 indices[4] = {0, 1, 2, 3};
        if (!opj_set_decoded_components(s.codec, used, indices, OPJ_FALSE))
            s.fail("cannot select the image components");
    }
    if (!opj_decode(s.codec, s.stream, s.image) || !opj_end_decompress(s.codec, s.stream))
        s.fail("cannot decode the image");

    // Decoding may change the component list (palettes, channel definitions): look again.
    const OPJ_UINT32 count = std::min<OPJ_UINT32>(img.numcomps, 4);
    if (count < 1)
        throw ImageError("no image components");
    for (OPJ_UINT32 i = 0; i < count; ++i) {
        const opj_image_comp_t& c = img.comps[i];
        if (!c.data || c.w < 1 || c.h < 1 || c.prec < 1 || c.prec > 31 || c.dx < 1 || c.dy < 1)
            throw ImageError("the decoder returned an incomplete image");
        if (std::int64_t(c.w) * c.h > kMaxPixels)
            throw ImageError("invalid component size");
    }
    std::vector<ComponentSampler> comps;
    for (OPJ_UINT32 i = 0; i < count; ++i)
        comps.emplace_back(img.comps[i]);

    const bool cmyk = img.color_space == OPJ_CLRSPC_CMYK && count == 4;
    // Subsampled chroma without a declared colour space is YCbCr, as other readers assume.
    const bool subsampledChroma = count >= 3 && (img.comps[1].dx > 1 || img.comps[1].dy > 1 || img.comps[2].dx > 1 || img.comps[2].dy > 1);
    const bool ycc = count >= 3
                     && (img.color_space == OPJ_CLRSPC_SYCC || img.color_space == OPJ_CLRSPC_EYCC
                         || (img.color_space == OPJ_CLRSPC_UNSPECIFIED && subsampledChroma));
    const bool grey = count < 3;
    const bool alpha = !cmyk && (count == 2 || count == 4);

    LoadedImage result;
    result.format = jp2 ? ImageFormat::Jp2 : ImageFormat::J2k;
    if (grey && !alpha) {
        result.image = allocateImage(width, height, QImage::Format_Indexed8);
        result.image.setColorTable(greyPalette());
    } else {
        result.image = allocateImage(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    }
    QImage& out = result.image;
    for (std::int64_t y = 0; y < height; ++y) {
        const std::int64_t gy = img.y0 + y;
        std::uint8_t* line = out.scanLine(int(y));
        for (std::int64_t x = 0; x < width; ++x) {
            const std::int64_t gx = img.x0 + x;
            int r, g, b, a = 255;
            if (grey) {
                r = g = b = comps[0].byte(gx, gy);
                if (alpha)
                    a = comps[1].byte(gx, gy);
            } else if (ycc) {
                // Full-range YCbCr; chroma centred on half the range of its precision.
                const double yv = comps[0].byte(gx, gy);
                const double cb = comps[1].byte(gx, gy) - 128.0, cr = comps[2].byte(gx, gy) - 128.0;
                r = clampByte(yv + 1.402 * cr);
                g = clampByte(yv - 0.344136 * cb - 0.714136 * cr);
                b = clampByte(yv + 1.772 * cb);
                if (alpha)
                    a = comps[3].byte(gx, gy);
            } else if (cmyk) {
                const int k = comps[3].byte(gx, gy);
                r = (255 - comps[0].byte(gx, gy)) * (255 - k) / 255;
                g = (255 - comps[1].byte(gx, gy)) * (255 - k) / 255;
                b = (255 - comps[2].byte(gx, gy)) * (255 - k) / 255;
            } else {
                r = comps[0].byte(gx, gy);
                g = comps[1].byte(gx, gy);
                b = comps[2].byte(gx, gy);
                if (alpha)
                    a = comps[3].byte(gx, gy);
            }
            if (grey && !alpha) {
                line[x] = std::uint8_t(r);
            } else if (alpha) {
                reinterpret_cast<QRgb*>(line)[x] = qRgba(r, g, b, a);
            } else {
                line[3 * x] = std::uint8_t(b);
                line[3 * x + 1] = std::uint8_t(g);
                line[3 * x + 2] = std::uint8_t(r);
            }
        }
    }
    if (jp2)
        result.dpi = jp2Resolution(data);
    return result;
}

LoadedImage readJp2(ByteView data) { return decode(data, true); }
LoadedImage readJ2k(ByteView data) { return decode(data, false); }

// ---- encoding --------------------------------------------------------------------------------

void writeJpeg2000(const QImage& source, const WriteOptions& options, ImageFormat format, ByteBuffer& out)
{
    if (source.isNull())
        throw ImageError("no image to write");
    const bool jp2 = format != ImageFormat::J2k;
    const bool grey = isGreyRamp(source);
    QImage image = grey ? source : source.convertToFormat(QImage::Format_RGB888);
    if (image.isNull())
        throw ImageError("out of memory");
    const int width = image.width(), height = image.height();
    const int numcomps = grey ? 1 : 3;

    opj_image_cmptparm_t parms[3];
    std::memset(parms, 0, sizeof parms);
    for (int i = 0; i < numcomps; ++i) {
        parms[i].dx = parms[i].dy = 1;
        parms[i].w = OPJ_UINT32(width);
        parms[i].h = OPJ_UINT32(height);
        parms[i].prec = 8;
        parms[i].sgnd = 0;
    }
    OpjSession s;
    s.image = opj_image_create(OPJ_UINT32(numcomps), parms, grey ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB);
    if (!s.image)
        throw ImageError("out of memory");
    s.image->x0 = s.image->y0 = 0;
    s.image->x1 = OPJ_UINT32(width);
    s.image->y1 = OPJ_UINT32(height);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* line = image.constScanLine(y);
        const std::size_t row = std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < numcomps; ++c)
                s.image->comps[c].data[row + std::size_t(x)] = line[x * numcomps + c];
    }

    opj_cparameters_t params;
    opj_set_default_encoder_parameters(&params);
    params.tcp_numlayers = 1;
    params.cp_disto_alloc = 1;
    if (options.jpeg2000.lossless) {
        params.irreversible = 0;
        params.tcp_rates[0] = 0; // no rate limit: lossless
    } else {
        params.irreversible = 1;
        params.tcp_rates[0] = float(std::max(1.0, options.jpeg2000.compressionRatio));
    }
    params.tcp_mct = numcomps == 3 ? 1 : 0;
    // Each resolution level halves the image; small images allow fewer levels.
    int levels = 1;
    while (levels < 6 && (std::min(width, height) >> levels) >= 1)
        ++levels;
    params.numresolution = levels;
    // Code blocks larger than the lowest resolution are fine; keep the defaults (64x64).

    s.codec = opj_create_compress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    if (!s.codec)
        throw ImageError("out of memory");
    s.attachHandlers();
    if (!opj_setup_encoder(s.codec, &params, s.image))
        s.fail("cannot set up the encoder");
    WriteTarget target{&out};
    s.stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE);
    if (!s.stream)
        throw ImageError("out of memory");
    opj_stream_set_user_data(s.stream, &target, nullptr);
    opj_stream_set_write_function(s.stream, writeToMemory);
    opj_stream_set_skip_function(s.stream, skipInOutput);
    opj_stream_set_seek_function(s.stream, seekInOutput);
    if (!opj_start_compress(s.codec, s.image, s.stream) || !opj_encode(s.codec, s.stream)
        || !opj_end_compress(s.codec, s.stream))
        s.fail("cannot encode the image");
    if (jp2)
        insertResolution(out, options.dpi);
}

} // namespace

Codec jpeg2000Codec()
{
    return Codec{ImageFormat::Jp2, "JPEG 2000", kJp2Extensions, sniffJp2, readJp2, writeJpeg2000};
}

Codec j2kCodec()
{
    return Codec{ImageFormat::J2k, "JPEG 2000 code stream", kJ2kExtensions, sniffJ2k, readJ2k, writeJpeg2000};
}

} // namespace fw::imaging
