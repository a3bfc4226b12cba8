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

QImage smoothImage(int width, int height)
{
    QImage image(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128 + (x - y) / 4));
    return image;
}

/// Checks that every xref entry points at "N 0 obj" and startxref at the xref table.
void expectExactCrossReferences(const QByteArray& pdf)
{
    const qsizetype startxref = pdf.lastIndexOf("startxref\n");
    ASSERT_GT(startxref, 0);
    const qsizetype xref = pdf.mid(startxref + 10).split('\n').value(0).toLongLong();
    ASSERT_EQ(pdf.mid(xref, 5), QByteArray("xref\n"));
    const QList<QByteArray> lines = pdf.mid(xref).split('\n');
    const int count = lines.value(1).split(' ').value(1).toInt();
    ASSERT_GT(count, 1);
    EXPECT_EQ(lines.value(2), QByteArray("0000000000 65535 f "));
    for (int id = 1; id < count; ++id) {
        const QByteArray entry = lines.value(2 + id);
        ASSERT_EQ(entry.size(), 19) << entry.constData(); // 20 bytes with the line feed
        const qsizetype offset = entry.left(10).toLongLong();
        EXPECT_TRUE(pdf.mid(offset).startsWith(QByteArray::number(id) + " 0 obj\n")) << "object " << id;
    }
}

} // namespace

TEST(PdfCodec, PopplerSeesThePageTheImageAndItsResolution)
{
    TempDir dir;
    struct Case {
        QImage image;
        Resolution dpi;
        bool jpeg;
        double minPsnr;
        bool smooth = false;
    };
    const Case cases[] = {
        {makeTestImage(123, 77), {100, 100}, false, 200},
        {makeTestImage(40, 30, 5), {150, 150}, false, 200},
        {greyRamp(65, 33), {300, 300}, false, 200},
        {smoothImage(96, 64), {200, 200}, false, 35, true},
        {smoothImage(96, 64), {200, 200}, true, 35, true},
        {greyRamp(33, 17), {72, 72}, true, 30, true},
    };
    for (const Case& c : cases) {
        const QString path = dir.path(QStringLiteral("page.pdf"));
        WriteOptions options;
        options.dpi = c.dpi;
        options.pdf.jpegCompression = c.jpeg;
        writeImageFile(path, c.image, options);
        const QByteArray pdf = readAll(path);
        EXPECT_TRUE(pdf.startsWith("%PDF-1.4\n"));
        EXPECT_TRUE(pdf.contains(c.jpeg ? "/DCTDecode" : "/FlateDecode"));
        expectExactCrossReferences(pdf);
        const double pw = c.image.width() * 72.0 / c.dpi.x, ph = c.image.height() * 72.0 / c.dpi.y;
        const std::string what = std::to_string(c.image.width()) + (c.jpeg ? " jpeg" : " flate");

        const ToolResult info = runTool(QStringLiteral("pdfinfo"), {path});
        ASSERT_TRUE(info.ok()) << info.err.toStdString();
        EXPECT_TRUE(info.err.isEmpty()) << info.err.toStdString(); // poppler complains about broken xref tables
        const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("Page size:\\s+(\\S+) x (\\S+) pts")).match(info.out);
        ASSERT_TRUE(size.hasMatch()) << info.out.toStdString();
        EXPECT_NEAR(size.captured(1).toDouble(), pw, 0.01) << what;
        EXPECT_NEAR(size.captured(2).toDouble(), ph, 0.01) << what;

        const ToolResult list = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path});
        ASSERT_TRUE(list.ok()) << list.err.toStdString();
        // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
        const QStringList rows = list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(rows.size(), 3) << list.out.toStdString();
        const QStringList f = rows[2].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        ASSERT_GE(f.size(), 14) << rows[2].toStdString();
        EXPECT_EQ(f[3].toInt(), c.image.width()) << what;
        EXPECT_EQ(f[4].toInt(), c.image.height()) << what;
        EXPECT_EQ(f[5], c.image.format() == QImage::Format_Indexed8 ? QStringLiteral("gray") : QStringLiteral("rgb")) << what;
        EXPECT_EQ(f[8], c.jpeg ? QStringLiteral("jpeg") : QStringLiteral("image")) << what;
        EXPECT_NEAR(f[12].toDouble(), c.dpi.x, 1) << what;
        EXPECT_NEAR(f[13].toDouble(), c.dpi.y, 1) << what;

        // pdftocairo draws the image pixel for pixel. pdftoppm resamples images even at their
        // own resolution, which blurs noise: its colours are compared on smooth pictures only.
        const QString prefix = dir.path(QStringLiteral("render"));
        for (const QString& tool : {QStringLiteral("pdftocairo"), QStringLiteral("pdftoppm")}) {
            const QStringList args = tool == QLatin1String("pdftocairo") ? QStringList{QStringLiteral("-png")} : QStringList{};
            const ToolResult render = runTool(tool, args + QStringList{QStringLiteral("-r"), QString::number(c.dpi.x),
                                                                      QStringLiteral("-singlefile"), path, prefix});
            ASSERT_TRUE(render.ok()) << render.err.toStdString();
            const QImage rendered(prefix + (tool == QLatin1String("pdftocairo") ? QStringLiteral(".png") : QStringLiteral(".ppm")));
            ASSERT_EQ(rendered.size(), c.image.size()) << what << " " << tool.toStdString();
            if (tool == QLatin1String("pdftocairo") || c.smooth) {
                EXPECT_GT(psnr(rendered, c.image), c.minPsnr) << what << " " << tool.toStdString();
            }
        }
    }
}

TEST(PdfCodec, IsWriteOnly)
{
    EXPECT_TRUE(canWrite(ImageFormat::Pdf));
    EXPECT_FALSE(canRead(ImageFormat::Pdf));
    EXPECT_EQ(formatForPath(QStringLiteral("a.pdf")), ImageFormat::Pdf);
}
