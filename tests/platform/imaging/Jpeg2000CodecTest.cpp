#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "platform/imaging/codecs/Codec.h"
#include "support/CodecTestHelpers.h"
#include "support/CorruptInput.h"
#include "support/ExternalTools.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace fw::imaging;
using namespace fw::test;

namespace {

LoadedImage decode(const QByteArray& bytes, const QString& name)
{
    return readImageData(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())),
                         name, formatForPath(name));
}

QImage greyRamp(int width, int height)
{
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 256; ++i)
        table.append(qRgb(i, i, i));
    image.setColorTable(table);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.scanLine(y)[x] = std::uint8_t((x * 7 + y * 13 + (x * y) % 11) & 0xff);
    return image;
}

struct Variant {
    ImageFormat format;
    const char* extension;
};
const Variant kVariants[] = {{ImageFormat::Jp2, "jp2"}, {ImageFormat::J2k, "j2k"}};

} // namespace

TEST(Jpeg2000Codec, LosslessRoundTripIsExactForColourAndGrey)
{
    WriteOptions options;
    options.jpeg2000.lossless = true;
    for (const Variant& v : kVariants) {
        for (QSize size : {QSize(1, 1), QSize(3, 2), QSize(97, 61), QSize(260, 33)}) {
            const QImage colour = makeTestImage(size.width(), size.height(), unsigned(size.width()));
            const QImage grey = greyRamp(size.width(), size.height());
            for (const QImage& source : {colour, grey}) {
                const QString name = QStringLiteral("x.") + QLatin1String(v.extension);
                const LoadedImage back = decode(toBytes(encodeImage(source, v.format, options)), name);
                EXPECT_EQ(back.format, v.format);
                EXPECT_EQ(back.image.format(), source.format()) << v.extension << " " << size.width() << "x" << size.height();
                EXPECT_TRUE(samePixels(back.image, source)) << v.extension << " " << size.width() << "x" << size.height();
            }
        }
    }
}

TEST(Jpeg2000Codec, LossyCompressionMeetsItsRatioWithExpectedQuality)
{
    // The test picture is half noise, which no codec compresses well: the thresholds are the
    // measured quality (38.9 dB at 2:1, 19.1 dB at 20:1) less a margin. A smooth picture at
    // 20:1 must stay close to lossless.
    const QImage noisy = makeTestImage(256, 192);
    QImage smooth(256, 192, QImage::Format_BGR888);
    for (int y = 0; y < smooth.height(); ++y)
        for (int x = 0; x < smooth.width(); ++x)
            smooth.setPixel(x, y, qRgb(x, y, (x + y) / 2));
    struct Case {
        const QImage* image;
        double ratio;
        double minPsnr;
    };
    const Case cases[] = {{&noisy, 2, 37}, {&noisy, 20, 18}, {&smooth, 20, 45}};
    const std::size_t raw = 256u * 192 * 3;
    for (const Variant& v : kVariants) {
        for (const Case& c : cases) {
            WriteOptions options;
            options.jpeg2000.compressionRatio = c.ratio;
            const ByteBuffer bytes = encodeImage(*c.image, v.format, options);
            EXPECT_LT(bytes.size(), std::size_t(double(raw) / c.ratio) + 400) << v.extension << " " << c.ratio;
            const LoadedImage back = decode(toBytes(bytes), QStringLiteral("x.") + QLatin1String(v.extension));
            ASSERT_EQ(back.image.size(), c.image->size());
            const double quality = psnr(back.image, *c.image);
            EXPECT_GT(quality, c.minPsnr) << v.extension << " " << c.ratio;
            if (c.image == &noisy) {
                EXPECT_LT(quality, 100.0) << "lossy mode wrote an exact copy";
            }
        }
    }
}

