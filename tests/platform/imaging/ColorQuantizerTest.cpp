#include "platform/imaging/ColorQuantizer.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <random>

using namespace fw::imaging;
using namespace fw::test;

namespace {

/// Smooth shading with many distinct colours, like a photograph.
QImage makePhoto(int w, int h)
{
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const double fx = double(x) / w, fy = double(y) / h;
            row[3 * x + 2] = uchar(127.5 + 127.5 * std::sin(6.0 * fx + 2.0 * fy));
            row[3 * x + 1] = uchar(255 * fy * (0.5 + 0.5 * std::cos(9.0 * fx)));
            row[3 * x + 0] = uchar(255 * (1 - fx) * (0.6 + 0.4 * std::sin(5.0 * fy)));
        }
    }
    return image;
}

/// Box-blurred copy: what the eye sees of a dithered image from a distance.
QImage blurred(const QImage& source, int radius)
{
    const QImage in = source.convertToFormat(QImage::Format_RGB888);
    QImage out(in.size(), QImage::Format_RGB888);
    for (int y = 0; y < in.height(); ++y)
        for (int x = 0; x < in.width(); ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0, n = 0;
                for (int dy = -radius; dy <= radius; ++dy)
                    for (int dx = -radius; dx <= radius; ++dx) {
                        const int yy = std::clamp(y + dy, 0, in.height() - 1), xx = std::clamp(x + dx, 0, in.width() - 1);
                        sum += in.constScanLine(yy)[3 * xx + c];
                        ++n;
                    }
                out.scanLine(y)[3 * x + c] = uchar((sum + n / 2) / n);
            }
    return out;
}

int distinctColours(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    std::set<QRgb> colours;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            colours.insert(rgb.pixel(x, y));
    return int(colours.size());
}

} // namespace

TEST(ColorQuantizer, FewColoursComeOutExactWithoutDitherNoise)
{
    for (int colours : {1, 2, 17, 256}) {
        const QImage source = makeIndexedImage(61, 37, colours, 3).convertToFormat(QImage::Format_BGR888);
        for (bool dither : {false, true}) {
            const QImage q = quantize(source, 256, dither);
            ASSERT_EQ(q.format(), QImage::Format_Indexed8);
            EXPECT_LE(q.colorCount(), colours);
            EXPECT_TRUE(samePixels(q, source)) << colours << " colours, dither " << dither;
        }
    }
}

TEST(ColorQuantizer, ReducesToTheRequestedNumberOfColoursWithRisingQuality)
{
    const QImage photo = makePhoto(160, 120);
    ASSERT_GT(distinctColours(photo), 256);
    double previous = 0;
    for (int maxColours : {2, 8, 64, 256}) {
        const QImage q = quantize(photo, maxColours, false);
        ASSERT_EQ(q.format(), QImage::Format_Indexed8);
        EXPECT_LE(q.colorCount(), maxColours);
        EXPECT_LE(distinctColours(q), maxColours);
        const double quality = psnr(q, photo);
        EXPECT_GT(quality, previous) << maxColours << " colours";
        previous = quality;
    }
    EXPECT_GT(previous, 30.0); // 256 colours of a smooth picture: 32.4 dB measured
}

TEST(ColorQuantizer, KeepsADominantColourAndMergesRareOnesFirst)
{
    // 90% one colour, the rest 400 rare colours: the dominant colour must survive exactly.
    QImage image(100, 100, QImage::Format_BGR888);
    image.fill(QColor(200, 30, 90));
    std::mt19937 rng(7);
    for (int i = 0; i < 1000; ++i)
        image.setPixelColor(i % 100, 90 + i / 100, QColor(int(rng() % 256), int(rng() % 256), int(rng() % 256)));
    ASSERT_GT(distinctColours(image), 256);
    const QList<QRgb> palette = buildPalette(image, 16);
    EXPECT_LE(palette.size(), 16);
    EXPECT_TRUE(palette.contains(qRgb(200, 30, 90)));
    const QImage q = mapToPalette(image, palette, false);
    EXPECT_EQ(q.pixel(50, 50), qRgb(200, 30, 90));
}

TEST(ColorQuantizer, NearestColourLookupMatchesABruteForceSearch)
{
    std::mt19937 rng(11);
    QList<QRgb> palette;
    for (int i = 0; i < 77; ++i)
        palette.append(qRgb(int(rng() % 256), int(rng() % 256), int(rng() % 256)));
    const QImage image = makeTestImage(128, 96, 5);
    const QImage mapped = mapToPalette(image, palette, false);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            int best = 1 << 30;
            for (QRgb p : palette) {
                const int d = (qRed(p) - qRed(c)) * (qRed(p) - qRed(c)) + (qGreen(p) - qGreen(c)) * (qGreen(p) - qGreen(c))
                              + (qBlue(p) - qBlue(c)) * (qBlue(p) - qBlue(c));
                best = std::min(best, d);
            }
            const QRgb got = palette[mapped.pixelIndex(x, y)];
            const int d = (qRed(got) - qRed(c)) * (qRed(got) - qRed(c)) + (qGreen(got) - qGreen(c)) * (qGreen(got) - qGreen(c))
                          + (qBlue(got) - qBlue(c)) * (qBlue(got) - qBlue(c));
            ASSERT_EQ(d, best) << x << "," << y;
        }
}

TEST(ColorQuantizer, DitheringKeepsTheAverageToneOfSmoothAreas)
{
    // A grey ramp on a black/white palette: without diffusion it is two flat halves; with it,
    // both serpentine and plain raster order, the blurred result follows the ramp.
    QImage ramp(256, 24, QImage::Format_BGR888);
    for (int y = 0; y < ramp.height(); ++y)
        for (int x = 0; x < ramp.width(); ++x)
            ramp.setPixelColor(x, y, QColor(x, x, x));
    const QList<QRgb> bw = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    const double flat = psnr(blurred(mapToPalette(ramp, bw, false), 3), ramp);
    for (bool serpentine : {true, false}) {
        const QImage dithered = mapToPalette(ramp, bw, true, serpentine);
        EXPECT_EQ(distinctColours(dithered), 2);
        EXPECT_GT(psnr(blurred(dithered, 3), ramp), flat + 8) << "serpentine " << serpentine;
    }
}
