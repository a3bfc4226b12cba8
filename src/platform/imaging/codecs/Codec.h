#pragma once

#include "../Bytes.h"
#include "../ImageFormat.h"
#include "../LoadedImage.h"
#include "../WriteOptions.h"

#include <QImage>

#include <span>
#include <string_view>

namespace fw::imaging {

/// How many leading bytes of a file the sniffers see.
constexpr std::size_t kSniffBytes = 128;

/// One image file format: its names, how to recognise it, and how to read and write it.
///
/// Readers and writers work on memory so they can be fuzzed and never block on I/O; the
/// file-level functions in ImageFile.h do the file access and the error wording. Both throw
/// ImageError with a short description of the problem ("truncated pixel data"); any other
/// exception or a crash on bad input is a bug.
///
/// Thread safety: codecs keep no state; any thread may call them concurrently.
struct Codec {
    ImageFormat format;
    std::string_view name;                         ///< "JPEG", shown in errors and lists
    std::span<const std::string_view> extensions;  ///< lower case, without the dot; first is preferred

    /// True when the first bytes of a file (up to kSniffBytes, possibly fewer) look like this format.
    /// Only for real signatures. nullptr: the format has none and is read by its extension only.
    bool (*sniff)(ByteView head) = nullptr;

    /// Decodes a whole file. nullptr: the format cannot be read.
    LoadedImage (*read)(ByteView data) = nullptr;

    /// Encodes `image` (any QImage format) into `out`, which is empty on entry.
    /// `format` tells variants sharing one codec apart (Jp2/J2k, Ico/Cur). nullptr: write-only not possible.
    void (*write)(const QImage& image, const WriteOptions& options, ImageFormat format, ByteBuffer& out) = nullptr;
};

/// The table of all codecs (CodecRegistry.cpp).
std::span<const Codec> allCodecs();

/// The codec for a format, or nullptr.
const Codec* codecFor(ImageFormat format);

/// The codec whose sniff accepts `head`, or nullptr.
const Codec* sniffCodec(ByteView head);

/// The format an extension names (case-insensitive, with or without the dot), or Unknown.
ImageFormat formatForExtension(std::string_view extension);

} // namespace fw::imaging
