#include "FuzzCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzzDecode(fw::imaging::ImageFormat::Psd, data, size);
}
