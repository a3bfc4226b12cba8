#include "AviHeader.h"
#include "MediaPlayer.h"

#include <QFile>

#include <cstring>
#include <optional>

namespace fw::media {

namespace {

/// Chunks visited before giving up, so a damaged file full of tiny chunks cannot hold us.
constexpr int kMaxChunks = 100000;
/// Offset of dwLength in the stream header (fccType, fccHandler, dwFlags, wPriority,
/// wLanguage, dwInitialFrames, dwScale, dwRate, dwStart come first).
constexpr int kStrhLengthOffset = 32;

struct Chunk {
    char id[4];
    std::uint32_t size = 0;
    qint64 data = 0; ///< offset of the chunk's data
};

std::uint32_t le32(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
}

bool readAt(QIODevice& device, qint64 offset, char* out, qint64 length)
{
    return device.seek(offset) && device.read(out, length) == length;
}

/// Walks the chunks of the list spanning [begin, end) and returns the first 'vids' stream
/// length found in `hdrl` / `strl` lists; `budget` counts down the chunks visited.
std::optional<std::uint32_t> walk(QIODevice& device, qint64 begin, qint64 end, int depth, int& budget)
{
    qint64 at = begin;
    while (at + 8 <= end) {
        if (--budget < 0)
            return std::nullopt;
        char header[8];
        if (!readAt(device, at, header, 8))
            return std::nullopt;
        Chunk c;
        std::memcpy(c.id, header, 4);
        c.size = le32(header + 4);
        c.data = at + 8;
        const qint64 chunkEnd = std::min<qint64>(c.data + qint64(c.size), end);
        if (std::memcmp(c.id, "LIST", 4) == 0 && c.size >= 4 && depth < 3) {
            char type[4];
            if (!readAt(device, c.data, type, 4))
                return std::nullopt;
            if (std::memcmp(type, "movi", 4) == 0)
                return std::nullopt; // the headers come before the data; none named a video stream
            if (std::memcmp(type, "hdrl", 4) == 0 || std::memcmp(type, "strl", 4) == 0) {
                if (auto found = walk(device, c.data + 4, chunkEnd, depth + 1, budget))
                    return found;
                if (std::memcmp(type, "hdrl", 4) == 0)
                    return std::nullopt; // only the first header list describes the streams
            }
        } else if (std::memcmp(c.id, "strh", 4) == 0) {
            // Each stream list starts with its header: a video stream or the next list.
            if (c.size >= kStrhLengthOffset + 4 && c.data + kStrhLengthOffset + 4 <= end) {
                char strh[kStrhLengthOffset + 4];
                if (!readAt(device, c.data, strh, sizeof strh))
                    return std::nullopt;
                if (std::memcmp(strh, "vids", 4) == 0)
                    return le32(strh + kStrhLengthOffset);
            }
            if (depth >= 2)
                return std::nullopt;
        }
        // Chunks are padded to an even size.
        const qint64 step = 8 + qint64(c.size) + (c.size & 1);
        at += step;
    }
    return std::nullopt;
}

} // namespace

std::uint32_t aviVideoFrameCount(QIODevice& device)
{
    if (!device.isOpen() || device.isSequential())
        return 0;
    char riff[12];
    if (!readAt(device, 0, riff, 12) || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "AVI ", 4) != 0)
        return 0;
    const qint64 end = std::min<qint64>(8 + qint64(le32(riff + 4)), device.size());
    int budget = kMaxChunks;
    return walk(device, 12, end, 0, budget).value_or(0);
}

std::uint32_t aviVideoFrameCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return aviVideoFrameCount(static_cast<QIODevice&>(file));
}

} // namespace fw::media
