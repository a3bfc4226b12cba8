#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "support/CodecTestHelpers.h"
#include "support/CorruptInput.h"
#include "support/ExternalTools.h"
#include "support/TestImages.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace fw::imaging;
using namespace fw::test;

namespace {

LoadedImage decode(const QByteArray& bytes, const QString& name = QStringLiteral("x.bmp"))
{
    return readImageData(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())),
                         name, formatForPath(name));
}

} // namespace

TEST(BmpCodec, RoundTripsEveryRowPaddingAndBothHeaders)
{
    // Widths 1..5 cover every amount of row padding for 24 and 8 bits.
    for (bool os2 : {false, true}) {
        for (int width : {1, 2, 3, 4, 5, 97}) {
            const QImage colour = makeTestImage(width, 7, unsigned(width));
            const QImage indexed = makeIndexedImage(width, 5, 200, unsigned(width));
            WriteOptions options;
            options.bmp.os2 = os2;
            for (const QImage& source : {colour, indexed}) {
                const LoadedImage back = decode(toBytes(encodeImage(source, ImageFormat::Bmp, options)));
                EXPECT_EQ(back.format, ImageFormat::Bmp);
                EXPECT_EQ(back.image.format(), source.format()) << "width " << width << " os2 " << os2;
                EXPECT_TRUE(samePixels(back.image, source)) << "width " << width << " os2 " << os2;
            }
        }
    }
}

TEST(BmpCodec, RecordsResolutionAndOtherReadersAgree)
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("frame.bmp"));
    WriteOptions options;
    options.dpi = {300, 300};
    writeImageFile(path, makeTestImage(64, 48), options);
    const LoadedImage back = readImageFile(path);
    EXPECT_NEAR(back.dpi.x, 300, 0.05);
    EXPECT_NEAR(back.dpi.y, 300, 0.05);
    const IdentifyResult id = identify(path);
    ASSERT_TRUE(id.ok) << id.error.toStdString();
    EXPECT_EQ(id.width, 64);
    EXPECT_EQ(id.height, 48);
    EXPECT_NEAR(id.dpiX(), 300, 0.5);
    EXPECT_NEAR(id.dpiY(), 300, 0.5);
}

TEST(BmpCodec, ReadsWhatImageMagickWritesInEveryDepthAndCompression)
{
    TempDir dir;
    const QString source = dir.path(QStringLiteral("source.png"));
    ASSERT_TRUE(makeTestImage(37, 23).save(source));
    struct Case {
        const char* name;
        QStringList args;
        int maxDiff; // per channel: 16-bit and palette depths lose precision
    };
    const Case cases[] = {
        {"24-bit", {}, 0},
        {"32-bit", {QStringLiteral("-alpha"), QStringLiteral("on"), QStringLiteral("-define"), QStringLiteral("bmp:format=bmp4")}, 0},
        {"16-bit", {QStringLiteral("-define"), QStringLiteral("bmp:subtype=RGB565")}, 8},
        {"rle8", {QStringLiteral("-colors"), QStringLiteral("200"), QStringLiteral("-compress"), QStringLiteral("RLE"), QStringLiteral("-type"), QStringLiteral("Palette")}, -1},
        {"rle4", {QStringLiteral("-colors"), QStringLiteral("16"), QStringLiteral("-compress"), QStringLiteral("RLE"), QStringLiteral("-type"), QStringLiteral("Palette")}, -1},
        {"1-bit", {QStringLiteral("-monochrome")}, -1},
        {"os2", {}, 0},
    };
    for (const Case& c : cases) {
        const QString out = dir.path(QStringLiteral("%1.bmp").arg(QLatin1String(c.name)));
        const QString target = (QLatin1String(c.name) == QLatin1String("os2") ? QStringLiteral("bmp2:")
                                : QLatin1String(c.name).startsWith(QLatin1String("rle")) ? QStringLiteral("bmp3:")
                                : QStringLiteral("bmp:")) + out;
        const ToolResult t = runTool(QStringLiteral("convert"), QStringList{source} + c.args + QStringList{target});
        ASSERT_TRUE(t.ok()) << c.name << ": " << t.err.toStdString();
        // ImageMagick's own decoding of what it wrote is the reference.
        const QString png = dir.path(QStringLiteral("%1-ref.png").arg(QLatin1String(c.name)));
        ASSERT_TRUE(runTool(QStringLiteral("convert"), {out, QStringLiteral("-alpha"), QStringLiteral("off"), png}).ok());
        const LoadedImage mine = readImageFile(out);
        const QImage reference(png);
        ASSERT_EQ(mine.image.size(), reference.size()) << c.name;
        if (c.maxDiff >= 0)
            EXPECT_GT(psnr(mine.image, reference), c.maxDiff == 0 ? 1000.0 : 30.0) << c.name;
        else
            EXPECT_TRUE(samePixels(mine.image, reference)) << c.name;
    }
}

