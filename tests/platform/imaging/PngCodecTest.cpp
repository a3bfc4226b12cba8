#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "support/CodecTestHelpers.h"
#include "support/CorruptInput.h"
#include "support/ExternalTools.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace fw::imaging;
using namespace fw::test;

namespace {

LoadedImage decode(const QByteArray& bytes, const QString& name = QStringLiteral("x.png"))
{
    return readImageData(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())),
                         name, formatForPath(name));
}

bool identicalArgb(const QImage& a, const QImage& b) { return maxArgbDifference(a, b) == 0; }

quint32 crc32Of(const QByteArray& data)
{
    quint32 crc = 0xffffffffu;
    for (char ch : data) {
        crc ^= quint8(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void appendChunk(QByteArray& png, const char* type, const QByteArray& data)
{
    QByteArray body = QByteArray(type, 4) + data;
    auto be32 = [](quint32 v) {
        const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(b, 4);
    };
    png += be32(quint32(data.size()));
    png += body;
    png += be32(crc32Of(body));
}

/// A PNG whose header declares width x height RGB pixels, followed by a few bytes of
/// compressed image data: the shape of a decompression bomb.
QByteArray forgedPng(quint32 width, quint32 height)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr;
    for (quint32 v : {width, height}) {
        const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        ihdr += QByteArray(b, 4);
    }
    ihdr += QByteArray("\x08\x02\x00\x00\x00", 5); // 8-bit RGB, no interlace
    appendChunk(png, "IHDR", ihdr);
    appendChunk(png, "IDAT", qCompress(QByteArray(4096, '\0')).mid(4)); // zlib stream without Qt's size prefix
    appendChunk(png, "IEND", {});
    return png;
}

} // namespace

TEST(PngCodec, RoundTripsColourPaletteAndAlphaExactly)
{
    QImage translucentPalette = makeIndexedImage(29, 11, 40, 3);
    QList<QRgb> table = translucentPalette.colorTable();
    for (int i = 0; i < table.size(); i += 3)
        table[i] = qRgba(qRed(table[i]), qGreen(table[i]), qBlue(table[i]), i * 6);
    translucentPalette.setColorTable(table);
    struct Case {
        const char* name;
        QImage image;
        QImage::Format expected;
    };
    const Case cases[] = {
        {"24-bit", makeTestImage(37, 23), QImage::Format_BGR888},
        {"palette", makeIndexedImage(31, 17, 200), QImage::Format_Indexed8},
        {"small palette", makeIndexedImage(5, 3, 2), QImage::Format_Indexed8},
        {"alpha", makeAlphaImage(33, 19), QImage::Format_ARGB32},
        {"palette with alpha", translucentPalette, QImage::Format_ARGB32},
    };
    for (bool interlaced : {false, true}) {
        for (const Case& c : cases) {
            WriteOptions options;
            options.png.interlaced = interlaced;
            options.png.compressionLevel = interlaced ? 9 : 1;
            const QByteArray bytes = toBytes(encodeImage(c.image, ImageFormat::Png, options));
            const LoadedImage back = decode(bytes);
            EXPECT_EQ(back.format, ImageFormat::Png);
            EXPECT_EQ(back.image.format(), c.expected) << c.name << " interlaced " << interlaced;
            EXPECT_TRUE(identicalArgb(back.image, c.image)) << c.name << " interlaced " << interlaced;
            // Qt's own reader agrees on every pixel as well.
            EXPECT_TRUE(identicalArgb(QImage::fromData(bytes, "PNG"), c.image)) << c.name;
        }
    }
}

TEST(PngCodec, PaletteFilesKeepTheirPalette)
{
    const QImage source = makeIndexedImage(16, 8, 7);
    const LoadedImage back = decode(toBytes(encodeImage(source, ImageFormat::Png)));
    ASSERT_EQ(back.image.format(), QImage::Format_Indexed8);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(back.image.color(i), source.color(i)) << i;
    EXPECT_EQ(back.image.constScanLine(3)[5], source.constScanLine(3)[5]);
}

TEST(PngCodec, RecordsResolutionAndOtherReadersAgree)
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("still.png"));
    WriteOptions options;
    options.dpi = {300, 150};
    writeImageFile(path, makeTestImage(64, 48), options);
    const LoadedImage back = readImageFile(path);
    EXPECT_NEAR(back.dpi.x, 300, 0.05);
    EXPECT_NEAR(back.dpi.y, 150, 0.05);
    const IdentifyResult id = identify(path);
    ASSERT_TRUE(id.ok) << id.error.toStdString();
    EXPECT_EQ(id.format, QStringLiteral("PNG"));
    EXPECT_EQ(id.width, 64);
    EXPECT_NEAR(id.dpiX(), 300, 0.5);
    EXPECT_NEAR(id.dpiY(), 150, 0.5);

    // A file without pHYs has no resolution.
    WriteOptions none;
    none.dpi = {0, 0};
    writeImageFile(path, makeTestImage(8, 8), none);
    EXPECT_FALSE(readImageFile(path).dpi.known());
}

