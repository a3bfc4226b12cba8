#include "MediaTime.h"

namespace fw::media {

QString FormatHMS(MediaTime t)
{
    const std::int64_t s = t / kUnitsPerSecond;
    const std::int64_t h = s / 3600;
    const std::int64_t m = s / 60 - 60 * h;
    const std::int64_t sec = s - 3600 * h - 60 * m;
    return QStringLiteral("%1:%2:%3")
        .arg(h)
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(sec, 2, 10, QLatin1Char('0'));
}

QString FormatStamp(MediaTime t)
{
    const std::int64_t h100 = t / 100'000;
    const std::int64_t h = h100 / 360'000;
    const std::int64_t m = h100 / 6'000 - 60 * h;
    const std::int64_t s = h100 / 100 - 3600 * h - 60 * m;
    const std::int64_t f = h100 - 360'000 * h - 6'000 * m - 100 * s;
    return QStringLiteral("%1.%2.%3,%4")
        .arg(h)
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'))
        .arg(f, 2, 10, QLatin1Char('0'));
}

} // namespace fw::media
