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

LoadedImage decode(const QByteArray& bytes, const QString& name = QStringLiteral("x.wbmp"))
{
    return readImageData(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())),
                         name, formatForPath(name));
}

QImage blackAndWhite(int w, int h)
{
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(x, y, ((x * 5 + y * 3) % 7 < 3) ? Qt::black : Qt::white);
    return image;
}

} // namespace

TEST(WbmpCodec, BlackAndWhiteImagesRoundTripExactly)
{
    // Widths 1..9 cover every amount of row padding; 200 needs a two-byte width.
    for (int width : {1, 2, 7, 8, 9, 200}) {
        const QImage source = blackAndWhite(width, 130);
        const QByteArray bytes = toBytes(encodeImage(source, ImageFormat::Wbmp));
        const LoadedImage back = decode(bytes);
        EXPECT_EQ(back.format, ImageFormat::Wbmp);
        EXPECT_EQ(back.image.format(), QImage::Format_Indexed8);
        EXPECT_TRUE(samePixels(back.image, source)) << "width " << width;
    }
    // Header layout: type 0, fixed header 0, width 200 = 0x81 0x48, height 130 = 0x81 0x02.
    EXPECT_TRUE(toBytes(encodeImage(blackAndWhite(200, 130), ImageFormat::Wbmp)).startsWith(QByteArray::fromHex("000081488102")));
}

TEST(WbmpCodec, ThresholdsColourAtMidLuminance)
{
    QImage colours(4, 1, QImage::Format_BGR888);
    const QColor pixels[4] = {QColor(250, 0, 0), QColor(0, 250, 0), QColor(130, 130, 130), QColor(120, 120, 120)};
    for (int x = 0; x < 4; ++x)
        colours.setPixelColor(x, 0, pixels[x]);
    EXPECT_EQ(toBytes(encodeImage(colours, ImageFormat::Wbmp)), QByteArray::fromHex("0000040160")); // 0110 = white green, grey
}

TEST(WbmpCodec, ImageMagickAgrees)
{
    TempDir dir;
    const QString mine = dir.path(QStringLiteral("mine.wbmp"));
    writeImageFile(mine, blackAndWhite(150, 31));
    const IdentifyResult id = identify(mine);
    ASSERT_TRUE(id.ok) << id.error.toStdString();
    EXPECT_EQ(id.width, 150);
    EXPECT_EQ(id.height, 31);
    EXPECT_EQ(id.format, QStringLiteral("WBMP"));
    const QString png = dir.path(QStringLiteral("mine.png"));
    ASSERT_TRUE(runTool(QStringLiteral("convert"), {mine, png}).ok());
    EXPECT_TRUE(samePixels(QImage(png), blackAndWhite(150, 31)));

    const QString source = dir.path(QStringLiteral("s.png"));
    const QString theirs = dir.path(QStringLiteral("theirs.wbmp"));
    ASSERT_TRUE(makeTestImage(133, 17).save(source));
    ASSERT_TRUE(runTool(QStringLiteral("convert"), {source, QStringLiteral("-monochrome"), theirs}).ok());
    const QString ref = dir.path(QStringLiteral("ref.png"));
    ASSERT_TRUE(runTool(QStringLiteral("convert"), {theirs, ref}).ok());
    EXPECT_TRUE(samePixels(readImageFile(theirs).image, QImage(ref)));
}

TEST(WbmpCodec, ForgedHeadersAreRefusedWithAClearMessage)
{
    struct Case {
        QByteArray bytes;
        const char* expected;
    };
    const Case cases[] = {
        {QByteArray::fromHex("0100020200"), "unsupported wireless bitmap type 1"},
        {QByteArray::fromHex("0080020200"), "extension headers"},
        {QByteArray::fromHex("0000ffffffffff7f0100"), "too many continuation bytes"},
        {QByteArray::fromHex("0000878d20878d2000"), "exceeds the supported maximum"},
        {QByteArray::fromHex("0000a01fa01f00"), "truncated pixel data"},
        {QByteArray::fromHex("00000002"), "invalid image size"},
        {QByteArray::fromHex("000081"), "truncated"},
    };
    for (const Case& c : cases) {
        try {
            decode(c.bytes, QStringLiteral("forged.wbmp"));
            ADD_FAILURE() << c.bytes.toHex().toStdString() << ": accepted";
        } catch (const ImageError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find("forged.wbmp: WBMP: "), std::string::npos) << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << c.bytes.toHex().toStdString() << ": " << message;
        }
    }
}

TEST(WbmpCodec, SurvivesTruncatedAndCorruptedFiles)
{
    checkCorruptInputs(ImageFormat::Wbmp, toBytes(encodeImage(blackAndWhite(141, 9), ImageFormat::Wbmp)));
}
