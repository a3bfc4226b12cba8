#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "platform/imaging/ImageLimits.h"
#include "support/CodecTestHelpers.h"
#include "support/CorruptInput.h"
#include "support/ExternalTools.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace fw::imaging;
using namespace fw::test;

namespace {

LoadedImage decode(const QByteArray& bytes, const QString& name = QStringLiteral("x.pnm"))
{
    return readImageData(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())),
                         name, formatForPath(name));
}

QImage greyImage(int w, int h)
{
    QImage image(w, h, QImage::Format_Indexed8);
    image.setColorTable(greyPalette(256));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.scanLine(y)[x] = uchar((x * 37 + y * 11) & 0xff);
    return image;
}

QImage blackAndWhite(int w, int h)
{
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(x, y, ((x * 7 + y * 3) % 5 < 2) ? Qt::black : Qt::white);
    return image;
}

/// Largest difference of any channel at any pixel (images of the same size).
int maxDifference(const QImage& a, const QImage& b)
{
    const QImage ca = a.convertToFormat(QImage::Format_RGB888), cb = b.convertToFormat(QImage::Format_RGB888);
    int worst = 0;
    for (int y = 0; y < ca.height(); ++y)
        for (int x = 0; x < ca.width() * 3; ++x)
            worst = std::max(worst, std::abs(int(ca.constScanLine(y)[x]) - int(cb.constScanLine(y)[x])));
    return worst;
}

} // namespace

TEST(PnmCodec, EachExtensionWritesItsKindAndReadsBackExactly)
{
    TempDir dir;
    struct Case {
        const char* name;
        QImage image;
        const char* magic;
        QImage::Format readFormat;
        const char* identifyFormat;
    };
    const Case cases[] = {
        {"grey.pgm", greyImage(33, 7), "P5", QImage::Format_Indexed8, "PGM"},
        {"colour.ppm", makeTestImage(33, 7), "P6", QImage::Format_BGR888, "PPM"},
        {"colour.pnm", makeTestImage(9, 4), "P6", QImage::Format_BGR888, "PPM"},
        {"colour.pxm", makeTestImage(10, 3), "P6", QImage::Format_BGR888, "PNM"},
        {"bw.pbm", blackAndWhite(1, 1), "P4", QImage::Format_Indexed8, "PBM"},
        {"bw9.pbm", blackAndWhite(9, 5), "P4", QImage::Format_Indexed8, "PBM"},
        {"bw16.pbm", blackAndWhite(16, 3), "P4", QImage::Format_Indexed8, "PBM"},
    };
    for (const Case& c : cases) {
        const QString path = dir.path(QLatin1String(c.name));
        writeImageFile(path, c.image);
        EXPECT_TRUE(readAll(path).startsWith(c.magic)) << c.name;
        const LoadedImage back = readImageFile(path);
        EXPECT_EQ(back.format, ImageFormat::Pnm);
        EXPECT_EQ(back.image.format(), c.readFormat) << c.name;
        EXPECT_TRUE(samePixels(back.image, c.image)) << c.name;
        // ImageMagick names PNM files by their content; .pxm is not a name it knows.
        const IdentifyResult id = identify(path, QLatin1String(c.name).endsWith(QLatin1String(".pxm")) ? QStringLiteral("pnm") : QString());
        ASSERT_TRUE(id.ok) << c.name << ": " << id.error.toStdString();
        EXPECT_EQ(id.width, c.image.width()) << c.name;
        EXPECT_EQ(id.height, c.image.height()) << c.name;
        EXPECT_EQ(id.format, QLatin1String(c.identifyFormat)) << c.name;
    }
}

TEST(PnmCodec, ChoosesTheKindFromTheImageWhenNotNamed)
{
    // Auto: grey palette images as P5, anything else as P6; a colour image asked for as a
    // bitmap is thresholded at mid luminance.
    EXPECT_TRUE(toBytes(encodeImage(greyImage(4, 4), ImageFormat::Pnm)).startsWith("P5"));
    EXPECT_TRUE(toBytes(encodeImage(makeIndexedImage(4, 4, 9), ImageFormat::Pnm)).startsWith("P6"));
    EXPECT_TRUE(toBytes(encodeImage(makeTestImage(4, 4), ImageFormat::Pnm)).startsWith("P6"));
    QImage colours(4, 1, QImage::Format_BGR888);
    const QColor pixels[4] = {QColor(250, 0, 0), QColor(0, 250, 0), QColor(130, 130, 130), QColor(120, 120, 120)};
    for (int x = 0; x < 4; ++x)
        colours.setPixelColor(x, 0, pixels[x]);
    WriteOptions options;
    options.pnm.kind = PnmOptions::Kind::Bitmap;
    const QByteArray pbm = toBytes(encodeImage(colours, ImageFormat::Pnm, options));
    EXPECT_EQ(pbm, QByteArray("P4\n4 1\n") + char(0x90)); // red and dark grey are black (1)
    options.pnm.kind = PnmOptions::Kind::Graymap;
    EXPECT_EQ(toBytes(encodeImage(colours, ImageFormat::Pnm, options)),
              QByteArray("P5\n4 1\n255\n") + QByteArray::fromHex("4b938278"));
}

