#include "platform/imaging/ImageFile.h"
#include "platform/imaging/codecs/Codec.h"
#include "support/CodecTestHelpers.h"
#include "support/CorruptInput.h"

#include <gtest/gtest.h>

using namespace fw::imaging;
using namespace fw::test;

namespace {

/// An icon file holding one 4-bit 3 x 2 bitmap: pixel (x, y) has palette index x + 3y and the
/// AND mask makes the top-left and bottom-right pixels transparent.
QByteArray fourBitIcon()
{
    QByteArray bmp(40, 0);
    patchLe(bmp, 0, 40, 4);
    patchLe(bmp, 4, 3, 4);
    patchLe(bmp, 8, 4, 4); // twice the height
    patchLe(bmp, 12, 1, 2);
    patchLe(bmp, 14, 4, 2);
    for (int i = 0; i < 16; ++i) {
        bmp += char(i);       // blue
        bmp += char(10 * i);  // green
        bmp += char(255 - i); // red
        bmp += char(0);
    }
    // Rows bottom-up, 4 bytes each: bottom row indices 3 4 5, top row 0 1 2.
    bmp += QByteArray::fromHex("34500000") + QByteArray::fromHex("01200000");
    // AND mask, bottom-up: bottom-right and top-left transparent.
    bmp += QByteArray::fromHex("20000000") + QByteArray::fromHex("80000000");
    QByteArray file = QByteArray::fromHex("000001000100") + QByteArray(16, 0);
    file[6] = 3;
    file[7] = 2;
    patchLe(file, 14, quint32(bmp.size()), 4);
    patchLe(file, 18, 22, 4);
    return file + bmp;
}

} // namespace

TEST(IcoCodec, ReadsTheLargestImageOfWhatImageMagickWrites)
{
    TempDir dir;
    const QString source = dir.path(QStringLiteral("source.png"));
    QImage picture = makeTestImage(64, 64).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 64; ++y) // a transparent band and a half-transparent one
        for (int x = 0; x < 64; ++x)
            if (y < 8 || (y > 40 && y < 48))
                picture.setPixel(x, y, qRgba(x * 4, y * 4, 9, y < 8 ? 0 : 128));
    ASSERT_TRUE(picture.save(source));
    struct Case {
        const char* name;
        QStringList args;
        QSize size;
        int frame; // the largest entry, as ImageMagick numbers them
    };
    const Case cases[] = {
        {"32-bit", {QStringLiteral("-define"), QStringLiteral("icon:auto-resize=16,48,32")}, {48, 48}, 1},
        {"4-bit", {QStringLiteral("-alpha"), QStringLiteral("off"), QStringLiteral("-colors"), QStringLiteral("16"),
                   QStringLiteral("-type"), QStringLiteral("Palette"), QStringLiteral("-resize"), QStringLiteral("32x32")},
         {32, 32}, 0},
        {"8-bit", {QStringLiteral("-alpha"), QStringLiteral("off"), QStringLiteral("-colors"), QStringLiteral("200"),
                   QStringLiteral("-type"), QStringLiteral("Palette"), QStringLiteral("-resize"), QStringLiteral("24x24")},
         {24, 24}, 0},
    };
    for (const Case& c : cases) {
        const QString ico = dir.path(QStringLiteral("%1.ico").arg(QLatin1String(c.name)));
        ASSERT_TRUE(magick(QStringList{source} + c.args + QStringList{ico}));
        const QImage reference = magickReference(dir, ico, true, c.frame);
        const LoadedImage mine = readImageFile(ico);
        EXPECT_EQ(mine.format, ImageFormat::Ico);
        EXPECT_EQ(mine.image.size(), c.size) << c.name;
        EXPECT_TRUE(sameArgb(mine.image, reference)) << c.name;

        // A cursor is the same file with resource type 2.
        QByteArray cur = readAll(ico);
        cur[2] = 2;
        const QString curPath = dir.path(QStringLiteral("%1.cur").arg(QLatin1String(c.name)));
        ASSERT_TRUE(writeAll(curPath, cur));
        const LoadedImage cursor = readImageFile(curPath);
        EXPECT_EQ(cursor.format, ImageFormat::Cur);
        EXPECT_TRUE(sameArgb(cursor.image, reference)) << c.name;
    }
}

TEST(IcoCodec, AppliesTheAndMaskToPaletteImages)
{
    const LoadedImage icon = decodeNamed(fourBitIcon(), QStringLiteral("small.ico"));
    ASSERT_EQ(icon.image.size(), QSize(3, 2));
    ASSERT_EQ(icon.image.format(), QImage::Format_ARGB32);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            const int i = x + 3 * y;
            const bool transparent = (x == 0 && y == 0) || (x == 2 && y == 1);
            const QRgb p = icon.image.pixel(x, y);
            EXPECT_EQ(qAlpha(p), transparent ? 0 : 255) << x << "," << y;
            EXPECT_EQ(p & 0xffffff, qRgb(255 - i, 10 * i, i) & 0xffffff) << x << "," << y;
        }
    }
}

