#include "platform/imaging/ops/Colour.h"
#include "platform/imaging/ops/Geometry.h"
#include "platform/imaging/ops/Resample.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace fw::imaging;
using namespace fw::test;

namespace {

QColor at(const QImage& img, int x, int y) { return img.pixelColor(x, y); }

QImage flat(int w, int h, QColor c)
{
    QImage img(w, h, QImage::Format_BGR888);
    img.fill(c);
    return img;
}

} // namespace

TEST(Resample, EveryFilterKeepsFlatColourExactAndSizesRight)
{
    const QImage grey = flat(37, 23, QColor(90, 160, 220));
    for (int f = 0; f <= 9; ++f) {
        for (QSize size : {QSize(100, 61), QSize(9, 5), QSize(37, 7), QSize(1, 1)}) {
            const QImage out = resample(grey, size.width(), size.height(), ResampleFilter(f));
            ASSERT_EQ(out.size(), size) << "filter " << f;
            EXPECT_EQ(out.format(), QImage::Format_BGR888);
            for (int y = 0; y < out.height(); ++y)
                for (int x = 0; x < out.width(); ++x)
                    ASSERT_EQ(at(out, x, y), QColor(90, 160, 220)) << "filter " << f << " at " << x << "," << y;
        }
    }
}

TEST(Resample, ZeroKeepsADimensionAndThePictureDoesNotShift)
{
    const QImage img = makeTestImage(640, 480);
    EXPECT_EQ(resample(img, 0, 100, ResampleFilter::Lanczos3).size(), QSize(640, 100));
    EXPECT_EQ(resample(img, 320, 0, ResampleFilter::None).size(), QSize(320, 480));
    // A picture symmetric about its centre stays symmetric after scaling with any kernel filter.
    QImage sym(40, 40, QImage::Format_BGR888);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const int d = std::abs(2 * x - 39) + std::abs(2 * y - 39);
            sym.setPixelColor(x, y, QColor(d * 3, 255 - d * 3, (d * 7) & 255));
        }
    for (int f : {1, 2, 3, 4, 5, 6, 8}) {
        for (int size : {13, 97}) {
            const QImage out = resample(sym, size, size, ResampleFilter(f));
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    ASSERT_EQ(at(out, x, y), at(out, size - 1 - x, size - 1 - y)) << "filter " << f << " size " << size;
        }
    }
}

TEST(Resample, ReducingAveragesEverySourcePixel)
{
    // A one-pixel checkerboard reduced 8 times is mid grey with a widened kernel (no aliasing),
    // while nearest sampling picks single pixels.
    QImage checker(64, 64, QImage::Format_BGR888);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            checker.setPixelColor(x, y, ((x + y) & 1) ? Qt::white : Qt::black);
    for (int f : {1, 2, 3, 4, 5, 6}) {
        const QImage out = resample(checker, 8, 8, ResampleFilter(f));
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                EXPECT_NEAR(at(out, x, y).red(), 128, 6) << "filter " << f;
    }
    const QImage nearest = resample(checker, 8, 8, ResampleFilter::Nearest);
    EXPECT_TRUE(at(nearest, 0, 0).red() == 0 || at(nearest, 0, 0).red() == 255);
}

TEST(Crop, KeepsTheRectangleLimitedToTheImage)
{
    const QImage img = makeTestImage(320, 240);
    const QImage part = crop(img, QRect(10, 20, 100, 50));
    ASSERT_EQ(part.size(), QSize(100, 50));
    EXPECT_EQ(at(part, 0, 0), at(img, 10, 20));
    EXPECT_EQ(at(part, 99, 49), at(img, 109, 69));
    const QImage edge = crop(img, QRect(300, 0, 100, 240));
    ASSERT_EQ(edge.size(), QSize(20, 240));
    EXPECT_EQ(at(edge, 19, 239), at(img, 319, 239));
    EXPECT_TRUE(samePixels(crop(img, QRect(400, 300, 10, 10)), img)); // wholly outside: unchanged
}

TEST(Turn, QuarterTurnsMoveRowsAndColumnsExactly)
{
    const QImage img = makeTestImage(64, 48);
    const QImage cw = turn(img, 270, false, Qt::gray); // 90 degrees clockwise
    ASSERT_EQ(cw.size(), QSize(48, 64));
    for (int y = 0; y < 48; ++y) // the former left column is the top row
        ASSERT_EQ(at(cw, 47 - y, 0), at(img, 0, y));
    const QImage ccw = turn(img, 90, true, Qt::gray);
    ASSERT_EQ(ccw.size(), QSize(48, 64));
    for (int x = 0; x < 64; ++x) // the former top row is the left column, read upwards
        ASSERT_EQ(at(ccw, 0, 63 - x), at(img, x, 0));
    EXPECT_TRUE(samePixels(turn(turn(img, 180, false, Qt::gray), -180, false, Qt::gray), img));
    EXPECT_TRUE(samePixels(turn(ccw, -90, false, Qt::gray), img));
    EXPECT_TRUE(samePixels(turn(img, 0, true, Qt::gray), img));
    EXPECT_TRUE(samePixels(turn(img, 360, true, Qt::gray), img));
}

TEST(Turn, OtherAnglesEnlargeTheCanvasWithBackgroundCorners)
{
    const QImage img = flat(100, 100, Qt::red);
    for (bool aa : {false, true}) {
        const QImage out = turn(img, 45, aa, QColor(128, 128, 128));
        EXPECT_EQ(out.size(), QSize(142, 142)) << aa;
        for (QPoint corner : {QPoint(0, 0), QPoint(141, 0), QPoint(0, 141), QPoint(141, 141)})
            EXPECT_EQ(at(out, corner.x(), corner.y()), QColor(128, 128, 128)) << aa;
        EXPECT_EQ(at(out, 71, 71), QColor(Qt::red)) << aa;
        EXPECT_EQ(at(out, 71, 2), QColor(Qt::red)) << aa; // the top corner of the turned square
    }
}

