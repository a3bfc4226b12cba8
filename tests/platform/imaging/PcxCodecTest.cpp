#include "platform/imaging/ImageFile.h"
#include "support/CodecTestHelpers.h"
#include "support/CorruptInput.h"

#include <gtest/gtest.h>

using namespace fw::imaging;
using namespace fw::test;

namespace {

const QString kName = QStringLiteral("x.pcx");

/// A 128-byte PCX header for an uncompressed image.
QByteArray pcxHeader(int width, int height, int bits, int planes, int bytesPerLine)
{
    QByteArray h(128, 0);
    h[0] = 0x0A;
    h[1] = 5;
    h[2] = 0; // raw
    h[3] = char(bits);
    patchLe(h, 8, quint32(width - 1), 2);
    patchLe(h, 10, quint32(height - 1), 2);
    for (int i = 0; i < 16; ++i) { // header palette: entry i = (16 i, 8 i, 255 - i)
        h[16 + 3 * i] = char(16 * i);
        h[17 + 3 * i] = char(8 * i);
        h[18 + 3 * i] = char(255 - i);
    }
    h[65] = char(planes);
    patchLe(h, 66, quint32(bytesPerLine), 2);
    return h;
}

} // namespace

TEST(PcxCodec, RoundTripsColourAndPaletteImagesExactly)
{
    for (int width : {1, 2, 3, 37, 200}) {
        const QImage colour = makeTestImage(width, 9, unsigned(width));
        // Long runs of one value exercise run lengths beyond 63 and values that need escaping.
        QImage flat(width, 3, QImage::Format_BGR888);
        flat.fill(QColor(0xC5, 0xFF, 0x10));
        const QImage indexed = makeIndexedImage(width, 7, 200, unsigned(width));
        for (const QImage& source : {colour, flat, indexed}) {
            const LoadedImage back = decodeNamed(toBytes(encodeImage(source, ImageFormat::Pcx)), kName);
            EXPECT_EQ(back.format, ImageFormat::Pcx);
            EXPECT_EQ(back.image.format(), source.format()) << "width " << width;
            EXPECT_TRUE(samePixels(back.image, source)) << "width " << width;
        }
    }
}

TEST(PcxCodec, RecordsResolutionAndImageMagickAgrees)
{
    TempDir dir;
    WriteOptions options;
    options.dpi = {300, 150};
    for (const QImage& source : {makeTestImage(64, 48), makeIndexedImage(64, 48, 100)}) {
        const QString path = dir.path(QStringLiteral("out.pcx"));
        writeImageFile(path, source, options);
        const LoadedImage back = readImageFile(path);
        EXPECT_EQ(back.dpi, (Resolution{300, 150}));
        const IdentifyResult id = identify(path);
        ASSERT_TRUE(id.ok) << id.error.toStdString();
        EXPECT_EQ(id.width, 64);
        EXPECT_EQ(id.height, 48);
        EXPECT_NEAR(id.dpiX(), 300, 0.5);
        EXPECT_NEAR(id.dpiY(), 150, 0.5);
        EXPECT_TRUE(samePixels(magickReference(dir, path), source));
    }
}

TEST(PcxCodec, ReadsWhatImageMagickWrites)
{
    TempDir dir;
    const QString source = dir.path(QStringLiteral("source.png"));
    ASSERT_TRUE(makeTestImage(37, 23).save(source));
    const QList<QStringList> cases = {
        {},
        {QStringLiteral("-colors"), QStringLiteral("200")},
        {QStringLiteral("-colors"), QStringLiteral("16")},
        {QStringLiteral("-monochrome")},
        {QStringLiteral("-alpha"), QStringLiteral("on"), QStringLiteral("-channel"), QStringLiteral("A"),
         QStringLiteral("-fx"), QStringLiteral("(i%3)/2")},
    };
    int n = 0;
    for (const QStringList& args : cases) {
        const QString path = dir.path(QStringLiteral("im%1.pcx").arg(n++));
        ASSERT_TRUE(magick(QStringList{source} + args + QStringList{path}));
        const bool alpha = args.contains(QStringLiteral("-fx"));
        const LoadedImage mine = readImageFile(path);
        const QImage reference = magickReference(dir, path, alpha);
        EXPECT_EQ(mine.image.hasAlphaChannel(), alpha) << args.join(' ').toStdString();
        if (alpha)
            EXPECT_TRUE(sameArgb(mine.image, reference));
        else
            EXPECT_TRUE(samePixels(mine.image, reference)) << args.join(' ').toStdString();
    }
}

