#include "platform/imaging/ops/DisplayAdjust.h"

#include <gtest/gtest.h>

using namespace fw::imaging;

namespace {
QImage filled(int r, int g, int b)
{
    QImage img(4, 3, QImage::Format_RGB888);
    img.fill(QColor(r, g, b));
    return img;
}
QColor at(const QImage& img) { return img.pixelColor(1, 1); }
} // namespace

TEST(DisplayAdjust, ContrastFactorRunsFromZeroToEleven)
{
    EXPECT_EQ(displayContrastFactor(-100), 0);
    EXPECT_EQ(displayContrastFactor(0), 65536);
    EXPECT_EQ(displayContrastFactor(100), 11 * 65536);
    EXPECT_EQ(displayContrastFactor(-25), int((1 - 0.5) * 65536));
}

TEST(DisplayAdjust, DrawnPixelsFollowTheFixedPointRule)
{
    struct Case {
        QColor stored;
        DisplayAdjustments adj;
        QColor drawn;
    } cases[] = {
        {QColor(0, 0, 0), {255, 0, 0, 0}, QColor(255, 0, 0)},           // red offset on black
        {QColor(10, 200, 255), {100, -50, 3, -100}, QColor(128, 128, 128)}, // contrast -100 flattens
        {QColor(129, 140, 116), {0, 0, 0, 100}, QColor(139, 255, 0)},     // contrast 100
        {QColor(127, 128, 117), {0, 0, 0, 100}, QColor(117, 128, 7)},     // truncation toward zero
        {QColor(50, 60, 70), {-100, 0, 300, 0}, QColor(0, 60, 255)},      // clamped
    };
    for (const auto& c : cases) {
        const QImage out = adjustForDisplay(filled(c.stored.red(), c.stored.green(), c.stored.blue()), c.adj);
        EXPECT_EQ(at(out), c.drawn) << c.stored.name().toStdString() << " ct " << c.adj.contrast;
    }
}

TEST(DisplayAdjust, NeutralSettingsReturnThePictureItself)
{
    const QImage src = filled(1, 2, 3);
    const QImage out = adjustForDisplay(src, {});
    EXPECT_EQ(out.cacheKey(), src.cacheKey());
    const QImage adjusted = adjustForDisplay(src, {10, 0, 0, 0});
    EXPECT_EQ(at(src), QColor(1, 2, 3)) << "the stored picture is never changed";
    EXPECT_EQ(at(adjusted), QColor(11, 2, 3));
}