TEST(Jpeg2000Codec, Jp2RecordsResolutionThatOtherReadersSee)
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("frame.jp2"));
    WriteOptions options;
    options.dpi = {300, 150};
    writeImageFile(path, makeTestImage(64, 48), options);
    const LoadedImage back = readImageFile(path);
    EXPECT_NEAR(back.dpi.x, 300, 0.05);
    EXPECT_NEAR(back.dpi.y, 150, 0.05);

    const IdentifyResult id = identify(path);
    ASSERT_TRUE(id.ok) << id.error.toStdString();
    EXPECT_EQ(id.width, 64);
    EXPECT_EQ(id.height, 48);

    // exiftool reads the capture resolution box in pixels per metre.
    const ToolResult exif = runTool(QStringLiteral("exiftool"), {QStringLiteral("-s"), QStringLiteral("-n"), path});
    ASSERT_TRUE(exif.ok()) << exif.err.toStdString();
    auto field = [&](const QString& name) {
        for (const QString& line : exif.out.split(QLatin1Char('\n'))) {
            const QStringList parts = line.split(QLatin1Char(':'));
            if (parts.size() == 2 && parts[0].trimmed() == name)
                return parts[1].trimmed().toDouble();
        }
        return -1.0;
    };
    EXPECT_NEAR(field(QStringLiteral("CaptureXResolution")) * 0.0254, 300, 0.05) << exif.out.toStdString();
    EXPECT_NEAR(field(QStringLiteral("CaptureYResolution")) * 0.0254, 150, 0.05) << exif.out.toStdString();

    // J2K code streams have nowhere to keep a resolution.
    const LoadedImage stream = decode(toBytes(encodeImage(makeTestImage(8, 8), ImageFormat::J2k, options)), QStringLiteral("x.j2k"));
    EXPECT_FALSE(stream.dpi.known());
}

TEST(Jpeg2000Codec, ReadsDisplayResolutionWhenNoCaptureResolution)
{
    WriteOptions options;
    options.dpi = {72, 72};
    QByteArray bytes = toBytes(encodeImage(makeTestImage(16, 16), ImageFormat::Jp2, options));
    const qsizetype at = bytes.indexOf("resc");
    ASSERT_GT(at, 0);
    bytes[at + 3] = 'd';
    EXPECT_NEAR(decode(bytes, QStringLiteral("x.jp2")).dpi.x, 72, 0.05);
    // A damaged resolution box loses the resolution only.
    bytes[at - 4] = char(0x7f);
    const LoadedImage damaged = decode(bytes, QStringLiteral("x.jp2"));
    EXPECT_FALSE(damaged.dpi.known());
    EXPECT_EQ(damaged.image.size(), QSize(16, 16));
}

TEST(Jpeg2000Codec, ReadsWhatImageMagickWrites)
{
    TempDir dir;
    const QString source = dir.path(QStringLiteral("source.png"));
    ASSERT_TRUE(makeTestImage(45, 31).save(source));
    QImage grey = makeTestImage(45, 31).convertToFormat(QImage::Format_Grayscale8);
    const QString greySource = dir.path(QStringLiteral("grey.png"));
    ASSERT_TRUE(grey.save(greySource));
    QImage alpha = makeTestImage(45, 31).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < alpha.height(); ++y)
        for (int x = 0; x < alpha.width(); ++x)
            alpha.setPixel(x, y, (alpha.pixel(x, y) & 0xffffff) | uint((x * 5) & 0xff) << 24);
    const QString alphaSource = dir.path(QStringLiteral("alpha.png"));
    ASSERT_TRUE(alpha.save(alphaSource));
    struct Case {
        const char* name;
        QString input;
        QStringList args;
        QImage::Format expected;
    };
    const Case cases[] = {
        {"rgb.jp2", source, {}, QImage::Format_BGR888},
        {"rgb.j2k", source, {}, QImage::Format_BGR888},
        {"grey.jp2", greySource, {}, QImage::Format_Indexed8},
        {"alpha.jp2", alphaSource, {}, QImage::Format_ARGB32},
        {"deep.jp2", source, {QStringLiteral("-depth"), QStringLiteral("16")}, QImage::Format_BGR888},
    };
    for (const Case& c : cases) {
        const QString out = dir.path(QLatin1String(c.name));
        const ToolResult t = runTool(QStringLiteral("convert"), QStringList{c.input} + c.args + QStringList{out});
        ASSERT_TRUE(t.ok()) << c.name << ": " << t.err.toStdString();
        const QString ref = dir.path(QStringLiteral("%1-ref.png").arg(QLatin1String(c.name)));
        ASSERT_TRUE(runTool(QStringLiteral("convert"), {out, QStringLiteral("-depth"), QStringLiteral("8"), ref}).ok());
        const LoadedImage mine = readImageFile(out);
        EXPECT_EQ(mine.image.format(), c.expected) << c.name;
        const QImage reference(ref);
        ASSERT_EQ(mine.image.size(), reference.size()) << c.name;
        EXPECT_GT(psnr(mine.image, reference), 40.0) << c.name;
        if (c.expected == QImage::Format_ARGB32) {
            EXPECT_EQ(qAlpha(mine.image.pixel(20, 3)), 100) << c.name;
        }
    }
}

