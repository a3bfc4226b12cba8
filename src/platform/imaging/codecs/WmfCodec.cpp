// Windows metafiles (WMF, with or without the placeable "APM" header). They are recognised so
// that opening one says clearly why it cannot be shown instead of "unknown image format";
// rendering them needs a metafile interpreter the program does not have.

#include "CodecList.h"

namespace fw::imaging {

namespace {

constexpr std::string_view kExtensions[] = {"wmf", "apm"};

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

LoadedImage readWmf(ByteView)
{
    throw ImageError("WMF files cannot be read: format not supported");
}

} // namespace

Codec wmfCodec()
{
    return Codec{ImageFormat::Wmf, "WMF", kExtensions, sniffWmf, readWmf, nullptr};
}

} // namespace fw::imaging