TEST(IcoCodec, ThirtyTwoBitIconsWithoutMaskUseTheirAlphaOrAreOpaque)
{
    // 2 x 1 pixels, 32 bits, no AND mask; the alpha bytes are either real or all zero.
    for (bool withAlpha : {true, false}) {
        QByteArray bmp(40, 0);
        patchLe(bmp, 0, 40, 4);
        patchLe(bmp, 4, 2, 4);
        patchLe(bmp, 8, 2, 4);
        patchLe(bmp, 12, 1, 2);
        patchLe(bmp, 14, 32, 2);
        bmp += QByteArray::fromHex(withAlpha ? "0102037f04050600" : "0102030004050600");
        QByteArray file = QByteArray::fromHex("000001000100") + QByteArray(16, 0);
        patchLe(file, 14, quint32(bmp.size()), 4);
        patchLe(file, 18, 22, 4);
        const QImage image = decodeNamed(file + bmp, QStringLiteral("a.ico")).image;
        ASSERT_EQ(image.size(), QSize(2, 1));
        EXPECT_EQ(image.pixel(0, 0), withAlpha ? qRgba(3, 2, 1, 0x7f) : qRgb(3, 2, 1));
        EXPECT_EQ(image.pixel(1, 0), withAlpha ? qRgba(6, 5, 4, 0) : qRgb(6, 5, 4));
    }
}

TEST(IcoCodec, PngEntriesGoThroughThePngCodec)
{
    TempDir dir;
    const QString source = dir.path(QStringLiteral("source.png"));
    const QString ico = dir.path(QStringLiteral("big.ico"));
    ASSERT_TRUE(makeTestImage(256, 256).save(source));
    ASSERT_TRUE(magick({source, QStringLiteral("-define"), QStringLiteral("icon:auto-resize=256,32"), ico}));
    const QByteArray bytes = readAll(ico);
    // Forged PNG sizes must not overflow when entries are compared (fuzzer finding); the
    // forged entry is then refused.
    QByteArray forged = bytes;
    const int pngAt = int(quint8(bytes[18]) | quint8(bytes[19]) << 8 | quint8(bytes[20]) << 16);
    ASSERT_EQ(forged.mid(pngAt + 1, 3), QByteArray("PNG"));
    patchBe(forged, pngAt + 16, 0xffffffff, 4);
    patchBe(forged, pngAt + 20, 0xffffffff, 4);
    EXPECT_THROW(decodeNamed(forged, QStringLiteral("forged.ico")), ImageError);
    const Codec* png = codecFor(ImageFormat::Png);
    if (png && png->read) {
        const LoadedImage icon = decodeNamed(bytes, QStringLiteral("big.ico"));
        EXPECT_EQ(icon.image.size(), QSize(256, 256));
        EXPECT_TRUE(samePixels(icon.image, magickReference(dir, ico)));
    } else {
        expectRefused(bytes, QStringLiteral("big.ico"), "PNG-compressed icons need the PNG codec", "png entry");
    }
}

TEST(IcoCodec, ForgedDirectoriesAndBitmapsAreRefused)
{
    const QByteArray valid = fourBitIcon();
    struct Case {
        int offset, width;
        quint32 value;
        const char* expected;
    };
    const Case cases[] = {
        {2, 2, 3, "unknown icon resource type 3"},
        {4, 2, 0, "invalid number of icon images 0"},
        {4, 2, 600, "invalid number of icon images 600"},
        {4, 2, 40, "truncated icon directory"},
        {18, 4, 0x7ffffff0, "no icon image lies inside the file"},
        {22, 4, 12, "unknown icon bitmap header size"},
        {22 + 14, 2, 7, "unsupported icon bit depth 7"},
        {22 + 16, 4, 1, "unsupported icon compression"},
        {22 + 4, 4, 0x7fffffff, "exceeds the supported maximum"},
        {22 + 8, 4, 8000, "truncated icon pixels"},
        {22 + 8, 4, 0, "invalid image size"},
        {14, 4, 115, "truncated icon mask"},               // entry size cuts the mask off
    };
    for (const Case& c : cases) {
        QByteArray bad = valid;
        patchLe(bad, c.offset, c.value, c.width);
        expectRefused(bad, QStringLiteral("forged.ico"), c.expected, c.expected);
    }
}

TEST(IcoCodec, SurvivesTruncatedAndCorruptedFiles)
{
    checkCorruptInputs(ImageFormat::Ico, fourBitIcon());
    TempDir dir;
    const QString source = dir.path(QStringLiteral("s.png"));
    const QString ico = dir.path(QStringLiteral("s.ico"));
    ASSERT_TRUE(makeTestImage(32, 32).save(source));
    ASSERT_TRUE(magick({source, QStringLiteral("-define"), QStringLiteral("icon:auto-resize=24,16"), ico}));
    QByteArray cur = readAll(ico);
    checkCorruptInputs(ImageFormat::Ico, cur);
    cur[2] = 2;
    checkCorruptInputs(ImageFormat::Cur, cur);
}
