#include "FuzzCodec.h"

#include "platform/imaging/GifAnimation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        const auto anim = fw::imaging::readGifAnimation(fw::imaging::ByteView(data, size));
        for (const auto& frame : anim.frames)
            if (frame.image.isNull() || frame.image.format() != QImage::Format_Indexed8)
                std::abort();
    } catch (const fw::imaging::ImageError&) {
    }
    return fuzzDecode(fw::imaging::ImageFormat::Gif, data, size);
}
