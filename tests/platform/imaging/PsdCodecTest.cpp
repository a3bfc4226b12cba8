#include "platform/imaging/ImageFile.h"
#include "support/CodecTestHelpers.h"
#include "support/CorruptInput.h"

#include <gtest/gtest.h>

using namespace fw::imaging;
using namespace fw::test;

TEST(PsdCodec, ReadsEveryColourModeImageMagickWrites)
{
    TempDir dir;
    const QString source = dir.path(QStringLiteral("source.png"));
    QImage picture = makeTestImage(37, 23).convertToFormat(QImage::Format_ARGB32);
    ASSERT_TRUE(picture.save(source));
    QImage translucent = picture;
    for (int x = 0; x < 37; ++x)
        translucent.setPixel(x, 5, qRgba(x, 2 * x, 3 * x, x * 6));
    const QString alphaSource = dir.path(QStringLiteral("alpha.png"));
    ASSERT_TRUE(translucent.save(alphaSource));
    struct Case {
        const char* name;
        QStringList args;
        QImage::Format format;
        double minPsnr; // 0: identical pixels
    };
    const Case cases[] = {
        {"rgb8-rle", {source, QStringLiteral("-alpha"), QStringLiteral("off"), QStringLiteral("-depth"), QStringLiteral("8"),
                      QStringLiteral("-compress"), QStringLiteral("RLE")}, QImage::Format_BGR888, 0},
        {"rgb8-raw", {source, QStringLiteral("-alpha"), QStringLiteral("off"), QStringLiteral("-depth"), QStringLiteral("8"),
                      QStringLiteral("-compress"), QStringLiteral("None")}, QImage::Format_BGR888, 0},
        {"rgb16", {source, QStringLiteral("-alpha"), QStringLiteral("off"), QStringLiteral("-depth"), QStringLiteral("16")},
         QImage::Format_BGR888, 0},
        {"rgba", {alphaSource, QStringLiteral("-depth"), QStringLiteral("8")}, QImage::Format_ARGB32, 0},
        {"grey", {source, QStringLiteral("-alpha"), QStringLiteral("off"), QStringLiteral("-colorspace"), QStringLiteral("Gray"),
                  QStringLiteral("-depth"), QStringLiteral("8")}, QImage::Format_Indexed8, 0},
        {"indexed", {source, QStringLiteral("-alpha"), QStringLiteral("off"), QStringLiteral("-colors"), QStringLiteral("100"),
                     QStringLiteral("-type"), QStringLiteral("Palette")}, QImage::Format_Indexed8, 35},
        {"bitmap", {source, QStringLiteral("-alpha"), QStringLiteral("off"), QStringLiteral("-monochrome")},
         QImage::Format_Indexed8, 0},
        {"cmyk", {source, QStringLiteral("-alpha"), QStringLiteral("off"), QStringLiteral("-colorspace"), QStringLiteral("CMYK"),
                  QStringLiteral("-depth"), QStringLiteral("8")}, QImage::Format_BGR888, 40},
    };
    for (const Case& c : cases) {
        const QString path = dir.path(QStringLiteral("%1.psd").arg(QLatin1String(c.name)));
        ASSERT_TRUE(magick(c.args + QStringList{path}));
        const LoadedImage mine = readImageFile(path);
        EXPECT_EQ(mine.format, ImageFormat::Psd);
        EXPECT_EQ(mine.image.format(), c.format) << c.name;
        const bool alpha = c.format == QImage::Format_ARGB32;
        QImage reference;
        if (alpha) {
            // ImageMagick's reading of translucent pixels loses precision: the source is exact.
            reference = translucent;
        } else if (QLatin1String(c.name) == QLatin1String("indexed")) {
            // ImageMagick cannot read its own indexed PSD: the same quantisation into a PNG.
            const QString png = dir.path(QStringLiteral("indexed-ref.png"));
            ASSERT_TRUE(magick(c.args + QStringList{png}));
            reference = QImage(png);
        } else {
            reference = magickReference(dir, path);
        }
        if (c.minPsnr > 0)
            EXPECT_GT(psnr(mine.image, reference), c.minPsnr) << c.name << " " << psnr(mine.image, reference);
        else
            EXPECT_TRUE(alpha ? sameArgb(mine.image, reference) : samePixels(mine.image, reference)) << c.name;
    }
}

