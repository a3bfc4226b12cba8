// DCX: several PCX pages behind a table of up to 1023 file offsets ended by a zero. The first page is read.

#include "CodecList.h"
#include "PcxDecode.h"

#include <string>

namespace fw::imaging {

namespace {

constexpr std::uint32_t kMagic = 0x3ADE68B1;

bool sniffDcx(ByteView head)
{
    return head.size() >= 8 && head[0] == 0xB1 && head[1] == 0x68 && head[2] == 0xDE && head[3] == 0x3A;
}

LoadedImage readDcx(ByteView data)
{
    ByteReader r(data, "DCX page table");
    if (r.u32le() != kMagic)
        throw ImageError("not a DCX file");
    const std::uint32_t first = r.u32le();
    if (first == 0)
        throw ImageError("the file holds no pages");
    const std::uint32_t second = r.remaining() >= 4 ? r.u32le() : 0;
    // The table (up to kMaxPages entries and a zero) comes before the pages.
    if (first < 8 || first >= data.size())
        throw ImageError("page offset " + std::to_string(first) + " lies outside the file");
    // The page ends where the next one starts (the 256-colour palette is at a page's end).
    std::size_t end = data.size();
    if (second > first && second <= data.size())
        end = second;
    return decodePcx(data.subspan(first, end - first));
}

constexpr std::string_view kExtensions[] = {"dcx"};

} // namespace

Codec dcxCodec()
{
    return Codec{ImageFormat::Dcx, "DCX", kExtensions, sniffDcx, readDcx, nullptr};
}

} // namespace fw::imaging
