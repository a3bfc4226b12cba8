#include "platform/printing/PrintLayout.h"
#include "support/ExternalTools.h"
#include "support/TestImages.h"

#include <QPdfWriter>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace fw::printing;
using namespace fw::test;

TEST(PrintLayout, SizeModesAndPlacementsInsideTheMargins)
{
    // A 10 x 8 inch page at 100 dpi with 1-inch margins: the area is 800 x 600 from (100, 100).
    const QSizeF page(1000, 800);
    const QSize image(400, 200);
    PrintSettings s;
    s.marginsInches = {1, 1, 1, 1};
    const struct {
        SizeMode mode;
        VerticalPlace v;
        HorizontalPlace h;
        QRectF expected;
    } cases[] = {
        {SizeMode::FitToPage, VerticalPlace::Center, HorizontalPlace::Center, {100, 200, 800, 400}},
        {SizeMode::FitToPage, VerticalPlace::Top, HorizontalPlace::Left, {100, 100, 800, 400}},
        {SizeMode::FitToPage, VerticalPlace::Bottom, HorizontalPlace::Right, {100, 300, 800, 400}},
        {SizeMode::StretchToPage, VerticalPlace::Center, HorizontalPlace::Center, {100, 100, 800, 600}},
        {SizeMode::Normal, VerticalPlace::Top, HorizontalPlace::Left, {100, 100, 400, 200}},
        {SizeMode::Normal, VerticalPlace::Bottom, HorizontalPlace::Right, {500, 500, 400, 200}},
        {SizeMode::Normal, VerticalPlace::Center, HorizontalPlace::Center, {300, 300, 400, 200}},
        {SizeMode::SpecifiedSize, VerticalPlace::Top, HorizontalPlace::Center, {300, 100, 400, 300}},
    };
    s.specifiedInches = {4, 3};
    for (const auto& c : cases) {
        s.sizeMode = c.mode;
        s.vertical = c.v;
        s.horizontal = c.h;
        const QRectF r = placeImage(page, 100, image, s);
        EXPECT_EQ(r, c.expected) << int(c.mode) << "/" << int(c.v) << "/" << int(c.h) << " got " << r.x() << ","
                                 << r.y() << " " << r.width() << "x" << r.height();
    }
    s.marginsInches = {6, 1, 6, 1}; // margins larger than the page: nothing to place
    EXPECT_TRUE(placeImage(page, 100, image, s).isEmpty());
}

TEST(PrintLayout, PrintsOnePagePerImageIntoAPdf)
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("frames.pdf"));
    {
        QPdfWriter pdf(path);
        pdf.setResolution(150);
        pdf.setPageMargins({});
        QList<QImage> images;
        for (int i = 0; i < 4; ++i)
            images << makeTestImage(320, 240, unsigned(i));
        ASSERT_TRUE(printImages(pdf, images, PrintSettings{}));
    }
    const ToolResult info = runTool(QStringLiteral("pdfinfo"), {path});
    ASSERT_TRUE(info.ok()) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains(QRegularExpression(QStringLiteral("Pages:\\s+4\\b")))) << info.out.toStdString();
    const ToolResult images = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path});
    ASSERT_TRUE(images.ok());
    EXPECT_EQ(images.out.count(QStringLiteral(" image ")), 4) << images.out.toStdString();
}