TEST(Mirror, LeftRightAndTopBottom)
{
    const QImage img = makeTestImage(31, 17);
    const QImage lr = mirror(img, MirrorDirection::LeftRight);
    const QImage tb = mirror(img, MirrorDirection::TopBottom);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 31; ++x) {
            ASSERT_EQ(at(lr, x, y), at(img, 30 - x, y));
            ASSERT_EQ(at(tb, x, y), at(img, x, 16 - y));
        }
}

TEST(ColourOps, ChannelRules)
{
    const QImage img = makeTestImage(50, 40);
    const QImage neg = negative(img);
    EXPECT_EQ(at(neg, 3, 4).red(), 255 - at(img, 3, 4).red());
    EXPECT_TRUE(samePixels(negative(neg), img));
    // Brightness 255 turns everything white; red -255 removes all red and nothing else.
    const QImage white = addToChannels(img, 255, 255, 255);
    const QImage noRed = addToChannels(img, -255, 0, 0);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x) {
            ASSERT_EQ(at(white, x, y), QColor(Qt::white));
            ASSERT_EQ(at(noRed, x, y), QColor(0, at(img, x, y).green(), at(img, x, y).blue()));
        }
    // Every channel value moved by its own amount and held within 0..255, from any format.
    const struct {
        int r, g, b;
    } amounts[] = {{37, -100, 255}, {-1, 0, 1}, {-255, 128, -37}, {300, -300, 0}};
    for (const QImage& source : {img, makeIndexedImage(50, 40, 200)}) {
        for (const auto& a : amounts) {
            const QImage out = addToChannels(source, a.r, a.g, a.b);
            const QImage inverted = negative(source);
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 50; ++x) {
                    const QColor c = at(source, x, y);
                    ASSERT_EQ(at(out, x, y), QColor(std::clamp(c.red() + a.r, 0, 255), std::clamp(c.green() + a.g, 0, 255),
                                                    std::clamp(c.blue() + a.b, 0, 255)))
                        << a.r << "," << a.g << "," << a.b << " at " << x << "," << y;
                    ASSERT_EQ(at(inverted, x, y), QColor(255 - c.red(), 255 - c.green(), 255 - c.blue()));
                }
        }
    }
    // Contrast -100 flattens each channel to its mean; 0 changes nothing.
    const QImage flatOut = contrast(img, -100);
    EXPECT_EQ(at(flatOut, 0, 0), at(flatOut, 49, 39));
    EXPECT_TRUE(samePixels(contrast(img, 0), img));
    // Equalise spreads a narrow range over 0..255; with negate, the order matters.
    QImage narrow(4, 1, QImage::Format_BGR888);
    const int levels[4] = {100, 110, 110, 120};
    for (int x = 0; x < 4; ++x)
        narrow.setPixelColor(x, 0, QColor(levels[x], levels[x], levels[x]));
    const QImage eq = equalize(narrow);
    EXPECT_EQ(at(eq, 0, 0).red(), 0);
    EXPECT_EQ(at(eq, 3, 0).red(), 255);
    EXPECT_FALSE(samePixels(negative(equalize(img)), equalize(negative(img))));
}

TEST(ColourOps, HueTurnsWrapAndNeutralShiftsChangeNothing)
{
    const QImage img = makeTestImage(40, 30);
    EXPECT_TRUE(samePixels(hsvShift(img, 180, 0, 0), hsvShift(img, -180, 0, 0)));
    EXPECT_TRUE(samePixels(hslShift(img, 180, 0, 0), hslShift(img, -180, 0, 0)));
    EXPECT_TRUE(samePixels(hsvShift(img, 0, 0, 0), img));
    // Over a spread of colours, turns a whole circle apart agree exactly, with the other
    // amounts applied too.
    QImage colours(512, 512, QImage::Format_BGR888);
    for (int i = 0; i < 512 * 512; ++i)
        colours.setPixelColor(i % 512, i / 512, QColor((i & 63) * 4 + 1, ((i >> 6) & 63) * 4 + 2, ((i >> 12) & 63) * 4 + 3));
    EXPECT_TRUE(samePixels(hsvShift(colours, 180, 20, -10), hsvShift(colours, -180, 20, -10)));
    EXPECT_TRUE(samePixels(hslShift(colours, 180, -20, 10), hslShift(colours, -180, -20, 10)));
    EXPECT_TRUE(samePixels(hsvShift(colours, 90, 0, 0), hsvShift(colours, -270, 0, 0)));
    const QImage red = flat(2, 2, Qt::red);
    EXPECT_EQ(at(hsvShift(red, 120, 0, 0), 0, 0), QColor(Qt::green));
    EXPECT_EQ(at(hslShift(red, -120, 0, 0), 0, 0), QColor(Qt::blue));
    EXPECT_EQ(at(hsvShift(red, 0, -100, 0), 0, 0), QColor(Qt::white));     // no saturation at full value
    EXPECT_EQ(at(hsvShift(red, 0, 0, -100), 0, 0), QColor(Qt::black));
    EXPECT_EQ(at(hslShift(red, 0, 0, 100), 0, 0), QColor(Qt::white));
    EXPECT_EQ(at(hslShift(red, 0, -100, 0), 0, 0), QColor(128, 128, 128)); // grey at the same luminosity
}
