#pragma once

// Shared body of the decoder fuzz targets: decode the input with one codec; an ImageError is
// the expected answer to bad input, anything else (crash, leak, other exception) is a finding.

#include "platform/imaging/ImageError.h"
#include "platform/imaging/codecs/Codec.h"

#include <cstdint>
#include <cstdlib>

inline int fuzzDecode(fw::imaging::ImageFormat format, const std::uint8_t* data, std::size_t size)
{
    const fw::imaging::Codec* codec = fw::imaging::codecFor(format);
    if (!codec || !codec->read)
        std::abort();
    try {
        const auto loaded = codec->read(fw::imaging::ByteView(data, size));
        if (loaded.image.isNull())
            std::abort(); // a successful read must return pixels
    } catch (const fw::imaging::ImageError&) {
    }
    return 0;
}
