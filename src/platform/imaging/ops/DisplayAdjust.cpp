#include "DisplayAdjust.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace fw::imaging {

int displayContrastFactor(int contrast)
{
    const double k = contrast >= 0 ? 1.0 + contrast / 10.0 : 1.0 - std::sqrt(double(-contrast)) / 10.0;
    return int(k * 65536.0);
}

int displayValue(int v, int offset, int factor)
{
    const std::int64_t scaled = std::int64_t(factor) * (v + offset - 128) / 65536; // truncates toward zero
    return int(std::clamp<std::int64_t>(scaled + 128, 0, 255));
}

QImage adjustForDisplay(const QImage& source, const DisplayAdjustments& adjustments)
{
    if (adjustments.neutral() || source.isNull())
        return source;
    const int k = displayContrastFactor(adjustments.contrast);
    // One table per channel: the rule depends only on the stored value.
    std::array<std::array<std::uint8_t, 256>, 3> lut{};
    const int offsets[3] = {adjustments.blue, adjustments.green, adjustments.red}; // BGR byte order
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            lut[c][v] = std::uint8_t(displayValue(v, offsets[c], k));

    QImage out = source.format() == QImage::Format_BGR888 ? source.copy() : source.convertToFormat(QImage::Format_BGR888);
    const int w = out.width();
    for (int y = 0; y < out.height(); ++y) {
        std::uint8_t* p = out.scanLine(y);
        for (int x = 0; x < w; ++x, p += 3) {
            p[0] = lut[0][p[0]];
            p[1] = lut[1][p[1]];
            p[2] = lut[2][p[2]];
        }
    }
    return out;
}

} // namespace fw::imaging
