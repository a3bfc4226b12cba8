#include "platform/imaging/GifAnimation.h"
#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "support/CodecTestHelpers.h"
#include "support/CorruptInput.h"
#include "support/ExternalTools.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace fw::imaging;
using namespace fw::test;

namespace {

LoadedImage decode(const QByteArray& bytes, const QString& name = QStringLiteral("x.gif"))
{
    return readImageData(viewOf(bytes), name, formatForPath(name));
}

QImage makePhoto(int w, int h)
{
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const double fx = double(x) / w, fy = double(y) / h;
            row[3 * x + 2] = uchar(127.5 + 127.5 * std::sin(6.0 * fx + 2.0 * fy));
            row[3 * x + 1] = uchar(255 * fy * (0.5 + 0.5 * std::cos(9.0 * fx)));
            row[3 * x + 0] = uchar(255 * (1 - fx) * (0.6 + 0.4 * std::sin(5.0 * fy)));
        }
    }
    return image;
}

} // namespace

TEST(GifCodec, PaletteImagesRoundTripExactlyPlainAndInterlaced)
{
    for (bool interlaced : {false, true}) {
        for (int colours : {1, 2, 3, 17, 256}) {
            for (int height : {1, 5, 9, 33}) {
                const QImage source = makeIndexedImage(23, height, colours, unsigned(colours + height));
                WriteOptions options;
                options.gif.interlaced = interlaced;
                const QByteArray bytes = toBytes(encodeImage(source, ImageFormat::Gif, options));
                ASSERT_TRUE(bytes.startsWith("GIF89a"));
                EXPECT_EQ(bytes[10] & 0x07, std::max(0, int(std::ceil(std::log2(std::max(2, colours)))) - 1));
                EXPECT_EQ(bytes[12], 0) << "pixel aspect byte";
                const LoadedImage back = decode(bytes);
                EXPECT_EQ(back.format, ImageFormat::Gif);
                EXPECT_EQ(back.image.format(), QImage::Format_Indexed8);
                EXPECT_TRUE(samePixels(back.image, source)) << colours << " colours, height " << height
                                                            << ", interlaced " << interlaced;
            }
        }
    }
}

TEST(GifCodec, TrueColourImagesAreReducedExactlyOrCloselyWithAndWithoutDither)
{
    // At most 256 colours: exact whatever the dither setting.
    const QImage few = makeIndexedImage(50, 40, 230, 9).convertToFormat(QImage::Format_BGR888);
    for (bool dither : {false, true}) {
        WriteOptions options;
        options.gif.dither = dither;
        EXPECT_TRUE(samePixels(decode(toBytes(encodeImage(few, ImageFormat::Gif, options))).image, few));
    }
    // A photograph-like picture: measured 32.4 dB plain and 29.5 dB dithered (dithering trades
    // pixel accuracy for the average tone).
    const QImage photo = makePhoto(200, 150);
    for (bool dither : {false, true}) {
        WriteOptions options;
        options.gif.dither = dither;
        const QImage back = decode(toBytes(encodeImage(photo, ImageFormat::Gif, options))).image;
        EXPECT_GT(psnr(back, photo), dither ? 27.5 : 30.0) << "dither " << dither;
    }
}

TEST(GifCodec, TransparentPixelsComeBackTransparent)
{
    QImage source(20, 10, QImage::Format_ARGB32);
    source.fill(qRgba(10, 200, 30, 255));
    for (int x = 0; x < 20; x += 3)
        source.setPixel(x, x / 2, qRgba(0, 0, 0, 0));
    const LoadedImage back = decode(toBytes(encodeImage(source, ImageFormat::Gif)));
    ASSERT_EQ(back.image.format(), QImage::Format_ARGB32);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const QRgb want = source.pixel(x, y), got = back.image.pixel(x, y);
            EXPECT_EQ(qAlpha(got), qAlpha(want)) << x << "," << y;
            if (qAlpha(want)) {
                EXPECT_EQ(got, want);
            }
        }
}

