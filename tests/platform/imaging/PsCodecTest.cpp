#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "support/ExternalTools.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

using namespace fw::imaging;
using namespace fw::test;

namespace {

QImage greyRamp(int width, int height)
{
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 256; ++i)
        table.append(qRgb(i, i, i));
    image.setColorTable(table);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.scanLine(y)[x] = std::uint8_t((x * 5 + y * 3) & 0xff);
    return image;
}

} // namespace

TEST(PsCodec, GhostscriptSeesThePageSizeAndTheImageAtItsResolution)
{
    TempDir dir;
    struct Case {
        QImage image;
        Resolution dpi;
    };
    // Odd sizes leave partial ASCII85 groups; 150x100 dpi tests unequal axes.
    const Case cases[] = {
        {makeTestImage(123, 77), {100, 100}},
        {makeTestImage(40, 31, 5), {150, 100}},
        {greyRamp(65, 33), {300, 300}},
        {makeTestImage(1, 1), {72, 72}},
    };
    for (const Case& c : cases) {
        const QString path = dir.path(QStringLiteral("page.ps"));
        WriteOptions options;
        options.dpi = c.dpi;
        writeImageFile(path, c.image, options);
        const QByteArray text = readAll(path);
        EXPECT_TRUE(text.startsWith("%!PS-Adobe-3.0\n"));
        EXPECT_TRUE(text.contains("%%Pages: 1\n"));
        EXPECT_TRUE(text.endsWith("%%EOF\n"));
        const double pw = c.image.width() * 72.0 / c.dpi.x, ph = c.image.height() * 72.0 / c.dpi.y;

        const ToolResult bbox = runTool(QStringLiteral("gs"), {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
                                                                QStringLiteral("-dSAFER"), QStringLiteral("-sDEVICE=bbox"), path});
        ASSERT_TRUE(bbox.ok()) << bbox.err.toStdString() << bbox.out.toStdString();
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("%%HiResBoundingBox: (\\S+) (\\S+) (\\S+) (\\S+)")).match(bbox.err + bbox.out);
        ASSERT_TRUE(m.hasMatch()) << bbox.err.toStdString();
        EXPECT_NEAR(m.captured(1).toDouble(), 0, 0.1);
        EXPECT_NEAR(m.captured(2).toDouble(), 0, 0.1);
        EXPECT_NEAR(m.captured(3).toDouble(), pw, 0.1);
        EXPECT_NEAR(m.captured(4).toDouble(), ph, 0.1);

        const QString ppm = dir.path(QStringLiteral("page.ppm"));
        const ToolResult render = runTool(QStringLiteral("gs"), {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
                                                                  QStringLiteral("-dSAFER"), QStringLiteral("-sDEVICE=ppmraw"),
                                                                  QStringLiteral("-r%1x%2").arg(c.dpi.x).arg(c.dpi.y),
                                                                  QStringLiteral("-sOutputFile=") + ppm, path});
        ASSERT_TRUE(render.ok()) << render.err.toStdString();
        const QImage rendered(ppm);
        ASSERT_EQ(rendered.size(), c.image.size()) << c.image.width() << "x" << c.image.height();
        EXPECT_GT(psnr(rendered, c.image), 40.0);
    }
}

TEST(PsCodec, IsWriteOnly)
{
    EXPECT_TRUE(canWrite(ImageFormat::Ps));
    EXPECT_FALSE(canRead(ImageFormat::Ps));
    EXPECT_EQ(formatForPath(QStringLiteral("a.PS")), ImageFormat::Ps);
    TempDir dir;
    const QString path = dir.path(QStringLiteral("page.ps"));
    writeImageFile(path, makeTestImage(4, 4));
    try {
        readImageFile(path);
        ADD_FAILURE() << "read a PostScript file";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("not supported"), std::string::npos) << e.what();
    }
}
