#pragma once

#include <QIODevice>

#include <cstdint>

namespace fw::media {

/// Length in frames of the first video stream ('vids') of the AVI file in `device`, read from
/// that stream's header (strh dwLength); 0 when the data is not an AVI file, holds no video
/// stream or is damaged. Every size read from the file is checked against the data.
std::uint32_t aviVideoFrameCount(QIODevice& device);

} // namespace fw::media
