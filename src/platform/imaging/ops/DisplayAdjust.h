#pragma once

#include <QImage>

namespace fw::imaging {

/// Screen-only colour settings of a picture view: channel offsets -255..255 and a contrast
/// -100..100. They change how a picture is drawn, never the picture itself.
struct DisplayAdjustments {
    int red = 0;
    int green = 0;
    int blue = 0;
    int contrast = 0;

    bool neutral() const { return red == 0 && green == 0 && blue == 0 && contrast == 0; }
    bool operator==(const DisplayAdjustments&) const = default;
};

/// Fixed-point contrast factor K = trunc(k * 65536), with k = 1 + ct/10 for ct >= 0 and
/// k = 1 - sqrt(-ct)/10 below (0 at -100, 1 at 0, 11 at 100).
int displayContrastFactor(int contrast);

/// The drawn value of a stored channel value v with offset o and factor K:
/// K * (v + o - 128) / 65536 + 128, the division truncating toward zero, held in 0..255.
int displayValue(int v, int offset, int factor);

/// The picture as drawn with the settings (a BGR888 copy); the source itself when neutral.
QImage adjustForDisplay(const QImage& source, const DisplayAdjustments& adjustments);

} // namespace fw::imaging
