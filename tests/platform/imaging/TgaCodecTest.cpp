#include "platform/imaging/ImageFile.h"
#include "support/CodecTestHelpers.h"
#include "support/CorruptInput.h"

#include <gtest/gtest.h>

using namespace fw::imaging;
using namespace fw::test;

namespace {

const QString kName = QStringLiteral("x.tga");

QByteArray tgaHeader(int type, int width, int height, int bits, int descriptor)
{
    QByteArray h(18, 0);
    h[2] = char(type);
    patchLe(h, 12, quint32(width), 2);
    patchLe(h, 14, quint32(height), 2);
    h[16] = char(bits);
    h[17] = char(descriptor);
    return h;
}

} // namespace

TEST(TgaCodec, RoundTripsPlainAndRunLengthExactly)
{
    QImage flat(300, 4, QImage::Format_BGR888); // runs longer than one packet
    flat.fill(QColor(10, 20, 30));
    for (bool rle : {false, true}) {
        WriteOptions options;
        options.tga.rle = rle;
        for (int width : {1, 2, 37}) {
            for (const QImage& source : {makeTestImage(width, 9, unsigned(width)), makeIndexedImage(width, 7, 200), flat}) {
                const QByteArray bytes = toBytes(encodeImage(source, ImageFormat::Tga, options));
                EXPECT_EQ(bytes[2], char((source.format() == QImage::Format_Indexed8 ? 1 : 2) | (rle ? 8 : 0)));
                const LoadedImage back = decodeNamed(bytes, kName);
                EXPECT_EQ(back.format, ImageFormat::Tga);
                EXPECT_EQ(back.image.format(), source.format());
                EXPECT_TRUE(samePixels(back.image, source)) << "rle " << rle << " width " << width;
                EXPECT_FALSE(back.dpi.known());
            }
        }
    }
    // Run-length encoding pays off on flat areas.
    WriteOptions rle;
    rle.tga.rle = true;
    EXPECT_LT(encodeImage(flat, ImageFormat::Tga, rle).size(), encodeImage(flat, ImageFormat::Tga).size() / 10);
}

TEST(TgaCodec, ImageMagickReadsWhatWeWriteAndWeReadWhatItWrites)
{
    TempDir dir;
    const QImage picture = makeTestImage(37, 23);
    for (bool rle : {false, true}) {
        WriteOptions options;
        options.tga.rle = rle;
        for (const QImage& source : {picture, makeIndexedImage(37, 23, 100)}) {
            const QString path = dir.path(QStringLiteral("ours.tga"));
            writeImageFile(path, source, options);
            const IdentifyResult id = identify(path);
            ASSERT_TRUE(id.ok) << id.error.toStdString();
            EXPECT_EQ(id.width, 37);
            EXPECT_EQ(id.height, 23);
            EXPECT_TRUE(samePixels(magickReference(dir, path), source)) << "rle " << rle;
        }
    }
    const QString source = dir.path(QStringLiteral("source.png"));
    ASSERT_TRUE(picture.save(source));
    const QList<QStringList> cases = {
        {},
        {QStringLiteral("-compress"), QStringLiteral("RLE")},
        {QStringLiteral("-colors"), QStringLiteral("200"), QStringLiteral("-type"), QStringLiteral("Palette")},
        {QStringLiteral("-colors"), QStringLiteral("200"), QStringLiteral("-type"), QStringLiteral("Palette"),
         QStringLiteral("-compress"), QStringLiteral("RLE")},
        {QStringLiteral("-colorspace"), QStringLiteral("Gray"), QStringLiteral("-compress"), QStringLiteral("RLE")},
        {QStringLiteral("-alpha"), QStringLiteral("on"), QStringLiteral("-channel"), QStringLiteral("A"),
         QStringLiteral("-fx"), QStringLiteral("(i%3)/2"), QStringLiteral("-compress"), QStringLiteral("RLE")},
    };
    int n = 0;
    for (const QStringList& args : cases) {
        const QString path = dir.path(QStringLiteral("im%1.tga").arg(n++));
        ASSERT_TRUE(magick(QStringList{source} + args + QStringList{path}));
        const bool alpha = args.contains(QStringLiteral("-fx"));
        const LoadedImage mine = readImageFile(path);
        EXPECT_EQ(mine.image.hasAlphaChannel(), alpha);
        EXPECT_TRUE(sameArgb(mine.image, magickReference(dir, path, alpha))) << args.join(' ').toStdString();
    }
}

