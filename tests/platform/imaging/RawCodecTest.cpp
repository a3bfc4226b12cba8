#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "platform/imaging/codecs/Codec.h"
#include "support/CorruptInput.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace fw::imaging;
using namespace fw::test;

namespace {

/// A minimal little-endian TIFF writer: one IFD, tags sorted by number, one strip.
class TinyTiff {
public:
    void shorts(std::uint16_t tag, std::vector<std::uint16_t> values)
    {
        QByteArray b;
        for (auto v : values)
            put(b, v, 2);
        entries_[tag] = {3, std::uint32_t(values.size()), b};
    }
    void longs(std::uint16_t tag, std::vector<std::uint32_t> values)
    {
        QByteArray b;
        for (auto v : values)
            put(b, v, 4);
        entries_[tag] = {4, std::uint32_t(values.size()), b};
    }
    void bytes(std::uint16_t tag, std::vector<std::uint8_t> values)
    {
        QByteArray b;
        for (auto v : values)
            b.append(char(v));
        entries_[tag] = {1, std::uint32_t(values.size()), b};
    }
    void ascii(std::uint16_t tag, const char* text)
    {
        QByteArray b(text);
        b.append('\0');
        entries_[tag] = {2, std::uint32_t(b.size()), b};
    }
    /// type 5 (RATIONAL) or 10 (SRATIONAL), denominator 10000.
    void rationals(std::uint16_t tag, std::uint16_t type, std::vector<double> values)
    {
        QByteArray b;
        for (double v : values) {
            put(b, std::uint32_t(std::int32_t(std::lround(v * 10000))), 4);
            put(b, 10000, 4);
        }
        entries_[tag] = {type, std::uint32_t(values.size()), b};
    }

    QByteArray build(const QByteArray& strip)
    {
        longs(273, {0}); // placeholders, fixed below
        longs(279, {std::uint32_t(strip.size())});
        const std::uint32_t ifdSize = 2 + 12 * std::uint32_t(entries_.size()) + 4;
        std::uint32_t dataAt = 8 + ifdSize;
        std::uint32_t extra = 0;
        for (auto& [tag, e] : entries_)
            if (e.data.size() > 4)
                extra += std::uint32_t(e.data.size() + (e.data.size() & 1));
        longs(273, {dataAt + extra});
        QByteArray out("II*\0", 4);
        put(out, 8, 4);
        put(out, std::uint32_t(entries_.size()), 2);
        QByteArray data;
        for (auto& [tag, e] : entries_) {
            put(out, tag, 2);
            put(out, e.type, 2);
            put(out, e.count, 4);
            if (e.data.size() <= 4) {
                out.append(e.data.leftJustified(4, '\0'));
            } else {
                put(out, dataAt + std::uint32_t(data.size()), 4);
                data.append(e.data);
                if (data.size() & 1)
                    data.append('\0');
            }
        }
        put(out, 0, 4);
        return out + data + strip;
    }

private:
    struct Entry {
        std::uint16_t type;
        std::uint32_t count;
        QByteArray data;
    };
    static void put(QByteArray& b, std::uint32_t v, int size)
    {
        for (int i = 0; i < size; ++i)
            b.append(char(v >> (8 * i)));
    }
    std::map<std::uint16_t, Entry> entries_;
};

/// A 16-bit RGGB colour filter array DNG: red on the left half, blue on the right half.
QByteArray makeDng(int width, int height)
{
    QByteArray strip;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int site = (y & 1) * 2 + (x & 1); // 0 R, 1 G, 2 G, 3 B
            const bool left = x < width / 2;
            std::uint16_t v = 2000;
            if ((site == 0 && left) || (site == 3 && !left))
                v = 50000;
            strip.append(char(v & 0xff));
            strip.append(char(v >> 8));
        }
    }
    TinyTiff t;
    t.longs(254, {0});
    t.longs(256, {std::uint32_t(width)});
    t.longs(257, {std::uint32_t(height)});
    t.shorts(258, {16});
    t.shorts(259, {1});
    t.shorts(262, {32803});
    t.ascii(271, "Framewell");
    t.ascii(272, "Test CFA");
    t.shorts(274, {1});
    t.shorts(277, {1});
    t.longs(278, {std::uint32_t(height)});
    t.shorts(284, {1});
    t.shorts(33421, {2, 2});
    t.bytes(33422, {0, 1, 1, 2});
    t.bytes(50706, {1, 4, 0, 0});
    t.ascii(50708, "Framewell Test CFA");
    t.longs(50717, {65535});
    // Camera space = linear sRGB: the XYZ to linear sRGB matrix.
    t.rationals(50721, 10, {3.2406, -1.5372, -0.4986, -0.9689, 1.8758, 0.0415, 0.0557, -0.2040, 1.0570});
    t.rationals(50728, 5, {1, 1, 1});
    t.shorts(50778, {21});
    return t.build(strip);
}

