#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "support/CodecTestHelpers.h"
#include "support/CorruptInput.h"
#include "support/ExternalTools.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <QtEndian>

using namespace fw::imaging;
using namespace fw::test;

namespace {

using Compression = TiffOptions::Compression;

LoadedImage decode(const QByteArray& bytes, const QString& name = QStringLiteral("x.tif"))
{
    return readImageData(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())),
                         name, formatForPath(name));
}

QByteArray encode(const QImage& image, Compression compression)
{
    WriteOptions options;
    options.tiff.compression = compression;
    return toBytes(encodeImage(image, ImageFormat::Tiff, options));
}

/// Overwrites the value of a tag in the first directory of a little-endian classic TIFF,
/// storing it as a LONG.
bool patchTag(QByteArray& tiff, quint16 tag, quint32 value)
{
    const uchar* d = reinterpret_cast<const uchar*>(tiff.constData());
    const quint32 ifd = qFromLittleEndian<quint32>(d + 4);
    const quint16 count = qFromLittleEndian<quint16>(d + ifd);
    for (quint16 i = 0; i < count; ++i) {
        const qsizetype entry = qsizetype(ifd) + 2 + 12 * i;
        if (qFromLittleEndian<quint16>(d + entry) != tag)
            continue;
        uchar* w = reinterpret_cast<uchar*>(tiff.data()) + entry;
        qToLittleEndian<quint16>(4, w + 2); // LONG
        qToLittleEndian<quint32>(1, w + 4);
        qToLittleEndian<quint32>(value, w + 8);
        return true;
    }
    return false;
}

} // namespace

TEST(TiffCodec, RoundTripsEveryCompressionExactly)
{
    struct Case {
        const char* name;
        QImage image;
        QImage::Format expected;
    };
    const Case images[] = {
        {"24-bit", makeTestImage(37, 23), QImage::Format_BGR888},
        {"palette", makeIndexedImage(31, 17, 200), QImage::Format_Indexed8},
        {"alpha", makeAlphaImage(33, 19), QImage::Format_ARGB32},
        {"tall", makeTestImage(5, 700), QImage::Format_BGR888}, // several strips
    };
    const std::pair<const char*, Compression> compressions[] = {
        {"none", Compression::None},
        {"lzw", Compression::Lzw},
        {"deflate", Compression::Deflate},
        {"packbits", Compression::PackBits},
    };
    for (const auto& [cname, compression] : compressions) {
        for (const Case& c : images) {
            const LoadedImage back = decode(encode(c.image, compression));
            EXPECT_EQ(back.format, ImageFormat::Tiff);
            EXPECT_EQ(back.image.format(), c.expected) << c.name << " " << cname;
            EXPECT_EQ(maxArgbDifference(back.image, c.image), 0) << c.name << " " << cname;
        }
    }
}

TEST(TiffCodec, JpegCompressionKeepsTheQualityAskedFor)
{
    QImage photo(96, 64, QImage::Format_BGR888);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x) {
            uchar* p = photo.scanLine(y) + 3 * x;
            p[0] = uchar(x * 255 / 95);
            p[1] = uchar(y * 255 / 63);
            p[2] = uchar(128 + 100 * std::sin(x * 0.11) * std::cos(y * 0.07));
        }
    WriteOptions high, low;
    high.tiff.compression = low.tiff.compression = Compression::Jpeg;
    high.tiff.jpegQuality = 95;
    low.tiff.jpegQuality = 20;
    const QByteArray good = toBytes(encodeImage(photo, ImageFormat::Tiff, high));
    const QByteArray poor = toBytes(encodeImage(photo, ImageFormat::Tiff, low));
    EXPECT_LT(poor.size(), good.size());
    const LoadedImage back = decode(good);
    EXPECT_EQ(back.image.format(), QImage::Format_BGR888);
    EXPECT_GT(psnr(back.image, photo), 38); // measured 42.9 (YCbCr 4:2:0)
    EXPECT_LT(psnr(decode(poor).image, photo), psnr(back.image, photo));
    // Sizes that are not a multiple of the 16-row, 16-column blocks.
    const QImage odd = photo.copy(3, 5, 37, 23);
    const LoadedImage oddBack = decode(toBytes(encodeImage(odd, ImageFormat::Tiff, high)));
    EXPECT_GT(psnr(oddBack.image, odd), 36);

    // Palette images are stored as their colours, alpha survives as a lossy fourth channel.
    const QImage indexed = makeIndexedImage(40, 24, 8);
    EXPECT_TRUE(samePixels(decode(encode(indexed, Compression::Jpeg)).image,
                           decode(encode(indexed.convertToFormat(QImage::Format_BGR888), Compression::Jpeg)).image));
    const QImage alpha = makeAlphaImage(40, 24);
    const LoadedImage withAlpha = decode(encode(alpha, Compression::Jpeg));
    EXPECT_EQ(withAlpha.image.format(), QImage::Format_ARGB32);
    EXPECT_EQ(withAlpha.image.size(), alpha.size());
}

