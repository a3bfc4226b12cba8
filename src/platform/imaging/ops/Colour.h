#pragma once

#include <QImage>

namespace fw::imaging {

// Colour operations. Each takes any QImage and returns a BGR888 image of the same size.

/// Histogram equalisation of each channel: the cumulative histogram maps the levels in use
/// onto 0..255, so the darkest level present becomes 0 and the brightest 255.
QImage equalize(const QImage& source);

/// Every channel value v becomes 255 - v.
QImage negative(const QImage& source);

/// Contrast around each channel's mean level over the image, amount -100..100.
/// v' = mean + (v - mean) * f, with f = (100 + a) / 100 for a <= 0 (so -100 gives a flat image
/// at the mean) and f = 100 / (100 - a) for a > 0 (100 is a hard threshold at the mean).
QImage contrast(const QImage& source, int amount);

/// Adds the amounts (-255..255) to red, green and blue, held within 0..255.
QImage addToChannels(const QImage& source, int red, int green, int blue);

/// Hue turned by `hue` degrees (wrapping), saturation and value raised by `saturation` and
/// `value` percentage points on their 0..100 scale, held within it.
QImage hsvShift(const QImage& source, int hue, int saturation, int value);

/// The same in hue, saturation and luminosity (HSL) terms.
QImage hslShift(const QImage& source, int hue, int saturation, int luminosity);

} // namespace fw::imaging