TEST(PsdCodec, ReadsTheResolutionInEitherUnit)
{
    TempDir dir;
    const QString source = dir.path(QStringLiteral("source.png"));
    ASSERT_TRUE(makeTestImage(10, 10).save(source));
    struct Case {
        const char* density;
        const char* units;
        Resolution expected;
    };
    const Case cases[] = {
        {"300x150", "PixelsPerInch", {300, 150}},
        // The value is always per inch; the unit only says how Photoshop shows it.
        {"100", "PixelsPerCentimeter", {254, 254}},
    };
    for (const Case& c : cases) {
        const QString path = dir.path(QStringLiteral("r.psd"));
        ASSERT_TRUE(magick({source, QStringLiteral("-units"), QLatin1String(c.units), QStringLiteral("-density"),
                            QLatin1String(c.density), path}));
        const Resolution dpi = readImageFile(path).dpi;
        EXPECT_NEAR(dpi.x, c.expected.x, 0.01) << c.units;
        EXPECT_NEAR(dpi.y, c.expected.y, 0.01) << c.units;
    }
    // Without a resolution the file records none (ImageMagick then stores almost zero).
    const QString none = dir.path(QStringLiteral("none.psd"));
    ASSERT_TRUE(magick({QStringLiteral("-size"), QStringLiteral("8x8"), QStringLiteral("xc:red"), none}));
    EXPECT_FALSE(readImageFile(none).dpi.known());
}

TEST(PsdCodec, ForgedHeadersAreRefusedWithAClearMessage)
{
    TempDir dir;
    const QString source = dir.path(QStringLiteral("source.png"));
    const QString path = dir.path(QStringLiteral("s.psd"));
    ASSERT_TRUE(makeTestImage(12, 9).save(source));
    ASSERT_TRUE(magick({source, QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("-compress"),
                        QStringLiteral("RLE"), path}));
    const QByteArray valid = readAll(path);
    struct Case {
        int offset, width;
        quint32 value;
        const char* expected;
    };
    const Case cases[] = {
        {4, 2, 2, "large documents (PSB) are not supported"},
        {4, 2, 3, "unknown version 3"},
        {12, 2, 0, "invalid channel count 0"},
        {12, 2, 2, "too few channels"},
        {14, 4, 0x7fffffff, "exceeds the supported maximum"},
        {18, 4, 0, "invalid image size"},
        {22, 2, 32, "unsupported bit depth 32"},
        {22, 2, 1, "unsupported bit depth 1"},
        {24, 2, 9, "unsupported colour mode 9"},
        {26, 4, 0x7ffffff0, "truncated Photoshop file"},      // colour mode data length
        {14, 4, 60000, "truncated Photoshop file"},           // rows: the byte count table runs out
        {18, 4, 60000, "invalid compressed row size"},        // a row's count cannot fill it
    };
    for (const Case& c : cases) {
        QByteArray bad = valid;
        patchBe(bad, c.offset, c.value, c.width);
        expectRefused(bad, QStringLiteral("forged.psd"), c.expected, c.expected);
    }
}

TEST(PsdCodec, SurvivesTruncatedAndCorruptedFiles)
{
    TempDir dir;
    const QString source = dir.path(QStringLiteral("source.png"));
    ASSERT_TRUE(makeTestImage(21, 13).save(source));
    for (const char* compression : {"RLE", "None"}) {
        const QString path = dir.path(QStringLiteral("s.psd"));
        ASSERT_TRUE(magick({source, QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("-compress"),
                            QLatin1String(compression), path}));
        checkCorruptInputs(ImageFormat::Psd, readAll(path));
    }
}