TEST(TiffCodec, RecordsResolutionAndOtherReadersAgree)
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("still.tif"));
    WriteOptions options;
    options.dpi = {300, 150};
    writeImageFile(path, makeTestImage(64, 48), options);
    const LoadedImage back = readImageFile(path);
    EXPECT_NEAR(back.dpi.x, 300, 0.01);
    EXPECT_NEAR(back.dpi.y, 150, 0.01);
    const IdentifyResult id = identify(path);
    ASSERT_TRUE(id.ok) << id.error.toStdString();
    EXPECT_EQ(id.format, QStringLiteral("TIFF"));
    EXPECT_EQ(id.width, 64);
    EXPECT_NEAR(id.dpiX(), 300, 0.5);
    EXPECT_NEAR(id.dpiY(), 150, 0.5);

    struct Case {
        const char* units;
        const char* density;
        double expected; // dpi; 0 = unknown
    };
    const Case cases[] = {
        {"PixelsPerCentimeter", "40", 101.6},
        {"PixelsPerInch", "72", 72},
        {"Undefined", "50", 0},
    };
    for (const Case& c : cases) {
        const QString other = dir.path(QStringLiteral("%1.tif").arg(QLatin1String(c.units)));
        ASSERT_TRUE(runTool(QStringLiteral("convert"), {QStringLiteral("-size"), QStringLiteral("8x8"),
                                                        QStringLiteral("xc:gray"), QStringLiteral("-units"), QLatin1String(c.units),
                                                        QStringLiteral("-density"), QLatin1String(c.density), other})
                        .ok());
        const LoadedImage read = readImageFile(other);
        EXPECT_NEAR(read.dpi.x, c.expected, 0.01) << c.units;
        EXPECT_NEAR(read.dpi.y, c.expected, 0.01) << c.units;
    }
}

TEST(TiffCodec, ReadsWhatImageMagickWritesInOtherVariants)
{
    TempDir dir;
    const QString source = dir.path(QStringLiteral("source.png"));
    const QString alphaSource = dir.path(QStringLiteral("alpha.png"));
    ASSERT_TRUE(makeTestImage(37, 23).save(source));
    ASSERT_TRUE(makeAlphaImage(37, 23).save(alphaSource));
    struct Case {
        const char* name;
        bool alpha;
        QStringList args;
        QImage::Format expected;
        int tolerance; // per channel; -1: lossy, compare by PSNR
    };
    const auto s = [](const char* text) { return QString::fromLatin1(text); };
    const Case cases[] = {
        {"zip", false, {s("-compress"), s("Zip")}, QImage::Format_BGR888, 0},
        {"lzw-predictor", false, {s("-compress"), s("LZW"), s("-define"), s("tiff:predictor=2")}, QImage::Format_BGR888, 0},
        {"big-endian", false, {s("-define"), s("tiff:endian=msb"), s("-depth"), s("16")}, QImage::Format_BGR888, 1},
        {"grey", false, {s("-colorspace"), s("Gray")}, QImage::Format_Indexed8, 0},
        {"grey16", false, {s("-colorspace"), s("Gray"), s("-depth"), s("16")}, QImage::Format_Indexed8, 1},
        {"rgb16", false, {s("-depth"), s("16")}, QImage::Format_BGR888, 1},
        {"bilevel-g4", false, {s("-monochrome"), s("-compress"), s("Group4")}, QImage::Format_Indexed8, 0},
        // 16-bit colour map entries: ImageMagick and we may round a value to 8 bits differently.
        {"palette", false, {s("-colors"), s("50"), s("-type"), s("Palette")}, QImage::Format_Indexed8, 1},
        {"palette4", false, {s("-colors"), s("12"), s("-type"), s("Palette"), s("-depth"), s("4")}, QImage::Format_Indexed8, 0},
        {"tiled", false, {s("-define"), s("tiff:tile-geometry=16x16")}, QImage::Format_BGR888, 0},
        {"planar", false, {s("-interlace"), s("Plane")}, QImage::Format_BGR888, 0},
        {"cmyk", false, {s("-colorspace"), s("CMYK")}, QImage::Format_BGR888, 1},
        {"jpeg", false, {s("-compress"), s("JPEG"), s("-quality"), s("90")}, QImage::Format_BGR888, -1},
        {"rgba", true, {}, QImage::Format_ARGB32, 0},
        {"bigtiff", false, {s("-compress"), s("LZW")}, QImage::Format_BGR888, 0},
        {"rgba-zip", true, {s("-compress"), s("Zip")}, QImage::Format_ARGB32, 0},
        {"rgba-associated", true, {s("-define"), s("tiff:alpha=associated")}, QImage::Format_ARGB32, 1}, // undoing the premultiplication rounds
        {"grey-alpha", true, {s("-colorspace"), s("Gray")}, QImage::Format_ARGB32, 1},
    };
    for (const Case& c : cases) {
        const QString out = dir.path(QStringLiteral("%1.tif").arg(QLatin1String(c.name)));
        const ToolResult t = runTool(QStringLiteral("convert"), QStringList{c.alpha ? alphaSource : source} + c.args
                                                                    + QStringList{(QLatin1String(c.name) == QLatin1String("bigtiff") ? s("TIFF64:") : QString()) + out});
        ASSERT_TRUE(t.ok()) << c.name << ": " << t.err.toStdString();
        const QString png = dir.path(QStringLiteral("%1-ref.png").arg(QLatin1String(c.name)));
        ASSERT_TRUE(runTool(QStringLiteral("convert"), {out, QStringLiteral("-colorspace"), QStringLiteral("sRGB"),
                                                        QStringLiteral("-depth"), QStringLiteral("8"),
                                                        QStringLiteral("PNG32:") + png}).ok());
        const LoadedImage mine = readImageFile(out);
        const QImage reference(png);
        EXPECT_EQ(mine.image.format(), c.expected) << c.name;
        if (c.tolerance >= 0)
            EXPECT_LE(maxArgbDifference(mine.image, reference), c.tolerance) << c.name;
        else
            EXPECT_GT(psnr(mine.image, reference), 40) << c.name;
    }
}