TEST(PcxCodec, DecodesPlanarAndPackedLayouts)
{
    // 9 x 2 pixels, index (x + 3y) % colours, stored raw in each of the layouts.
    struct Layout {
        int bits, planes;
    };
    for (const Layout l : {Layout{1, 4}, Layout{1, 3}, Layout{2, 1}, Layout{4, 1}, Layout{1, 1}, Layout{8, 1}}) {
        const int colours = l.planes > 1 ? 1 << l.planes : 1 << l.bits;
        const int bpl = ((9 * l.bits + 7) / 8 + 1) & ~1;
        QByteArray file = pcxHeader(9, 2, l.bits, l.planes, bpl);
        for (int y = 0; y < 2; ++y) {
            QByteArray line(bpl * l.planes, 0);
            for (int x = 0; x < 9; ++x) {
                const int index = (x + 3 * y) % colours;
                if (l.planes > 1) {
                    for (int p = 0; p < l.planes; ++p)
                        line[p * bpl + x / 8] = char(line[p * bpl + x / 8] | (((index >> p) & 1) << (7 - x % 8)));
                } else {
                    const int perByte = 8 / l.bits;
                    const int shift = 8 - l.bits * (x % perByte + 1);
                    line[x / perByte] = char(line[x / perByte] | (index << shift));
                }
            }
            file += line;
        }
        const LoadedImage back = decodeNamed(file, kName);
        ASSERT_EQ(back.image.format(), QImage::Format_Indexed8);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 9; ++x) {
                const int index = (x + 3 * y) % colours;
                const QRgb expected = l.bits == 8 ? qRgb(index, index, index)          // no VGA palette: grey
                                      : (l.bits == 1 && l.planes == 1) ? (index ? 0xffffffffu : 0xff000000u)
                                                                       : qRgb(16 * index, 8 * index, 255 - index);
                EXPECT_EQ(back.image.pixel(x, y), expected) << l.bits << " bits " << l.planes << " planes at " << x;
            }
        }
    }
}

TEST(PcxCodec, ForgedHeadersAreRefusedWithAClearMessage)
{
    const QByteArray valid = toBytes(encodeImage(makeTestImage(8, 8), ImageFormat::Pcx));
    struct Case {
        int offset, width;
        quint32 value;
        const char* expected;
    };
    const Case cases[] = {
        {1, 1, 1, "unknown PCX version"},
        {2, 1, 7, "unknown encoding"},
        {3, 1, 3, "unsupported bit depth"},
        {65, 1, 2, "unsupported layout"},
        {65, 1, 0, "unsupported layout"},                    // no planes: empty lines (fuzzer finding)
        {66, 2, 1, "bytes per line 1 too small"},
        {4, 2, 100, "invalid image size"},                   // xmin past xmax
        {8, 2, 0xffff, "bytes per line"},                    // 65536 wide, lines still 8 bytes
        {10, 2, 0xfff0, "truncated pixel data"},             // 65521 rows from a few bytes
    };
    for (const Case& c : cases) {
        QByteArray bad = valid;
        patchLe(bad, c.offset, c.value, c.width);
        expectRefused(bad, QStringLiteral("forged.pcx"), c.expected, "offset " + std::to_string(c.offset));
    }
    // A huge image declared with matching lines but next to no data is refused before allocating.
    QByteArray huge = pcxHeader(60000, 4000, 8, 3, 60000);
    huge[2] = 1;
    huge += QByteArray(100, char(0xFF));
    expectRefused(huge, QStringLiteral("huge.pcx"), "truncated pixel data", "huge");
}

TEST(PcxCodec, SurvivesTruncatedAndCorruptedFiles)
{
    checkCorruptInputs(ImageFormat::Pcx, toBytes(encodeImage(makeTestImage(21, 13), ImageFormat::Pcx)));
    checkCorruptInputs(ImageFormat::Pcx, toBytes(encodeImage(makeIndexedImage(19, 9, 40), ImageFormat::Pcx)));
}