TEST(BmpCodec, ContentDecidesTheFormatWhateverTheName)
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("7.orbek"));
    const QImage frame = makeTestImage(33, 17);
    writeImageFile(path, frame, ImageFormat::Bmp);
    const LoadedImage back = readImageFile(path);
    EXPECT_EQ(back.format, ImageFormat::Bmp);
    EXPECT_TRUE(samePixels(back.image, frame));
}

TEST(BmpCodec, ForgedHeadersAreRefusedWithAClearMessage)
{
    QByteArray valid = toBytes(encodeImage(makeTestImage(8, 8), ImageFormat::Bmp));
    struct Case {
        int offset;
        quint32 value;
        const char* expected;
    };
    const Case cases[] = {
        {18, 0x7fffffff, "exceeds the supported maximum"}, // width
        {22, 0, "invalid image size"},                     // height
        {28, 7, "unsupported bit depth"},
        {30, 9, "unsupported compression"},
        {10, 0x7ffffff0, "outside the file"},              // pixel offset
        {14, 8, "unknown bitmap header size"},
    };
    for (const Case& c : cases) {
        QByteArray bad = valid;
        const int width = c.offset == 28 ? 2 : 4; // the bit count is a 16-bit field
        for (int i = 0; i < width; ++i)
            bad[c.offset + i] = char((c.value >> (8 * i)) & 0xff);
        try {
            decode(bad, QStringLiteral("forged.bmp"));
            ADD_FAILURE() << "accepted a forged header at offset " << c.offset;
        } catch (const ImageError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find("forged.bmp"), std::string::npos) << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << message;
        }
    }
}

TEST(BmpCodec, SurvivesTruncatedAndCorruptedFiles)
{
    const QImage colour = makeTestImage(21, 13);
    checkCorruptInputs(ImageFormat::Bmp, toBytes(encodeImage(colour, ImageFormat::Bmp)));
    checkCorruptInputs(ImageFormat::Bmp, toBytes(encodeImage(makeIndexedImage(19, 9, 16), ImageFormat::Bmp)));
    TempDir dir;
    const QString src = dir.path(QStringLiteral("s.png"));
    const QString rle = dir.path(QStringLiteral("r.bmp"));
    ASSERT_TRUE(colour.save(src));
    ASSERT_TRUE(runTool(QStringLiteral("convert"), {src, QStringLiteral("-colors"), QStringLiteral("16"),
                                                     QStringLiteral("-compress"), QStringLiteral("RLE"),
                                                     QStringLiteral("bmp3:") + rle}).ok());
    checkCorruptInputs(ImageFormat::Bmp, readAll(rle));
}

TEST(ImageFileWrite, ReplacesFilesWholeInBothDurabilityModesAndKeepsTheOldOneOnFailure)
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("3.orbek"));
    for (bool durable : {true, false}) {
        WriteOptions options;
        options.durable = durable;
        writeImageFile(path, makeTestImage(10, 10, 1), ImageFormat::Bmp, options);
        writeImageFile(path, makeTestImage(12, 6, 2), ImageFormat::Bmp, options);
        EXPECT_TRUE(samePixels(readImageFile(path).image, makeTestImage(12, 6, 2))) << durable;
        // A failed write (an image no bitmap can hold) leaves the previous file untouched.
        EXPECT_THROW(writeImageFile(path, QImage(), ImageFormat::Bmp, options), ImageError);
        EXPECT_TRUE(samePixels(readImageFile(path).image, makeTestImage(12, 6, 2))) << durable;
        EXPECT_EQ(QDir(dir.root()).entryList(QDir::Files), QStringList{QStringLiteral("3.orbek")}) << durable;
    }
    // A folder that does not exist: a clear error naming the file.
    try {
        WriteOptions options;
        options.durable = false;
        writeImageFile(dir.path(QStringLiteral("gone/5.orbek")), makeTestImage(4, 4), ImageFormat::Bmp, options);
        ADD_FAILURE() << "wrote into a missing folder";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("5.orbek: cannot create the file"), std::string::npos) << e.what();
    }
}
