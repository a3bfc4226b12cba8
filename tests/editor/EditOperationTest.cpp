#include "editor/EditOperation.h"
#include "platform/imaging/ops/Colour.h"
#include "platform/imaging/ops/Geometry.h"
#include "platform/imaging/ops/Resample.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace fw::app;
using namespace fw::imaging;
using namespace fw::test;

namespace {

const QColor kGrey(128, 128, 128);

QImage run(const QImage& img, EditOption option, const EditValues& v) { return applyEditOperation(img, option, v, kGrey); }

} // namespace

TEST(EditOperation, ResizeTakesAbsoluteSizesAndTheFilterByItsListIndex)
{
    const QImage frame = makeTestImage(640, 480);
    EditValues v;
    v.width = 0;
    v.height = 100;
    EXPECT_EQ(run(frame, EditOption::Resize, v).size(), QSize(640, 100));
    // Every image is brought to exactly W x H, whatever its proportions.
    v.width = 320;
    v.height = 240;
    EXPECT_EQ(run(makeTestImage(200, 400), EditOption::Resize, v).size(), QSize(320, 240));
    for (int filter = 0; filter <= 9; ++filter) {
        v.filter = filter;
        EXPECT_TRUE(samePixels(run(frame, EditOption::Resize, v), resample(frame, 320, 240, ResampleFilter(filter))))
            << filter;
    }
    EXPECT_FALSE(samePixels(resample(frame, 320, 240, ResampleFilter::None), resample(frame, 320, 240, ResampleFilter::Lanczos3)));
}

TEST(EditOperation, CropKeepsTheRectangleWithinTheImage)
{
    const QImage frame = makeTestImage(320, 240);
    EditValues v;
    v.cropLeft = 10;
    v.cropTop = 20;
    v.cropWidth = 100;
    v.cropHeight = 50;
    const QImage part = run(frame, EditOption::Crop, v);
    ASSERT_EQ(part.size(), QSize(100, 50));
    EXPECT_EQ(part.pixelColor(0, 0), frame.pixelColor(10, 20));
    EXPECT_EQ(part.pixelColor(99, 49), frame.pixelColor(109, 69));
    EXPECT_EQ(cropRectangle(v), QRect(10, 20, 100, 50));

    v = {};
    v.cropLeft = 300;
    v.cropWidth = 100;
    v.cropHeight = 240;
    const QImage strip = run(frame, EditOption::Crop, v);
    ASSERT_EQ(strip.size(), QSize(20, 240));
    EXPECT_EQ(strip.pixelColor(19, 239), frame.pixelColor(319, 239));

    for (QRect r : {QRect(10, 20, 0, 50), QRect(10, 20, 100, 0), QRect(400, 0, 50, 50), QRect(0, 300, 50, 50)}) {
        v.cropLeft = r.left();
        v.cropTop = r.top();
        v.cropWidth = r.width();
        v.cropHeight = r.height();
        EXPECT_TRUE(samePixels(run(frame, EditOption::Crop, v), frame)) << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
    }
}

TEST(EditOperation, RotateButtonsAndCustomAngle)
{
    const QImage frame = makeTestImage(64, 48);
    EditValues v;
    v.antialias = true; // the fixed angles never antialias
    v.rotate = RotateChoice::Clockwise90;
    const QImage cw = run(frame, EditOption::Rotate, v);
    ASSERT_EQ(cw.size(), QSize(48, 64));
    for (int y = 0; y < 48; ++y) // the former left column is the top row
        ASSERT_EQ(cw.pixelColor(47 - y, 0), frame.pixelColor(0, y));
    v.rotate = RotateChoice::CounterClockwise90;
    EXPECT_TRUE(samePixels(run(frame, EditOption::Rotate, v), turn(frame, 90, false, kGrey)));
    v.rotate = RotateChoice::Half;
    EXPECT_TRUE(samePixels(run(frame, EditOption::Rotate, v), turn(frame, 180, false, kGrey)));
    v.rotate = RotateChoice::None;
    EXPECT_TRUE(samePixels(run(frame, EditOption::Rotate, v), frame));

    v.rotate = RotateChoice::Custom;
    for (const char* text : {"abc", "", "0", "12.5", "99999999999", "360"}) {
        v.customAngle = QString::fromLatin1(text);
        EXPECT_TRUE(samePixels(run(frame, EditOption::Rotate, v), frame)) << text;
    }
    QImage square(100, 100, QImage::Format_BGR888);
    square.fill(Qt::red);
    v.customAngle = QStringLiteral(" 45 ");
    v.antialias = false;
    const QImage turned = run(square, EditOption::Rotate, v);
    EXPECT_GT(turned.width(), 100);
    EXPECT_EQ(turned.width(), turned.height());
    EXPECT_EQ(turned.pixelColor(0, 0), kGrey);
    EXPECT_EQ(turned.pixelColor(turned.width() - 1, turned.height() - 1), kGrey);
    EXPECT_TRUE(samePixels(turned, turn(square, 45, false, kGrey)));
    v.antialias = true;
    EXPECT_TRUE(samePixels(run(frame, EditOption::Rotate, v), turn(frame, 45, true, kGrey)));
    EXPECT_EQ(customAngleDegrees(QStringLiteral("-30")), -30);
}

TEST(EditOperation, FlipColourAndChannelOptions)
{
    const QImage frame = makeTestImage(50, 40);
    EditValues v;
    EXPECT_TRUE(samePixels(run(frame, EditOption::Flip, v), frame));
    v.flip = FlipChoice::Horizontal;
    EXPECT_TRUE(samePixels(run(frame, EditOption::Flip, v), mirror(frame, MirrorDirection::LeftRight)));
    v.flip = FlipChoice::Vertical;
    EXPECT_TRUE(samePixels(run(frame, EditOption::Flip, v), mirror(frame, MirrorDirection::TopBottom)));

    EXPECT_TRUE(samePixels(run(frame, EditOption::Color, v), frame));
    v.equalize = v.negative = true; // equalise first, then negative
    EXPECT_TRUE(samePixels(run(frame, EditOption::Color, v), negative(equalize(frame))));
    v.equalize = false;
    EXPECT_TRUE(samePixels(run(frame, EditOption::Color, v), negative(frame)));

    v.contrast = 40;
    EXPECT_TRUE(samePixels(run(frame, EditOption::Contrast, v), contrast(frame, 40)));
    // Only the option that runs counts: Brightness at 0 ignores the contrast value.
    EXPECT_TRUE(samePixels(run(frame, EditOption::Brightness, v), frame));
    v.brightness = 255;
    const QImage white = run(frame, EditOption::Brightness, v);
    EXPECT_EQ(white.pixelColor(7, 9), QColor(Qt::white));
    v.red = -255;
    const QImage noRed = run(frame, EditOption::Rgb, v);
    EXPECT_EQ(noRed.pixelColor(7, 9), QColor(0, frame.pixelColor(7, 9).green(), frame.pixelColor(7, 9).blue()));

    v.hsvHue = 180;
    const QImage plus = run(frame, EditOption::Hsv, v);
    v.hsvHue = -180;
    EXPECT_TRUE(samePixels(plus, run(frame, EditOption::Hsv, v)));
    EXPECT_FALSE(samePixels(plus, frame));
    v.hslHue = 30;
    v.hslSaturation = -20;
    v.hslLuminosity = 10;
    EXPECT_TRUE(samePixels(run(frame, EditOption::Hsl, v), hslShift(frame, 30, -20, 10)));
    EXPECT_TRUE(run(QImage(), EditOption::Hsl, v).isNull());
}
