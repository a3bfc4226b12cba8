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

LoadedImage decode(const QByteArray& bytes, const QString& name = QStringLiteral("x.jpg"))
{
    return readImageData(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())),
                         name, formatForPath(name));
}

/// A smooth picture (what JPEG is for): the test image's noise channel would measure the
/// quantiser rather than the codec.
QImage makePhoto(int width, int height)
{
    QImage image(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = uchar(x * 255 / (width - 1));
            row[3 * x + 1] = uchar(y * 255 / (height - 1));
            row[3 * x + 2] = uchar(128 + 100 * std::sin(x * 0.11) * std::cos(y * 0.07));
        }
    }
    return image;
}

QImage makeGreyImage(int width, int height)
{
    QImage image(width, height, QImage::Format_Indexed8);
    image.setColorTable(greyPalette());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.scanLine(y)[x] = uchar((x * 3 + y * 5) & 0xff);
    return image;
}

bool hasMarker(const QByteArray& jpeg, uchar marker)
{
    return jpeg.contains(QByteArray{"\xff"} + char(marker));
}

} // namespace

TEST(JpegCodec, RoundTripsWithinTheExpectedQuality)
{
    // Measured with libjpeg-turbo 2.1 at quality 90 (4:4:4): the photo comes back at 46.9 dB
    // (45.5 at the odd size) and the noisy test image at 29.9 dB; a channel swap, row shift or
    // subsampled chroma on the noise image gives under 19 dB.
    struct Case {
        const char* name;
        QImage image;
        double minPsnr;
    };
    const Case cases[] = {
        {"photo", makePhoto(96, 64), 44},
        {"noise", makeTestImage(96, 64), 28},
        {"odd size", makePhoto(37, 23), 43},
    };
    for (const Case& c : cases) {
        for (bool progressive : {false, true}) {
            for (bool optimize : {false, true}) {
                WriteOptions options;
                options.jpeg.progressive = progressive;
                options.jpeg.optimizeCoding = optimize;
                const QByteArray bytes = toBytes(encodeImage(c.image, ImageFormat::Jpeg, options));
                EXPECT_EQ(hasMarker(bytes, 0xc2), progressive) << c.name; // SOF2 = progressive
                const LoadedImage back = decode(bytes);
                EXPECT_EQ(back.format, ImageFormat::Jpeg);
                EXPECT_EQ(back.image.format(), QImage::Format_BGR888);
                EXPECT_GT(psnr(back.image, c.image), c.minPsnr) << c.name << " progressive " << progressive;
            }
        }
    }
}

TEST(JpegCodec, QualityTradesSizeForFidelity)
{
    const QImage photo = makePhoto(128, 96);
    WriteOptions low, high;
    low.jpeg.quality = 20;
    high.jpeg.quality = 98;
    const QByteArray small = toBytes(encodeImage(photo, ImageFormat::Jpeg, low));
    const QByteArray large = toBytes(encodeImage(photo, ImageFormat::Jpeg, high));
    EXPECT_LT(small.size(), large.size());
    EXPECT_LT(psnr(decode(small).image, photo), psnr(decode(large).image, photo));
    EXPECT_GT(psnr(decode(large).image, photo), 48); // measured 50.7
}

TEST(JpegCodec, GreyPaletteImagesAreStoredAsOneChannel)
{
    const QImage grey = makeGreyImage(40, 30);
    const QByteArray bytes = toBytes(encodeImage(grey, ImageFormat::Jpeg));
    const LoadedImage back = decode(bytes);
    EXPECT_EQ(back.image.format(), QImage::Format_Indexed8);
    EXPECT_GT(psnr(back.image, grey), 46); // measured 49.4
    // A coloured palette is stored as colour.
    const QImage indexed = makeIndexedImage(40, 30, 16);
    const LoadedImage colour = decode(toBytes(encodeImage(indexed, ImageFormat::Jpeg)));
    EXPECT_EQ(colour.image.format(), QImage::Format_BGR888);
    EXPECT_GT(psnr(colour.image, indexed), 27); // measured 30.0
}

TEST(JpegCodec, RecordsResolutionAndOtherReadersAgree)
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("still.jpg"));
    WriteOptions options;
    options.dpi = {300, 200};
    writeImageFile(path, makePhoto(64, 48), options);
    const LoadedImage back = readImageFile(path);
    EXPECT_EQ(back.dpi, (Resolution{300, 200}));
    const IdentifyResult id = identify(path);
    ASSERT_TRUE(id.ok) << id.error.toStdString();
    EXPECT_EQ(id.format, QStringLiteral("JPEG"));
    EXPECT_EQ(id.width, 64);
    EXPECT_NEAR(id.dpiX(), 300, 0.5);
    EXPECT_NEAR(id.dpiY(), 200, 0.5);

    // Dots per centimetre, as other programs may write, are converted.
    const QString cm = dir.path(QStringLiteral("cm.jpg"));
    ASSERT_TRUE(runTool(QStringLiteral("convert"), {path, QStringLiteral("-units"), QStringLiteral("PixelsPerCentimeter"),
                                                    QStringLiteral("-density"), QStringLiteral("40"), cm}).ok());
    const LoadedImage fromCm = readImageFile(cm);
    EXPECT_NEAR(fromCm.dpi.x, 101.6, 0.01);
    EXPECT_NEAR(fromCm.dpi.y, 101.6, 0.01);

    // Without a resolution the JFIF header holds only the aspect ratio (unit 0): unknown.
    WriteOptions none;
    none.dpi = {0, 0};
    writeImageFile(path, makePhoto(8, 8), none);
    EXPECT_FALSE(readImageFile(path).dpi.known());
    EXPECT_EQ(identify(path).units, QStringLiteral("Undefined"));
}

