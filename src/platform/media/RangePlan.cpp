#include "RangePlan.h"

#include <QDir>
#include <QFileInfo>

namespace fw::media {

MediaTime frameTime(std::int64_t n, MediaTime duration, std::int64_t count)
{
    if (count <= 0)
        return 0;
    // 128-bit product: a long clip's duration times a frame number can exceed 64 bits.
    return MediaTime(static_cast<__int128>(n) * duration / count);
}

std::int64_t frameAt(MediaTime t, MediaTime duration, std::int64_t count)
{
    if (duration <= 0 || count <= 0)
        return 0;
    return std::int64_t(static_cast<__int128>(count) * t / duration);
}

QString proposedRangeName(const QString& videoPath)
{
    const QFileInfo info(videoPath);
    const QString suffix = info.suffix();
    const QString base = info.completeBaseName();
    return suffix.isEmpty() ? info.fileName() : base + QLatin1Char('_') + suffix;
}

QString rangeSampleFileName(const QString& folder, const QString& base, const QString& stamp, const QString& extension)
{
    const QString name = base + QLatin1Char('[') + stamp + QLatin1Char(']') + extension;
    return folder.isEmpty() ? name : QDir(folder).filePath(name);
}

} // namespace fw::media