TEST(GifCodec, ImageMagickReadsWhatWeWrite)
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("out.gif"));
    WriteOptions options;
    options.gif.interlaced = true;
    writeImageFile(path, makePhoto(71, 43), options);
    const IdentifyResult id = identify(path);
    ASSERT_TRUE(id.ok) << id.error.toStdString();
    EXPECT_EQ(id.format, QStringLiteral("GIF"));
    EXPECT_EQ(id.width, 71);
    EXPECT_EQ(id.height, 43);
    // And decodes the same pixels.
    const QString png = dir.path(QStringLiteral("ref.png"));
    ASSERT_TRUE(runTool(QStringLiteral("convert"), {path, png}).ok());
    EXPECT_TRUE(samePixels(readImageFile(path).image, QImage(png)));
}

TEST(GifCodec, ReadsEveryFrameOfAnImageMagickAnimation)
{
    TempDir dir;
    const QImage a = makeIndexedImage(40, 30, 60, 1), b = makeIndexedImage(21, 11, 30, 2), c = makeIndexedImage(9, 17, 5, 3);
    const QString pa = dir.path(QStringLiteral("a.png")), pb = dir.path(QStringLiteral("b.png")),
                  pc = dir.path(QStringLiteral("c.png")), out = dir.path(QStringLiteral("anim.gif"));
    ASSERT_TRUE(a.save(pa) && b.save(pb) && c.save(pc));
    const ToolResult made = runTool(QStringLiteral("convert"),
                                    {QStringLiteral("-delay"), QStringLiteral("20"), pa, QStringLiteral("-delay"),
                                     QStringLiteral("35"), QStringLiteral("-page"), QStringLiteral("+5+7"), pb,
                                     QStringLiteral("-delay"), QStringLiteral("7"), QStringLiteral("-page"),
                                     QStringLiteral("+30+12"), pc, out});
    ASSERT_TRUE(made.ok()) << made.err.toStdString();
    const ToolResult id = runTool(QStringLiteral("identify"), {QStringLiteral("-format"), QStringLiteral("%w %h %X %Y %T\\n"), out});
    ASSERT_TRUE(id.ok()) << id.err.toStdString();
    const QStringList lines = id.out.trimmed().split(QLatin1Char('\n'));

    const QByteArray bytes = readAll(out);
    const GifAnimation anim = readGifAnimation(viewOf(bytes));
    ASSERT_EQ(anim.frames.size(), 3u);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(anim.screenWidth, 40);
    EXPECT_EQ(anim.screenHeight, 30);
    EXPECT_EQ(anim.loopCount, 0); // ImageMagick's default: repeat forever
    const QImage sources[3] = {a, b, c};
    const int expectedDelay[3] = {20, 35, 7};
    for (int i = 0; i < 3; ++i) {
        const GifFrame& f = anim.frames[std::size_t(i)];
        const QStringList fields = lines[i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        ASSERT_EQ(fields.size(), 5) << lines[i].toStdString();
        EXPECT_EQ(f.image.width(), fields[0].toInt()) << "frame " << i;
        EXPECT_EQ(f.image.height(), fields[1].toInt()) << "frame " << i;
        EXPECT_EQ(f.left, fields[2].toInt()) << "frame " << i;
        EXPECT_EQ(f.top, fields[3].toInt()) << "frame " << i;
        EXPECT_EQ(f.delayCentiseconds, fields[4].toInt()) << "frame " << i;
        EXPECT_EQ(f.delayCentiseconds, expectedDelay[i]);
        EXPECT_EQ(f.image.format(), QImage::Format_Indexed8);
        EXPECT_TRUE(samePixels(f.image, sources[i])) << "frame " << i;
    }
    // The codec reads the first frame.
    EXPECT_TRUE(samePixels(decode(bytes).image, a));
}

TEST(GifCodec, ComposesASmallFirstFrameOnTheScreen)
{
    // A 2x2 frame at (1,1) on a 4x3 screen whose background is palette entry 1 (red).
    const QByteArray gif = QByteArray::fromHex(
        "474946383961" "0400" "0300" "81" "01" "00"   // screen 4x3, global table of 4 entries, background 1
        "000000" "ff0000" "00ff00" "0000ff"
        "2c" "0100" "0100" "0200" "0200" "00"        // image at (1,1), 2x2
        "02" "03" "44" "34" "05" "00" "3b");          // LZW: 2, 3, 2, 3 (clear, 2, 3, 2, 3, end)
    const GifAnimation anim = readGifAnimation(viewOf(gif));
    ASSERT_EQ(anim.frames.size(), 1u);
    const LoadedImage loaded = decode(gif);
    ASSERT_EQ(loaded.image.size(), QSize(4, 3));
    EXPECT_EQ(loaded.image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(loaded.image.pixel(3, 2), qRgb(255, 0, 0));
    EXPECT_EQ(loaded.image.pixel(1, 1), anim.frames[0].image.pixel(0, 0));
    EXPECT_EQ(loaded.image.pixel(2, 2), anim.frames[0].image.pixel(1, 1));
}

TEST(GifCodec, ForgedFilesAreRefusedWithAClearMessage)
{
    QByteArray valid = toBytes(encodeImage(makeIndexedImage(8, 8, 4), ImageFormat::Gif));
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* expected;
    };
    QByteArray huge = valid;
    const int desc = int(valid.indexOf(char(0x2c), 13));
    ASSERT_GT(desc, 0);
    huge[desc + 5] = char(0xa0); huge[desc + 6] = char(0x0f); // width 4000
    huge[desc + 7] = char(0xa0); huge[desc + 8] = char(0x0f); // height 4000
    QByteArray outside = valid;
    outside[desc + 1] = char(0x40); // left = 64, beyond the 8-pixel screen
    const Case cases[] = {
        {"frame larger than its data", huge, "larger than its data"},
        {"frame outside the screen", outside, "outside the logical screen"},
        {"no image", valid.left(desc) + QByteArray(1, char(0x3b)), "contains no image"},
        {"truncated", valid.left(valid.size() - 8), "frame 1"},
    };
    for (const Case& c : cases) {
        try {
            decode(c.bytes, QStringLiteral("forged.gif"));
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const ImageError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find("forged.gif: GIF: "), std::string::npos) << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << c.name << ": " << message;
        }
    }
}