TEST(JpegCodec, ReadsWhatImageMagickWritesInOtherVariants)
{
    TempDir dir;
    const QString source = dir.path(QStringLiteral("source.png"));
    ASSERT_TRUE(makePhoto(61, 43).save(source));
    struct Case {
        const char* name;
        QStringList args;
        QImage::Format expected;
    };
    const auto s = [](const char* text) { return QString::fromLatin1(text); };
    const Case cases[] = {
        {"baseline", {}, QImage::Format_BGR888},
        {"grey", {s("-colorspace"), s("Gray")}, QImage::Format_Indexed8},
        {"cmyk", {s("-colorspace"), s("CMYK")}, QImage::Format_BGR888},
        {"progressive", {s("-interlace"), s("JPEG")}, QImage::Format_BGR888},
        {"444", {s("-sampling-factor"), s("1x1")}, QImage::Format_BGR888},
        {"422", {s("-sampling-factor"), s("2x1")}, QImage::Format_BGR888},
        {"arithmetic", {s("-define"), s("jpeg:arithmetic-coding=true")}, QImage::Format_BGR888},
        {"restart", {s("-define"), s("jpeg:restart-interval=1")}, QImage::Format_BGR888},
    };
    for (const Case& c : cases) {
        const QString out = dir.path(QStringLiteral("%1.jpg").arg(QLatin1String(c.name)));
        const ToolResult t = runTool(QStringLiteral("convert"), QStringList{source} + c.args + QStringList{out});
        ASSERT_TRUE(t.ok()) << c.name << ": " << t.err.toStdString();
        const QString png = dir.path(QStringLiteral("%1-ref.png").arg(QLatin1String(c.name)));
        ASSERT_TRUE(runTool(QStringLiteral("convert"), {out, QStringLiteral("-colorspace"), QStringLiteral("sRGB"),
                                                        QStringLiteral("PNG24:") + png}).ok());
        const LoadedImage mine = readImageFile(out);
        const QImage reference(png);
        EXPECT_EQ(mine.image.format(), c.expected) << c.name;
        // Both decode with libjpeg: the same pixels, except that CMYK to RGB rounds differently
        // (measured 52.9 dB).
        if (QLatin1String(c.name) == QLatin1String("cmyk"))
            EXPECT_GT(psnr(mine.image, reference), 50) << c.name;
        else
            EXPECT_TRUE(samePixels(mine.image, reference)) << c.name << " " << psnr(mine.image, reference);
    }
}

TEST(JpegCodec, DamagedDataIsAnErrorNotAGreyPatch)
{
    const QByteArray valid = toBytes(encodeImage(makePhoto(64, 64), ImageFormat::Jpeg));
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* expected;
    };
    const Case cases[] = {
        {"cut in half", valid.left(valid.size() / 2), "Premature end of JPEG file"},
        {"header only", valid.left(20), "JPEG"},
        {"not a JPEG", QByteArray("\xff\xd8\xff\x00garbage", 11), "JPEG"},
    };
    for (const Case& c : cases) {
        try {
            decode(c.bytes, QStringLiteral("bad.jpg"));
            ADD_FAILURE() << c.name << " decoded";
        } catch (const ImageError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find("bad.jpg: JPEG: "), std::string::npos) << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << c.name << ": " << message;
        }
    }
}

TEST(JpegCodec, RefusesSizesBeyondTheFormat)
{
    const QImage wide(65501, 1, QImage::Format_BGR888);
    try {
        encodeImage(wide, ImageFormat::Jpeg);
        ADD_FAILURE() << "wrote a 65501-pixel-wide JPEG";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
    }
    // A header claiming more than the reader accepts is refused before decoding: patch SOF0.
    QByteArray bytes = toBytes(encodeImage(makePhoto(16, 16), ImageFormat::Jpeg));
    const qsizetype sof = bytes.indexOf(QByteArray("\xff\xc0", 2));
    ASSERT_GT(sof, 0);
    bytes[sof + 5] = char(0xea); // height 60000
    bytes[sof + 6] = char(0x60);
    bytes[sof + 7] = char(0xea); // width 60000
    bytes[sof + 8] = char(0x60);
    try {
        decode(bytes);
        ADD_FAILURE() << "decoded a forged 60000 x 60000 header";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("exceeds the supported maximum"), std::string::npos) << e.what();
    }
}

TEST(JpegCodec, SurvivesTruncatedAndCorruptedFiles)
{
    checkCorruptInputs(ImageFormat::Jpeg, toBytes(encodeImage(makeTestImage(24, 16), ImageFormat::Jpeg)));
    checkCorruptInputs(ImageFormat::Jpeg, toBytes(encodeImage(makeGreyImage(24, 16), ImageFormat::Jpeg)));
    WriteOptions progressive;
    progressive.jpeg.progressive = true;
    checkCorruptInputs(ImageFormat::Jpeg, toBytes(encodeImage(makeTestImage(24, 16), ImageFormat::Jpeg, progressive)));
    TempDir dir;
    const QString src = dir.path(QStringLiteral("s.png"));
    const QString cmyk = dir.path(QStringLiteral("c.jpg"));
    ASSERT_TRUE(makeTestImage(24, 16).save(src));
    ASSERT_TRUE(runTool(QStringLiteral("convert"), {src, QStringLiteral("-colorspace"), QStringLiteral("CMYK"), cmyk}).ok());
    checkCorruptInputs(ImageFormat::Jpeg, readAll(cmyk));
}