LoadedImage decode(const QByteArray& bytes, const QString& name)
{
    return readImageData(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())),
                         name, formatForPath(name));
}

double redness(const QImage& image, int x0, int x1)
{
    double sum = 0;
    int n = 0;
    for (int y = 4; y < image.height() - 4; ++y)
        for (int x = x0; x < x1; ++x, ++n)
            sum += qRed(image.pixel(x, y)) - qBlue(image.pixel(x, y));
    return sum / n;
}

} // namespace

TEST(RawCodec, DecodesAColourFilterArrayDng)
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("shot.dng"));
    ASSERT_TRUE(writeAll(path, makeDng(64, 48)));
    const LoadedImage loaded = readImageFile(path);
    EXPECT_EQ(loaded.format, ImageFormat::Raw);
    EXPECT_EQ(loaded.image.format(), QImage::Format_BGR888);
    ASSERT_EQ(loaded.image.size(), QSize(64, 48));
    EXPECT_FALSE(loaded.dpi.known());
    // Away from the borders and the seam, the left half is red and the right half blue.
    EXPECT_GT(redness(loaded.image, 4, 28), 100);
    EXPECT_LT(redness(loaded.image, 36, 60), -100);
}

TEST(RawCodec, ExtensionsAndRejection)
{
    for (const char* ext : {"cr2", "nef", "arw", "orf", "raf", "rw2", "dng", "pef", "x3f", "iiq"})
        EXPECT_EQ(formatForExtension(ext), ImageFormat::Raw) << ext;
    EXPECT_FALSE(canWrite(ImageFormat::Raw));
    // A TIFF header that is not a camera file gives LibRaw's reason, prefixed with the name.
    QByteArray notRaw("II*\0\x08\0\0\0\0\0\0\0\0\0\0\0", 16);
    try {
        decode(notRaw, QStringLiteral("broken.nef"));
        ADD_FAILURE() << "accepted a file without an image";
    } catch (const ImageError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("broken.nef"), std::string::npos) << message;
        EXPECT_NE(message.find("cannot decode the camera RAW file"), std::string::npos) << message;
    }
}

TEST(RawCodec, ForgedSizesAreRefused)
{
    // ImageWidth and ImageLength are the second and third IFD entries (values at 8 + 2 + 12k + 8).
    struct Case {
        std::uint32_t width, height;
        const char* expected;
    };
    const Case cases[] = {
        {60000, 60000, "exceeds the supported maximum"}, // plausible for LibRaw, too large for us
        {0x7f0010, 16, "cannot decode the camera RAW file"}, // LibRaw refuses it itself
    };
    for (const Case& c : cases) {
        QByteArray dng = makeDng(16, 16);
        for (int entry = 1; entry <= 2; ++entry) {
            const int at = 8 + 2 + 12 * entry + 8;
            ASSERT_EQ(dng[at], char(16));
            const std::uint32_t v = entry == 1 ? c.width : c.height;
            for (int i = 0; i < 4; ++i)
                dng[at + i] = char(v >> (8 * i));
        }
        try {
            decode(dng, QStringLiteral("forged.dng"));
            ADD_FAILURE() << "accepted " << c.width << "x" << c.height;
        } catch (const ImageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
        }
    }
}

TEST(RawCodec, SurvivesTruncatedAndCorruptedFiles)
{
    // Missing pixel data is an error, not a picture half made up.
    const QByteArray dng = makeDng(32, 24);
    try {
        decode(dng.left(dng.size() - 600), QStringLiteral("cut.dng"));
        ADD_FAILURE() << "accepted a truncated file";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("cut.dng: camera RAW: "), std::string::npos) << e.what();
    }
    checkCorruptInputs(ImageFormat::Raw, makeDng(16, 12), 200);
}
