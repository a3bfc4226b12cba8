#include "Codec.h"

#include "CodecList.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace fw::imaging {

namespace {

// Sniffing order matters only where signatures overlap: formats with long, exact signatures
// come first and the weakly recognised ones (TGA has no signature, WBMP only two zero bytes) last.
const Codec kCodecs[] = {
    pngCodec(),
    jpegCodec(),
    bmpCodec(),
    tiffCodec(),
    jpeg2000Codec(),
    j2kCodec(),
    wmfCodec(),
    emfCodec(),
    psCodec(),
    pdfCodec(),
    // Camera RAW accepts TIFF headers (most RAW files are TIFF containers): keep it after TIFF,
    // so only a RAW extension selects it for such content.
    rawCodec(),
    gifCodec(),
    pnmCodec(),
    wbmpCodec(),
    psdCodec(),
    dcxCodec(),
    pcxCodec(),
    icoCodec(),
    curCodec(),
    tgaCodec(),
};

} // namespace

std::span<const Codec> allCodecs() { return kCodecs; }

const Codec* codecFor(ImageFormat format)
{
    for (const auto& codec : kCodecs)
        if (codec.format == format)
            return &codec;
    return nullptr;
}

const Codec* sniffCodec(ByteView head)
{
    for (const auto& codec : kCodecs)
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
    for (const auto& codec : kCodecs)
        for (auto ext : codec.extensions)
            if (ext == lower)
                return codec.format;
    return ImageFormat::Unknown;
}

} // namespace fw::imaging
