#include "FuzzCodec.h"

// JPEG 2000: JP2 files (with their box parser) and bare code streams, chosen by the first bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const bool codeStream = size >= 2 && data[0] == 0xFF && data[1] == 0x4F;
    return fuzzDecode(codeStream ? fw::imaging::ImageFormat::J2k : fw::imaging::ImageFormat::Jp2, data, size);
}
