#include "Codec.h"

#include "CodecList.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace fw::imaging {

namespace {

// Sniffing order matters only where signatures overlap: formats with long, exact signatures
// come first, the shorter and weaker ones (PCX, ICO/CUR, metafiles) after them, and camera RAW
// (which accepts TIFF headers) after TIFF, so only a RAW extension selects it for such content.
// Targa and WBMP have no signature and are read by their extension only.
// Built on first use, so callers in other files' static initialisers see a complete table.
const std::vector<Codec>& codecTable()
{
    static const std::vector<Codec> table = {
        pngCodec(),
        jpegCodec(),
        gifCodec(),
        bmpCodec(),
        tiffCodec(),
        jpeg2000Codec(),
        j2kCodec(),
        psdCodec(),
        dcxCodec(),
        pnmCodec(),
        pcxCodec(),
        icoCodec(),
        curCodec(),
        wmfCodec(),
        emfCodec(),
        psCodec(),
        pdfCodec(),
        rawCodec(),
        wbmpCodec(),
        tgaCodec(),
    };
    return table;
}

} // namespace

std::span<const Codec> allCodecs() { return codecTable(); }

const Codec* codecFor(ImageFormat format)
{
    for (const auto& codec : codecTable())
        if (codec.format == format)
            return &codec;
    return nullptr;
}

const Codec* sniffCodec(ByteView head)
{
    for (const auto& codec : codecTable())
        if (codec.sniff && codec.read && codec.sniff(head))
            return &codec;
    return nullptr;
}

ImageFormat formatForExtension(std::string_view extension)
{
    if (!extension.empty() && extension.front() == '.')
        extension.remove_prefix(1);
    std::string lower(extension);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const auto& codec : codecTable())
        for (auto ext : codec.extensions)
            if (ext == lower)
                return codec.format;
    return ImageFormat::Unknown;
}

} // namespace fw::imaging