TEST(TiffCodec, ForgedAndDamagedFilesAreRefusedWithAClearMessage)
{
    const QByteArray valid = encode(makeTestImage(16, 16), Compression::Lzw);
    struct Case {
        const char* name;
        quint16 tag;
        quint32 value;
        const char* expected;
    };
    const Case cases[] = {
        {"huge width", 256, 0x7fffffff, "exceeds the supported maximum"},
        {"huge height", 257, 20000000, "exceeds the supported maximum"},
        {"zero width", 256, 0, "TIFF: "},
        {"strip past the end", 273, 0x7ffffff0, "TIFF: "},
        {"bits per sample", 258, 13, "TIFF: "},
    };
    for (const Case& c : cases) {
        QByteArray bad = valid;
        ASSERT_TRUE(patchTag(bad, c.tag, c.value)) << c.name;
        try {
            decode(bad, QStringLiteral("forged.tif"));
            ADD_FAILURE() << c.name << " decoded";
        } catch (const ImageError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find("forged.tif: TIFF: "), std::string::npos) << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << c.name << ": " << message;
        }
    }
    // 65535 samples of 16 bits: a few bytes of data that would make libtiff allocate a strip
    // buffer of hundreds of megabytes (found by fuzzing).
    QByteArray samples = valid;
    ASSERT_TRUE(patchTag(samples, 258, 16));
    ASSERT_TRUE(patchTag(samples, 277, 65535));
    try {
        decode(samples, QStringLiteral("forged.tif"));
        ADD_FAILURE() << "65535 samples per pixel decoded";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("unsupported sample layout (65535 samples of 16 bits)"), std::string::npos)
            << e.what();
    }
    try {
        decode(valid.left(valid.size() / 2), QStringLiteral("cut.tif"));
        ADD_FAILURE() << "a file cut in half decoded";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("cut.tif: TIFF: "), std::string::npos) << e.what();
    }
}

TEST(TiffCodec, SurvivesTruncatedAndCorruptedFiles)
{
    checkCorruptInputs(ImageFormat::Tiff, encode(makeTestImage(24, 16), Compression::Lzw));
    checkCorruptInputs(ImageFormat::Tiff, encode(makeIndexedImage(24, 16, 16), Compression::PackBits));
    checkCorruptInputs(ImageFormat::Tiff, encode(makeAlphaImage(24, 16), Compression::Deflate));
    checkCorruptInputs(ImageFormat::Tiff, encode(makeTestImage(24, 16), Compression::Jpeg));
    TempDir dir;
    const QString src = dir.path(QStringLiteral("s.png"));
    const QString tiled = dir.path(QStringLiteral("t.tif"));
    ASSERT_TRUE(makeTestImage(24, 16).save(src));
    ASSERT_TRUE(runTool(QStringLiteral("convert"), {src, QStringLiteral("-colorspace"), QStringLiteral("CMYK"),
                                                     QStringLiteral("-define"), QStringLiteral("tiff:tile-geometry=16x16"),
                                                     QStringLiteral("-compress"), QStringLiteral("Zip"), tiled}).ok());
    checkCorruptInputs(ImageFormat::Tiff, readAll(tiled));
}
