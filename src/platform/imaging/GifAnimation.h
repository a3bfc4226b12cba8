#pragma once

#include "Bytes.h"

#include <QImage>
#include <QList>

#include <vector>

namespace fw::imaging {

/// One image of a GIF as stored: its own rectangle on the logical screen (clipped to the
/// screen when it reaches past it) and its own timing and disposal.
struct GifFrame {
    QImage image;              ///< Indexed8 with the frame's palette (local, else global)
    int left = 0;
    int top = 0;
    int delayCentiseconds = 0;
    int disposal = 0;          ///< 0 unspecified, 1 keep, 2 restore background, 3 restore previous
    int transparentIndex = -1; ///< -1: none
};

/// The frames of a GIF file and its screen description.
struct GifAnimation {
    int screenWidth = 0;
    int screenHeight = 0;
    int backgroundIndex = 0;
    QList<QRgb> globalPalette;  ///< empty when the file has no global colour table
    int loopCount = -1;         ///< -1: no loop extension (play once); 0: forever; n: repeat n times
    std::vector<GifFrame> frames;
};

/// Largest number of frames and total number of frame pixels readGifAnimation accepts; a file
/// claiming more is refused instead of exhausting memory.
constexpr int kMaxGifFrames = 10000;
constexpr std::int64_t kMaxGifTotalPixels = 1024LL * 1024 * 1024;

/// Decodes the frames of a GIF held in memory (at most `frameLimit` of them when > 0).
/// Throws ImageError on a damaged or unsupported file.
GifAnimation readGifAnimation(ByteView data, int frameLimit = 0);

} // namespace fw::imaging