TEST(GifCodec, SurvivesTruncatedAndCorruptedFiles)
{
    checkCorruptInputs(ImageFormat::Gif, toBytes(encodeImage(makeIndexedImage(21, 13, 40), ImageFormat::Gif)));
    WriteOptions interlaced;
    interlaced.gif.interlaced = true;
    checkCorruptInputs(ImageFormat::Gif, toBytes(encodeImage(makePhoto(19, 11), ImageFormat::Gif, interlaced)));

    // An animation, through readGifAnimation: truncations and random byte changes.
    TempDir dir;
    const QString pa = dir.path(QStringLiteral("a.png")), pb = dir.path(QStringLiteral("b.png")),
                  out = dir.path(QStringLiteral("anim.gif"));
    ASSERT_TRUE(makeIndexedImage(16, 12, 20, 1).save(pa) && makeIndexedImage(7, 5, 9, 2).save(pb));
    ASSERT_TRUE(runTool(QStringLiteral("convert"), {QStringLiteral("-delay"), QStringLiteral("10"), pa,
                                                     QStringLiteral("-page"), QStringLiteral("+3+4"), pb, out}).ok());
    const QByteArray valid = readAll(out);
    ASSERT_FALSE(valid.isEmpty());
    auto tryRead = [](const QByteArray& bytes, const char* what, qsizetype detail) {
        try {
            const GifAnimation anim = readGifAnimation(viewOf(bytes));
            ASSERT_FALSE(anim.frames.empty()) << what << " " << detail;
            for (const GifFrame& f : anim.frames) {
                ASSERT_EQ(f.image.format(), QImage::Format_Indexed8) << what << " " << detail;
                EXPECT_LE(f.left + f.image.width(), anim.screenWidth) << what << " " << detail;
                EXPECT_LE(f.top + f.image.height(), anim.screenHeight) << what << " " << detail;
            }
        } catch (const ImageError& e) {
            EXPECT_GT(std::strlen(e.what()), 0u);
        } catch (const std::exception& e) {
            ADD_FAILURE() << what << " " << detail << ": unexpected exception " << e.what();
        }
    };
    for (qsizetype len = 0; len < valid.size(); ++len)
        tryRead(valid.left(len), "truncated to", len);
    std::mt19937 rng(4321);
    for (int i = 0; i < 400; ++i) {
        QByteArray copy = valid;
        for (int c = 0, n = 1 + int(rng() % 8); c < n; ++c)
            copy[qsizetype(rng() % std::size_t(valid.size()))] = char(rng() & 0xff);
        tryRead(copy, "flip round", i);
    }
}
