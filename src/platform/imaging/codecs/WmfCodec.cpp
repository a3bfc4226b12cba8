// Windows metafiles (WMF, with or without the placeable "APM" header), rendered to a bitmap
// through libwmf's gd device at kRenderDpi. Transparent parts are drawn on white.

#include "CodecList.h"

#include "../ImageLimits.h"

#include <libwmf/api.h>
#include <libwmf/gd.h>

#include <QPainter>

#include <cmath>
#include <string>
#include <vector>

namespace fw::imaging {

namespace {

constexpr std::string_view kExtensions[] = {"wmf", "apm"};

/// Resolution the vector picture is drawn at; recorded as the image's resolution so that it
/// prints at the metafile's own size.
constexpr double kRenderDpi = 96;

std::uint16_t u16At(ByteView b, std::size_t at) { return std::uint16_t(b[at] | b[at + 1] << 8); }

bool sniffWmf(ByteView head)
{
    if (head.size() < 18)
        return false;
    // Placeable metafile: key 0x9AC6CDD7.
    if (head[0] == 0xD7 && head[1] == 0xCD && head[2] == 0xC6 && head[3] == 0x9A)
        return true;
    // Standard header: type 1 (memory) or 2 (disk), header size 9 words, version 0x100 or 0x300.
    const std::uint16_t type = u16At(head, 0), words = u16At(head, 2), version = u16At(head, 4);
    return (type == 1 || type == 2) && words == 9 && (version == 0x100 || version == 0x300);
}

/// Checks the record structure before libwmf sees it: libwmf allocates its record buffer from
/// the header's largest-record field and trusts record sizes, so forged values there would
/// drive huge allocations or reads past the end.
void validateRecords(ByteView data)
{
    ByteReader r(data, "metafile");
    if (r.u32le() == 0x9AC6CDD7u)
        r.seek(22); // placeable header
    else
        r.seek(0);
    const std::size_t start = r.pos();
    const std::uint16_t type = r.u16le(), headerWords = r.u16le();
    r.skip(2);                                 // version
    r.skip(4);                                 // file size in words: often wrong, not used
    r.skip(2);                                 // number of objects
    const std::uint32_t maxRecordWords = r.u32le();
    if ((type != 1 && type != 2) || headerWords != 9)
        throw ImageError("invalid metafile header");
    if (maxRecordWords < 3 || maxRecordWords > (data.size() - start) / 2)
        throw ImageError("invalid largest record size in the metafile header");
    r.seek(start + 18);
    while (r.remaining() >= 6) {
        const std::size_t at = r.pos();
        const std::uint32_t words = r.u32le();
        const std::uint16_t function = r.u16le();
        if (words < 3 || words > maxRecordWords)
            throw ImageError("invalid metafile record size");
        if (std::uint64_t(words) * 2 > data.size() - at)
            throw ImageError("truncated metafile");
        if (function == 0)
            return;
        r.seek(at + std::size_t(words) * 2);
    }
    throw ImageError("truncated metafile");
}

const char* wmfErrorText(wmf_error_t err)
{
    switch (err) {
    case wmf_E_InsMem: return "out of memory";
    case wmf_E_BadFile: return "unreadable metafile";
    case wmf_E_BadFormat: return "corrupt metafile";
    case wmf_E_EOF: return "truncated metafile";
    case wmf_E_DeviceError: return "drawing failed";
    default: return "cannot render the metafile";
    }
}

int appendToBuffer(void* context, char* buffer, int length)
{
    if (length > 0)
        static_cast<std::vector<char>*>(context)->insert(static_cast<std::vector<char>*>(context)->end(), buffer, buffer + length);
    return length;
}

/// Owns the libwmf API object (which owns the stream and the drawing device).
struct WmfSession {
    wmfAPI* api = nullptr;
    bool opened = false;
    ~WmfSession()
    {
        if (api) {
            if (opened)
                wmf_mem_close(api);
            wmf_api_destroy(api);
        }
    }
};

LoadedImage readWmf(ByteView data)
{
    if (data.size() < 18)
        throw ImageError("truncated metafile");
    validateRecords(data);
    WmfSession s;
    wmfAPI_Options options{};
    options.function = wmf_gd_function;
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    wmf_error_t err = wmf_api_create(&s.api, flags, &options);
    if (err != wmf_E_None || !s.api)
        throw ImageError(std::string("cannot start the metafile renderer: ") + wmfErrorText(err));
    // libwmf reads through a non-const pointer but does not write to the buffer.
    err = wmf_mem_open(s.api, const_cast<unsigned char*>(data.data()), long(data.size()));
    if (err != wmf_E_None)
        throw ImageError(wmfErrorText(err));
    s.opened = true;
    wmfD_Rect bbox{};
    err = wmf_scan(s.api, 0, &bbox);
    if (err != wmf_E_None)
        throw ImageError(wmfErrorText(err));
    unsigned int width = 0, height = 0;
    err = wmf_display_size(s.api, &width, &height, kRenderDpi, kRenderDpi);
    if (err != wmf_E_None)
        throw ImageError(wmfErrorText(err));
    if (!(std::isfinite(bbox.BR.x - bbox.TL.x) && std::isfinite(bbox.BR.y - bbox.TL.y)))
        throw ImageError("invalid picture bounds");
    checkDimensions(width, height);

    // The device renders into a gd image that only it can free, so take its PNG output
    // through the sink callback rather than the image itself.
    wmf_gd_t* gd = WMF_GD_GetData(s.api);
    if (!(gd->flags & WMF_GD_SUPPORTS_PNG))
        throw ImageError("the metafile renderer cannot produce bitmaps");
    std::vector<char> png;
    gd->type = wmf_gd_png;
    gd->flags |= WMF_GD_OUTPUT_MEMORY | WMF_GD_OWN_BUFFER; // PNG bytes go to the sink
    gd->width = width;
    gd->height = height;
    gd->bbox = bbox;
    gd->sink.context = &png;
    gd->sink.function = appendToBuffer;
    err = wmf_play(s.api, 0, &bbox);
    if (err != wmf_E_None)
        throw ImageError(wmfErrorText(err));

    QImage drawn;
    if (!drawn.loadFromData(reinterpret_cast<const uchar*>(png.data()), int(png.size()), "PNG"))
        throw ImageError("the metafile renderer produced no picture");
    LoadedImage result;
    result.format = ImageFormat::Wmf;
    result.dpi = {kRenderDpi, kRenderDpi};
    if (drawn.hasAlphaChannel()) {
        // Transparent areas show the white paper.
        QImage paper = allocateImage(drawn.width(), drawn.height(), QImage::Format_ARGB32_Premultiplied);
        paper.fill(Qt::white);
        QPainter painter(&paper);
        painter.drawImage(0, 0, drawn);
        painter.end();
        drawn = paper;
    }
    result.image = drawn.convertToFormat(QImage::Format_BGR888);
    if (result.image.isNull())
        throw ImageError("out of memory");
    return result;
}

} // namespace

Codec wmfCodec()
{
    return Codec{ImageFormat::Wmf, "WMF", kExtensions, sniffWmf, readWmf, nullptr};
}

} // namespace fw::imaging
