// Enhanced metafiles (EMF). Recognised so that opening one gives a clear "not supported"
// message; the program has no EMF interpreter.

#include "CodecList.h"

namespace fw::imaging {

namespace {

constexpr std::string_view kExtensions[] = {"emf"};

bool sniffEmf(ByteView head)
{
    // The first record is EMR_HEADER (type 1) and carries the signature " EMF" at offset 40.
    return head.size() >= 44 && head[0] == 1 && head[1] == 0 && head[2] == 0 && head[3] == 0
           && head[40] == ' ' && head[41] == 'E' && head[42] == 'M' && head[43] == 'F';
}

LoadedImage readEmf(ByteView)
{
    throw ImageError("EMF files cannot be read: format not supported");
}

} // namespace

Codec emfCodec()
{
    return Codec{ImageFormat::Emf, "EMF", kExtensions, sniffEmf, readEmf, nullptr};
}

} // namespace fw::imaging