TEST(PngCodec, ReadsWhatImageMagickWritesInEveryColourTypeAndDepth)
{
    TempDir dir;
    const QString source = dir.path(QStringLiteral("source.png"));
    const QString alphaSource = dir.path(QStringLiteral("alpha.png"));
    ASSERT_TRUE(makeTestImage(37, 23).save(source));
    ASSERT_TRUE(makeAlphaImage(37, 23).save(alphaSource));
    struct Case {
        const char* name;
        bool alpha;
        QStringList args; // after the input
        const char* target;
        QImage::Format expected;
        int tolerance = 0; // ImageMagick rounds some 16-bit values to 8 bits the other way
    };
    const auto s = [](const char* text) { return QString::fromLatin1(text); };
    const Case cases[] = {
        {"rgb16", false, {}, "PNG48:", QImage::Format_BGR888},
        {"rgba16", true, {}, "PNG64:", QImage::Format_ARGB32},
        {"grey8", false, {s("-colorspace"), s("Gray")}, "PNG:", QImage::Format_Indexed8},
        {"grey16", false, {s("-colorspace"), s("Gray"), s("-depth"), s("16")}, "PNG:", QImage::Format_Indexed8, 1},
        {"grey4", false, {s("-colorspace"), s("Gray"), s("-depth"), s("4")}, "PNG:", QImage::Format_Indexed8},
        {"grey2", false, {s("-colorspace"), s("Gray"), s("-depth"), s("2")}, "PNG:", QImage::Format_Indexed8},
        {"grey1", false, {s("-monochrome")}, "PNG:", QImage::Format_Indexed8},
        {"grey-alpha", true, {s("-colorspace"), s("Gray")}, "PNG:", QImage::Format_ARGB32},
        {"palette", false, {s("-colors"), s("50")}, "PNG8:", QImage::Format_Indexed8},
        {"palette4", false, {s("-colors"), s("12")}, "PNG8:", QImage::Format_Indexed8},
        {"palette-trns", true, {s("-channel"), s("A"), s("-threshold"), s("50%"), s("+channel"), s("-colors"), s("30")},
         "PNG8:", QImage::Format_ARGB32},
        {"interlaced", false, {s("-interlace"), s("PNG")}, "PNG24:", QImage::Format_BGR888},
        {"interlaced-alpha16", true, {s("-interlace"), s("PNG")}, "PNG64:", QImage::Format_ARGB32},
    };
    for (const Case& c : cases) {
        const QString out = dir.path(QStringLiteral("%1.png").arg(QLatin1String(c.name)));
        const ToolResult t = runTool(QStringLiteral("convert"), QStringList{c.alpha ? alphaSource : source} + c.args
                                                                    + QStringList{QLatin1String(c.target) + out});
        ASSERT_TRUE(t.ok()) << c.name << ": " << t.err.toStdString();
        // ImageMagick's own decoding of what it wrote, as plain 8-bit RGBA, is the reference.
        const QString png = dir.path(QStringLiteral("%1-ref.png").arg(QLatin1String(c.name)));
        ASSERT_TRUE(runTool(QStringLiteral("convert"), {out, QStringLiteral("-depth"), QStringLiteral("8"),
                                                        QStringLiteral("PNG32:") + png}).ok());
        const LoadedImage mine = readImageFile(out);
        const QImage reference(png);
        EXPECT_EQ(mine.image.format(), c.expected) << c.name;
        EXPECT_LE(maxArgbDifference(mine.image, reference), c.tolerance) << c.name;
    }
}