TEST(Jpeg2000Codec, UpsamplesSubsampledChroma)
{
    // FFmpeg's encoder writes 4:2:0 YCbCr components labelled sYCC.
    TempDir dir;
    const QString source = dir.path(QStringLiteral("source.png"));
    QImage smooth(46, 30, QImage::Format_BGR888);
    for (int y = 0; y < smooth.height(); ++y)
        for (int x = 0; x < smooth.width(); ++x)
            smooth.setPixel(x, y, qRgb(x * 5, 200 - y * 6, 60 + (x + y) * 2));
    ASSERT_TRUE(smooth.save(source));
    for (const char* name : {"sub.jp2", "sub.j2k"}) {
        const QString out = dir.path(QLatin1String(name));
        const ToolResult t = runTool(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                                                                 QStringLiteral("-i"), source, QStringLiteral("-c:v"), QStringLiteral("jpeg2000"),
                                                                 QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-pred"),
                                                                 QStringLiteral("1"), out});
        ASSERT_TRUE(t.ok()) << t.err.toStdString();
        const LoadedImage mine = readImageFile(out);
        ASSERT_EQ(mine.image.size(), smooth.size()) << name;
        const double quality = psnr(mine.image, smooth);
        // FFmpeg stores studio-range values under the full-range sYCC label, which costs a few
        // levels of contrast (measured 30.9 dB); misplaced chroma would cost far more.
        EXPECT_GT(quality, 29.0) << name;
    }
}

TEST(Jpeg2000Codec, ForgedImageSizesAreRefusedBeforeDecoding)
{
    for (const Variant& v : kVariants) {
        const QByteArray valid = toBytes(encodeImage(makeTestImage(8, 8), v.format));
        const qsizetype siz = valid.indexOf(QByteArray("\xFF\x4F\xFF\x51", 4));
        ASSERT_GE(siz, 0);
        // A huge image in one huge tile, consistent everywhere so that only the size is wrong.
        for (QSize forged : {QSize(1 << 20, 8), QSize(8, 1 << 20), QSize(60000, 60000)}) {
            QByteArray bad = valid;
            auto put32 = [&](qsizetype at, quint32 value) {
                for (int i = 0; i < 4; ++i)
                    bad[at + i] = char(value >> (24 - 8 * i));
            };
            put32(siz + 8, quint32(forged.width())); // Xsiz, Ysiz, then XTsiz, YTsiz
            put32(siz + 12, quint32(forged.height()));
            put32(siz + 24, quint32(forged.width()));
            put32(siz + 28, quint32(forged.height()));
            if (const qsizetype ihdr = bad.indexOf("ihdr"); v.format == ImageFormat::Jp2) {
                ASSERT_GT(ihdr, 0);
                put32(ihdr + 4, quint32(forged.height()));
                put32(ihdr + 8, quint32(forged.width()));
            }
            try {
                decode(bad, QStringLiteral("forged.") + QLatin1String(v.extension));
                ADD_FAILURE() << v.extension << ": accepted a forged size " << forged.width() << "x" << forged.height();
            } catch (const ImageError& e) {
                const std::string message = e.what();
                EXPECT_NE(message.find("forged."), std::string::npos) << message;
                EXPECT_NE(message.find("exceeds the supported maximum"), std::string::npos) << message;
            }
        }
    }
}

TEST(Jpeg2000Codec, SignaturesDecideTheFormat)
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("frame.dat"));
    writeImageFile(path, makeTestImage(9, 9), ImageFormat::J2k);
    EXPECT_EQ(readImageFile(path).format, ImageFormat::J2k);
    writeImageFile(path, makeTestImage(9, 9), ImageFormat::Jp2);
    EXPECT_EQ(readImageFile(path).format, ImageFormat::Jp2);
    for (const char* ext : {"jpx", "jpf"})
        EXPECT_EQ(formatForExtension(ext), ImageFormat::Jp2);
    for (const char* ext : {"j2c", "jpc"})
        EXPECT_EQ(formatForExtension(ext), ImageFormat::J2k);
}

TEST(Jpeg2000Codec, SurvivesTruncatedAndCorruptedFiles)
{
    WriteOptions options;
    options.jpeg2000.lossless = true;
    checkCorruptInputs(ImageFormat::Jp2, toBytes(encodeImage(makeTestImage(13, 11), ImageFormat::Jp2, options)), 300);
    checkCorruptInputs(ImageFormat::J2k, toBytes(encodeImage(makeTestImage(13, 11), ImageFormat::J2k)), 300);
}