TEST(PnmCodec, ReadsTextSixteenBitAndImageMagickFiles)
{
    TempDir dir;
    const QString source = dir.path(QStringLiteral("source.png"));
    ASSERT_TRUE(makeTestImage(37, 23).save(source));
    struct Case {
        const char* file;
        QStringList args;
        QImage::Format format;
    };
    const Case cases[] = {
        {"p1.pbm", {QStringLiteral("-monochrome"), QStringLiteral("-compress"), QStringLiteral("none")}, QImage::Format_Indexed8},
        {"p2.pgm", {QStringLiteral("-colorspace"), QStringLiteral("gray"), QStringLiteral("-compress"), QStringLiteral("none")}, QImage::Format_Indexed8},
        {"p3.ppm", {QStringLiteral("-compress"), QStringLiteral("none")}, QImage::Format_BGR888},
        {"p4.pbm", {QStringLiteral("-monochrome")}, QImage::Format_Indexed8},
        {"p5-16.pgm", {QStringLiteral("-colorspace"), QStringLiteral("gray"), QStringLiteral("-depth"), QStringLiteral("16")}, QImage::Format_Indexed8},
        {"p6-16.ppm", {QStringLiteral("-depth"), QStringLiteral("16")}, QImage::Format_BGR888},
        {"p3-16.ppm", {QStringLiteral("-depth"), QStringLiteral("16"), QStringLiteral("-compress"), QStringLiteral("none")}, QImage::Format_BGR888},
    };
    for (const Case& c : cases) {
        const QString out = dir.path(QLatin1String(c.file));
        const ToolResult t = runTool(QStringLiteral("convert"), QStringList{source} + c.args + QStringList{out});
        ASSERT_TRUE(t.ok()) << c.file << ": " << t.err.toStdString();
        const QString png = dir.path(QLatin1String(c.file) + QStringLiteral(".png"));
        ASSERT_TRUE(runTool(QStringLiteral("convert"), {out, QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("PNG24:") + png}).ok());
        const LoadedImage mine = readImageFile(out);
        EXPECT_EQ(mine.image.format(), c.format) << c.file;
        const QImage reference(png);
        ASSERT_EQ(mine.image.size(), reference.size()) << c.file;
        // 16-bit samples are rounded to 8 bits; ImageMagick sometimes truncates instead.
        EXPECT_LE(maxDifference(mine.image, reference), QLatin1String(c.file).contains(QLatin1String("16")) ? 1 : 0) << c.file;
    }
}

TEST(PnmCodec, HandlesCommentsAndScalesSmallMaximumValues)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        QList<QRgb> pixels;
    };
    const Case cases[] = {
        {"comments everywhere", QByteArray("P2\n# made by hand\n2 # width\n# height next\n1\n#max\n4\n0 4\n"),
         {qRgb(0, 0, 0), qRgb(255, 255, 255)}},
        {"maxval 3, values past it clamp", QByteArray("P3 2 1 3  1 2 3  9 0 0"),
         {qRgb(85, 170, 255), qRgb(255, 0, 0)}},
        {"text bitmap without separators", QByteArray("P1\n3 1\n101"), {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(0, 0, 0)}},
        {"comment ends a binary header", QByteArray("P5 2 1 255#note\n") + QByteArray::fromHex("1020"),
         {qRgb(16, 16, 16), qRgb(32, 32, 32)}},
        {"16-bit binary", QByteArray("P5 2 1 65535\n") + QByteArray::fromHex("ffff8000"),
         {qRgb(255, 255, 255), qRgb(128, 128, 128)}},
    };
    for (const Case& c : cases) {
        const QImage image = decode(c.bytes).image;
        ASSERT_EQ(image.width(), c.pixels.size()) << c.name;
        for (int x = 0; x < image.width(); ++x)
            EXPECT_EQ(image.pixel(x, 0), c.pixels[x]) << c.name << " pixel " << x;
    }
}

TEST(PnmCodec, ForgedHeadersAreRefusedWithAClearMessage)
{
    struct Case {
        QByteArray bytes;
        const char* expected;
    };
    const Case cases[] = {
        {"P6 100000 100000 255\n", "exceeds the supported maximum"},
        {"P5 4000 4000 255\nabc", "truncated pixel data"},
        {"P2 4000 4000 255\n1 2 3", "truncated pixel data"},
        {"P5 0 3 255\n", "invalid image size"},
        {"P5 2 2 0\n", "invalid maximum value"},
        {"P5 2 2 70000\n", "invalid maximum value"},
        {"P5 2 x 255\n", "invalid height"},
        {"P6 99999999999 2 255\n", "too large"},
        {"P5 2 2", "missing maximum value"},
        {"P3 1 1 255 1 2 -3", "invalid pixel value"},
        {"P1 2 1 12", "invalid pixel value"},
    };
    for (const Case& c : cases) {
        try {
            decode(c.bytes, QStringLiteral("forged.pgm"));
            ADD_FAILURE() << c.bytes.toStdString() << ": accepted";
        } catch (const ImageError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find("forged.pgm: PNM: "), std::string::npos) << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << c.bytes.toStdString() << ": " << message;
        }
    }
}

TEST(PnmCodec, SurvivesTruncatedAndCorruptedFiles)
{
    TempDir dir;
    const QString source = dir.path(QStringLiteral("s.png"));
    ASSERT_TRUE(makeTestImage(13, 9).save(source));
    const QStringList variants[] = {
        {QStringLiteral("-monochrome"), QStringLiteral("-compress"), QStringLiteral("none"), QStringLiteral("a.pbm")},
        {QStringLiteral("-compress"), QStringLiteral("none"), QStringLiteral("a.pgm")},
        {QStringLiteral("-compress"), QStringLiteral("none"), QStringLiteral("a.ppm")},
        {QStringLiteral("-monochrome"), QStringLiteral("b.pbm")},
        {QStringLiteral("-depth"), QStringLiteral("16"), QStringLiteral("b.pgm")},
        {QStringLiteral("b.ppm")},
    };
    for (QStringList args : variants) {
        const QString out = dir.path(args.takeLast());
        ASSERT_TRUE(runTool(QStringLiteral("convert"), QStringList{source} + args + QStringList{out}).ok());
        checkCorruptInputs(ImageFormat::Pnm, readAll(out));
    }
}
