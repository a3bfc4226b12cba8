#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "platform/imaging/codecs/Codec.h"
#include "support/CorruptInput.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace fw::imaging;
using namespace fw::test;

namespace {

QByteArray le16(int v) { return QByteArray(1, char(v & 0xff)) + QByteArray(1, char(v >> 8 & 0xff)); }
QByteArray le32(quint32 v) { return le16(int(v & 0xffff)) + le16(int(v >> 16)); }

QByteArray record(int function, const QList<int>& words, const QList<quint32>& longs = {})
{
    QByteArray params;
    for (quint32 l : longs)
        params += le32(l);
    for (int w : words)
        params += le16(w);
    return le32(quint32(3 + params.size() / 2)) + le16(function) + params;
}

QByteArray rectangle(int left, int top, int right, int bottom) { return record(0x041B, {bottom, right, top, left}); }

/// A 200 x 100 unit picture (200 units per inch): red left half, blue right half, no outlines.
QByteArray standardWmf()
{
    QByteArray body;
    body += record(0x020B, {0, 0});        // SetWindowOrg y, x
    body += record(0x020C, {100, 200});    // SetWindowExt height, width
    body += record(0x02FA, {5, 0, 0, 0, 0});                 // CreatePenIndirect: null pen
    body += record(0x012D, {0});                             // SelectObject pen
    body += le32(7) + le16(0x02FC) + le16(0) + le32(0x0000FF) + le16(0); // CreateBrushIndirect: solid red
    body += record(0x012D, {1});
    body += rectangle(0, 0, 101, 101);
    body += record(0x01F0, {1});                             // DeleteObject red brush
    body += le32(7) + le16(0x02FC) + le16(0) + le32(0xFF0000) + le16(0); // solid blue
    body += record(0x012D, {1});
    body += rectangle(100, 0, 201, 101);
    body += record(0x0000, {});                              // EOF
    const quint32 words = quint32(9 + body.size() / 2);
    return le16(1) + le16(9) + le16(0x300) + le32(words) + le16(2) + le32(8) + le16(0) + body;
}

QByteArray placeableWmf()
{
    QByteArray head = le32(0x9AC6CDD7) + le16(0) + le16(0) + le16(0) + le16(200) + le16(100) + le16(200) + le32(0);
    int checksum = 0;
    for (int i = 0; i < head.size(); i += 2)
        checksum ^= quint8(head[i]) | quint8(head[i + 1]) << 8;
    return head + le16(checksum) + standardWmf();
}

LoadedImage decode(const QByteArray& bytes, const QString& name)
{
    return readImageData(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())),
                         name, formatForPath(name));
}

} // namespace

TEST(WmfCodec, RendersAPlaceableMetafileAtItsSize)
{
    TempDir dir;
    // The content decides, whatever the name.
    for (const char* name : {"drawing.wmf", "drawing.apm", "drawing.bin"}) {
        const QString path = dir.path(QLatin1String(name));
        ASSERT_TRUE(writeAll(path, placeableWmf()));
        const LoadedImage loaded = readImageFile(path);
        EXPECT_EQ(loaded.format, ImageFormat::Wmf) << name;
        // One inch by half an inch at the rendering resolution.
        EXPECT_NEAR(loaded.image.width(), loaded.dpi.x, 1) << name;
        EXPECT_NEAR(loaded.image.height(), loaded.dpi.y / 2, 1) << name;
        ASSERT_GT(loaded.image.width(), 20);
        const QImage& image = loaded.image;
        const int w = image.width(), h = image.height();
        for (QPoint p : {QPoint(w / 4, h / 2), QPoint(3, 3), QPoint(w / 2 - 3, h - 3)})
            EXPECT_EQ(image.pixel(p), qRgb(255, 0, 0)) << name << " at " << p.x() << "," << p.y();
        for (QPoint p : {QPoint(3 * w / 4, h / 2), QPoint(w - 3, 3), QPoint(w / 2 + 3, h - 3)})
            EXPECT_EQ(image.pixel(p), qRgb(0, 0, 255)) << name << " at " << p.x() << "," << p.y();
    }
}

TEST(WmfCodec, RendersAStandardMetafile)
{
    // Without the placeable header the size comes from the window extent.
    const LoadedImage loaded = decode(standardWmf(), QStringLiteral("plain.wmf"));
    ASSERT_FALSE(loaded.image.isNull());
    const QImage& image = loaded.image;
    EXPECT_EQ(image.pixel(image.width() / 4, image.height() / 2), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(3 * image.width() / 4, image.height() / 2), qRgb(0, 0, 255));
}

TEST(WmfCodec, RefusesForgedSizesAndDamagedFiles)
{
    struct Case {
        int offset; // in the placeable file
        QByteArray value;
        const char* expected;
    };
    const Case cases[] = {
        {10, le16(0x7fff) + le16(100) + le16(1), "exceeds the supported maximum"}, // 32767 inches wide
        {22 + 12, le32(0x7fffffff), "invalid largest record size"},               // the renderer allocates this
        {22 + 18, le32(0x40000), "invalid metafile record size"},                  // first record
        {22 + 2, le16(7), "invalid metafile header"},
    };
    for (const Case& c : cases) {
        QByteArray bad = placeableWmf();
        bad.replace(c.offset, c.value.size(), c.value);
        try {
            decode(bad, QStringLiteral("forged.wmf"));
            ADD_FAILURE() << "accepted a forged value at " << c.offset;
        } catch (const ImageError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find("forged.wmf"), std::string::npos) << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << message;
        }
    }
    try {
        decode(placeableWmf().chopped(10), QStringLiteral("cut.wmf"));
        ADD_FAILURE() << "accepted a truncated file";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("truncated metafile"), std::string::npos) << e.what();
    }
    checkCorruptInputs(ImageFormat::Wmf, placeableWmf(), 300);
    EXPECT_FALSE(canWrite(ImageFormat::Wmf));
}

TEST(WmfCodec, SimilarHeadersAreNotTakenForMetafiles)
{
    QByteArray wrongSize = standardWmf();
    wrongSize[2] = 8; // header size other than 9 words
    const Codec* codec = sniffCodec(ByteView(reinterpret_cast<const std::uint8_t*>(wrongSize.constData()), 64));
    EXPECT_TRUE(codec == nullptr || codec->format != ImageFormat::Wmf);
}