TEST(PngCodec, TruncatedImageDataIsAnErrorNotAPartialImage)
{
    const QByteArray valid = toBytes(encodeImage(makeTestImage(64, 64), ImageFormat::Png));
    try {
        decode(valid.left(valid.size() / 2), QStringLiteral("cut.png"));
        ADD_FAILURE() << "a file cut in half decoded";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("cut.png: PNG: "), std::string::npos) << e.what();
    }
}

TEST(PngCodec, DecompressionBombsAreRefusedBeforeAllocating)
{
    struct Case {
        quint32 width, height;
        const char* expected;
    };
    const Case cases[] = {
        {100000, 100000, "exceeds the supported maximum"},
        {200000, 1, "IHDR"},     // past libpng's per-axis limit
        {0x7fffffff, 0x7fffffff, "IHDR"},
        {0, 10, "IHDR"},
    };
    for (const Case& c : cases) {
        try {
            decode(forgedPng(c.width, c.height), QStringLiteral("bomb.png"));
            ADD_FAILURE() << c.width << " x " << c.height << " decoded";
        } catch (const ImageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
        }
    }
    // The same construction with a small size is a valid file: the refusal is the size's doing.
    EXPECT_EQ(decode(forgedPng(16, 16)).image.size(), QSize(16, 16));
}

TEST(PngCodec, SurvivesTruncatedAndCorruptedFiles)
{
    checkCorruptInputs(ImageFormat::Png, toBytes(encodeImage(makeTestImage(24, 16), ImageFormat::Png)));
    checkCorruptInputs(ImageFormat::Png, toBytes(encodeImage(makeIndexedImage(24, 16, 16), ImageFormat::Png)));
    WriteOptions interlaced;
    interlaced.png.interlaced = true;
    checkCorruptInputs(ImageFormat::Png, toBytes(encodeImage(makeAlphaImage(24, 16), ImageFormat::Png, interlaced)));
}

TEST(PngCodec, SignaturesDecideTheFormatWhateverTheName)
{
    // PNG, JPEG and TIFF (both byte orders) are recognised by content under any name.
    TempDir dir;
    const QImage image = makeTestImage(20, 10);
    QByteArray bigEndianTiff;
    {
        const QString src = dir.path(QStringLiteral("s.png"));
        const QString mm = dir.path(QStringLiteral("mm.tif"));
        ASSERT_TRUE(image.save(src));
        ASSERT_TRUE(runTool(QStringLiteral("convert"), {src, QStringLiteral("-define"), QStringLiteral("tiff:endian=msb"), mm}).ok());
        bigEndianTiff = readAll(mm);
        ASSERT_TRUE(bigEndianTiff.startsWith("MM"));
    }
    const std::pair<ImageFormat, QByteArray> files[] = {
        {ImageFormat::Png, toBytes(encodeImage(image, ImageFormat::Png))},
        {ImageFormat::Jpeg, toBytes(encodeImage(image, ImageFormat::Jpeg))},
        {ImageFormat::Tiff, toBytes(encodeImage(image, ImageFormat::Tiff))},
        {ImageFormat::Tiff, bigEndianTiff},
    };
    for (const auto& [format, bytes] : files) {
        for (const char* name : {"frame.bmp", "frame.png", "frame.jpg", "frame.tif", "frame"}) {
            const QString path = dir.path(QLatin1String(name));
            ASSERT_TRUE(writeAll(path, bytes));
            const LoadedImage back = readImageFile(path);
            EXPECT_EQ(back.format, format) << name;
            EXPECT_EQ(back.image.size(), image.size()) << name;
        }
    }
    EXPECT_EQ(formatForPath(QStringLiteral("a.JFIF")), ImageFormat::Jpeg);
    EXPECT_EQ(formatForPath(QStringLiteral("a.jpe")), ImageFormat::Jpeg);
    EXPECT_EQ(formatForPath(QStringLiteral("a.TIFF")), ImageFormat::Tiff);
}