TEST(TgaCodec, HonoursEveryOriginAndPacketsAcrossRows)
{
    // 3 x 2 grey pixels with values 10 * (stored index); each origin places them differently.
    struct Case {
        int descriptor;
        int expected[2][3]; // values at image rows 0 and 1
    };
    const Case cases[] = {
        {0x00, {{30, 40, 50}, {0, 10, 20}}},  // bottom-left
        {0x20, {{0, 10, 20}, {30, 40, 50}}},  // top-left
        {0x10, {{50, 40, 30}, {20, 10, 0}}},  // bottom-right
        {0x30, {{20, 10, 0}, {50, 40, 30}}},  // top-right
    };
    for (const Case& c : cases) {
        QByteArray raw = tgaHeader(3, 3, 2, 8, c.descriptor);
        for (int i = 0; i < 6; ++i)
            raw += char(10 * i);
        // The same pixels as RLE: a raw packet of four crossing into the second row, then two.
        QByteArray rle = tgaHeader(11, 3, 2, 8, c.descriptor);
        rle += QByteArray::fromHex("03000a141e0128320000000000"); // trailing bytes are ignored
        for (const QByteArray& file : {raw, rle}) {
            const QImage image = decodeNamed(file, kName).image;
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x)
                    EXPECT_EQ(qRed(image.pixel(x, y)), c.expected[y][x]) << "descriptor " << c.descriptor;
        }
    }
    // A run packet longer than what remains of the image stops at its end.
    QByteArray longRun = tgaHeader(10, 2, 2, 24, 0);
    longRun += QByteArray::fromHex("ff010203");
    const QImage image = decodeNamed(longRun, kName).image;
    EXPECT_EQ(image.pixel(1, 1), qRgb(3, 2, 1));
}

TEST(TgaCodec, ForgedHeadersAreRefusedWithAClearMessage)
{
    const QByteArray colour = toBytes(encodeImage(makeTestImage(8, 8), ImageFormat::Tga));
    const QByteArray indexed = toBytes(encodeImage(makeIndexedImage(8, 8, 16), ImageFormat::Tga));
    struct Case {
        bool indexed;
        int offset, width;
        quint32 value;
        const char* expected;
    };
    const Case cases[] = {
        {false, 2, 1, 4, "unsupported image type 4"},
        {false, 2, 1, 0x22, "unsupported image type"},
        {false, 1, 1, 2, "invalid colour map type"},
        {false, 16, 1, 12, "unsupported pixel depth 12"},
        {false, 12, 2, 0, "invalid image size"},
        {false, 12, 2, 0xffff, "truncated pixel data"},
        {true, 7, 1, 9, "unsupported colour map entry size"},
        {true, 5, 2, 0xffff, "truncated Targa file"},        // colour map past the end
        {true, 1, 1, 0, "without a colour map"},
        {true, 0, 1, 255, "truncated"},                      // image ID past the end
    };
    for (const Case& c : cases) {
        QByteArray bad = c.indexed ? indexed : colour;
        patchLe(bad, c.offset, c.value, c.width);
        expectRefused(bad, QStringLiteral("forged.tga"), c.expected, "offset " + std::to_string(c.offset));
    }
    // Huge RLE images need at least one packet per 128 pixels.
    QByteArray huge = tgaHeader(10, 20000, 10000, 24, 0) + QByteArray(1000, char(0xff));
    expectRefused(huge, QStringLiteral("huge.tga"), "truncated pixel data", "huge");
}

TEST(TgaCodec, SurvivesTruncatedAndCorruptedFiles)
{
    WriteOptions rle;
    rle.tga.rle = true;
    checkCorruptInputs(ImageFormat::Tga, toBytes(encodeImage(makeTestImage(21, 13), ImageFormat::Tga)));
    checkCorruptInputs(ImageFormat::Tga, toBytes(encodeImage(makeTestImage(21, 13), ImageFormat::Tga, rle)));
    checkCorruptInputs(ImageFormat::Tga, toBytes(encodeImage(makeIndexedImage(19, 9, 40), ImageFormat::Tga, rle)));
}
