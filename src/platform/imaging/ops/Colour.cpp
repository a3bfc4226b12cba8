#include "Colour.h"

#include "../ImageLimits.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

namespace fw::imaging {

namespace {

using Lut = std::array<std::uint8_t, 256>;

/// The image in BGR888, sharing the source's pixels when it already is.
QImage asBgr(const QImage& image)
{
    return image.format() == QImage::Format_BGR888 ? image : image.convertToFormat(QImage::Format_BGR888);
}

QImage asBgrCopy(const QImage& image)
{
    return image.format() == QImage::Format_BGR888 ? image.copy() : image.convertToFormat(QImage::Format_BGR888);
}

/// Runs `perRow(source row, target row, bytes)` over every row into a new BGR888 image: one
/// pass reading the source and writing the result (no copy first, then a change in place).
template <typename PerRow>
QImage mapRows(const QImage& source, PerRow perRow)
{
    const QImage src = source.format() == QImage::Format_BGR888 ? source : source.convertToFormat(QImage::Format_BGR888);
    QImage dst = allocateImage(src.width(), src.height(), QImage::Format_BGR888);
    const int bytes = src.width() * 3;
    for (int y = 0; y < src.height(); ++y)
        perRow(src.constScanLine(y), dst.scanLine(y), bytes);
    return dst;
}

/// Applies one lookup table per channel (index 0 blue, 1 green, 2 red).
QImage applyLuts(const QImage& source, const std::array<Lut, 3>& luts)
{
    return mapRows(source, [&luts](const std::uint8_t* s, std::uint8_t* d, int bytes) {
        for (int x = 0; x < bytes; x += 3) {
            d[x] = luts[0][s[x]];
            d[x + 1] = luts[1][s[x + 1]];
            d[x + 2] = luts[2][s[x + 2]];
        }
    });
}

std::array<std::array<std::uint64_t, 256>, 3> histograms(const QImage& img)
{
    std::array<std::array<std::uint64_t, 256>, 3> h{};
    const int bytes = img.width() * 3;
    for (int y = 0; y < img.height(); ++y) {
        const std::uint8_t* p = img.constScanLine(y);
        for (int x = 0; x < bytes; x += 3) {
            ++h[0][p[x]];
            ++h[1][p[x + 1]];
            ++h[2][p[x + 2]];
        }
    }
    return h;
}

inline std::uint8_t clamp255(double v) { return std::uint8_t(std::clamp(v + 0.5, 0.0, 255.0)); }
inline std::uint8_t toByte(float v) { return std::uint8_t(std::clamp(v * 255.0f + 0.5f, 0.0f, 255.0f)); }

/// Runs `shift` on each pixel in floating point RGB 0..1. Colours repeat heavily in video
/// frames, so a small direct-mapped cache of recent results saves most of the conversions.
/// Rows are split between the processor's cores; each worker has its own cache.
template <typename Shift>
QImage perPixel(const QImage& source, Shift shift)
{
    QImage img = asBgrCopy(source);
    const int bytes = img.width() * 3;
    std::uint8_t* bits = img.bits();
    const qsizetype stride = img.bytesPerLine();
    auto work = [&](int firstRow, int endRow) {
        constexpr std::uint32_t kSlots = 1 << 14;
        std::vector<std::uint32_t> keys(kSlots, 0xffffffffu);
        std::vector<std::uint32_t> values(kSlots);
        for (int y = firstRow; y < endRow; ++y) {
            std::uint8_t* p = bits + y * stride;
            for (int x = 0; x < bytes; x += 3) {
                const std::uint32_t key = std::uint32_t(p[x]) | std::uint32_t(p[x + 1]) << 8 | std::uint32_t(p[x + 2]) << 16;
                const std::uint32_t slot = (key * 2654435761u) >> 18;
                if (keys[slot] != key) {
                    float r = p[x + 2] * (1.0f / 255), g = p[x + 1] * (1.0f / 255), b = p[x] * (1.0f / 255);
                    shift(r, g, b);
                    keys[slot] = key;
                    values[slot] = std::uint32_t(toByte(b)) | std::uint32_t(toByte(g)) << 8 | std::uint32_t(toByte(r)) << 16;
                }
                const std::uint32_t v = values[slot];
                p[x] = std::uint8_t(v);
                p[x + 1] = std::uint8_t(v >> 8);
                p[x + 2] = std::uint8_t(v >> 16);
            }
        }
    };
    const int threads = std::clamp(int(std::thread::hardware_concurrency()), 1, 8);
    const qint64 pixels = qint64(img.width()) * img.height();
    if (threads == 1 || pixels < 256 * 256) {
        work(0, img.height());
        return img;
    }
    std::vector<std::thread> pool;
    const int rowsEach = (img.height() + threads - 1) / threads;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(work, std::min(img.height(), t * rowsEach), std::min(img.height(), (t + 1) * rowsEach));
    work(0, std::min(img.height(), rowsEach));
    for (auto& th : pool)
        th.join();
    return img;
}

/// A hue turn as 0..359 degrees, so turns a whole circle apart (+180 and -180) give
/// exactly the same picture, not one rounded differently.
float hueTurn(int degrees) { return float(((degrees % 360) + 360) % 360); }

float wrapHue(float h)
{
    while (h >= 360)
        h -= 360;
    while (h < 0)
        h += 360;
    return h;
}

/// Hue in degrees 0..360 of an RGB colour whose largest and smallest channels are max and min.
inline float hueOf(float r, float g, float b, float max, float d)
{
    if (d <= 0)
        return 0;
    if (max == r) {
        const float h = 60 * (g - b) / d;
        return h < 0 ? h + 360 : h;
    }
    if (max == g)
        return 60 * ((b - r) / d + 2);
    return 60 * ((r - g) / d + 4);
}

/// Chroma and hue to RGB with the lightness offset m added (shared by HSV and HSL).
inline void fromChroma(float h, float chroma, float m, float& r, float& g, float& b)
{
    const float hp = h * (1.0f / 60);
    const int sector = std::min(5, int(hp));
    const float f = hp - float(sector & ~1); // position within the pair of sectors, 0..2
    const float x = chroma * (1 - std::fabs(f - 1));
    float r1 = 0, g1 = 0, b1 = 0;
    switch (sector) {
    case 0: r1 = chroma; g1 = x; break;
    case 1: r1 = x; g1 = chroma; break;
    case 2: g1 = chroma; b1 = x; break;
    case 3: g1 = x; b1 = chroma; break;
    case 4: r1 = x; b1 = chroma; break;
    default: r1 = chroma; b1 = x; break;
    }
    r = r1 + m;
    g = g1 + m;
    b = b1 + m;
}

} // namespace

QImage equalize(const QImage& source)
{
    const QImage img = asBgr(source);
    const auto hist = histograms(img);
    const std::uint64_t total = std::uint64_t(img.width()) * std::uint64_t(img.height());
    std::array<Lut, 3> luts{};
    for (int ch = 0; ch < 3; ++ch) {
        std::uint64_t cdfMin = 0;
        for (int v = 0; v < 256; ++v)
            if (hist[std::size_t(ch)][std::size_t(v)]) {
                cdfMin = hist[std::size_t(ch)][std::size_t(v)];
                break;
            }
        std::uint64_t cdf = 0;
        for (int v = 0; v < 256; ++v) {
            cdf += hist[std::size_t(ch)][std::size_t(v)];
            // A single-level channel has nothing to spread: it stays as it is.
            luts[std::size_t(ch)][std::size_t(v)] =
                total == cdfMin ? std::uint8_t(v)
                                : clamp255(double(cdf > cdfMin ? cdf - cdfMin : 0) * 255.0 / double(total - cdfMin));
        }
    }
    return applyLuts(img, luts);
}

QImage negative(const QImage& source)
{
    // A plain byte loop, which the compiler turns into vector instructions.
    return mapRows(source, [](const std::uint8_t* s, std::uint8_t* d, int bytes) {
        for (int x = 0; x < bytes; ++x)
            d[x] = std::uint8_t(255 - s[x]);
    });
}

QImage contrast(const QImage& source, int amount)
{
    const QImage img = asBgr(source);
    amount = std::clamp(amount, -100, 100);
    if (amount == 0)
        return img;
    const auto hist = histograms(img);
    const double total = double(img.width()) * img.height();
    const double f = amount <= 0 ? (100.0 + amount) / 100.0 : (amount == 100 ? 256.0 : 100.0 / (100.0 - amount));
    std::array<Lut, 3> luts{};
    for (int ch = 0; ch < 3; ++ch) {
        double sum = 0;
        for (int v = 0; v < 256; ++v)
            sum += double(v) * double(hist[std::size_t(ch)][std::size_t(v)]);
        const double mean = sum / total;
        for (int v = 0; v < 256; ++v)
            luts[std::size_t(ch)][std::size_t(v)] = clamp255(mean + (v - mean) * f);
    }
    return applyLuts(img, luts);
}

QImage addToChannels(const QImage& source, int red, int green, int blue)
{
    // The amounts repeat every three bytes along a row. Each byte is raised by its amount's
    // positive part and lowered by its negative part, both held within 0..255 with byte-wide
    // minimums, which the compiler turns into vector instructions (a lookup per byte cannot).
    const int width = std::max(0, source.width());
    std::vector<std::uint8_t> up(std::size_t(width) * 3), down(std::size_t(width) * 3);
    const int amounts[3] = {std::clamp(blue, -255, 255), std::clamp(green, -255, 255), std::clamp(red, -255, 255)};
    for (std::size_t i = 0; i < up.size(); ++i) {
        up[i] = std::uint8_t(std::max(0, amounts[i % 3]));
        down[i] = std::uint8_t(std::max(0, -amounts[i % 3]));
    }
    const std::uint8_t* raise = up.data();
    const std::uint8_t* lower = down.data();
    return mapRows(source, [raise, lower](const std::uint8_t* s, std::uint8_t* d, int bytes) {
        for (int x = 0; x < bytes; ++x) {
            std::uint8_t v = s[x];
            v = std::uint8_t(v + std::min(raise[x], std::uint8_t(255 - v)));
            v = std::uint8_t(v - std::min(lower[x], v));
            d[x] = v;
        }
    });
}

QImage hsvShift(const QImage& source, int hue, int saturation, int value)
{
    if (hue % 360 == 0 && saturation == 0 && value == 0)
        return asBgrCopy(source);
    const float dh = hueTurn(hue), ds = saturation / 100.0f, dv = value / 100.0f;
    return perPixel(source, [=](float& r, float& g, float& b) {
        const float max = std::max({r, g, b}), min = std::min({r, g, b}), d = max - min;
        const float h = wrapHue(hueOf(r, g, b, max, d) + dh);
        const float s = std::clamp((max > 0 ? d / max : 0) + ds, 0.0f, 1.0f);
        const float v = std::clamp(max + dv, 0.0f, 1.0f);
        const float chroma = v * s;
        fromChroma(h, chroma, v - chroma, r, g, b);
    });
}

QImage hslShift(const QImage& source, int hue, int saturation, int luminosity)
{
    if (hue % 360 == 0 && saturation == 0 && luminosity == 0)
        return asBgrCopy(source);
    const float dh = hueTurn(hue), ds = saturation / 100.0f, dl = luminosity / 100.0f;
    return perPixel(source, [=](float& r, float& g, float& b) {
        const float max = std::max({r, g, b}), min = std::min({r, g, b}), d = max - min;
        const float l0 = (max + min) / 2;
        const float s0 = d <= 0 ? 0 : d / (1 - std::fabs(2 * l0 - 1));
        const float h = wrapHue(hueOf(r, g, b, max, d) + dh);
        const float s = std::clamp(s0 + ds, 0.0f, 1.0f);
        const float l = std::clamp(l0 + dl, 0.0f, 1.0f);
        const float chroma = (1 - std::fabs(2 * l - 1)) * s;
        fromChroma(h, chroma, l - chroma / 2, r, g, b);
    });
}

} // namespace fw::imaging
