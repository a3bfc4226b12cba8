#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "platform/imaging/codecs/Codec.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace fw::imaging;
using namespace fw::test;

namespace {

QByteArray le16(int v) { return QByteArray(1, char(v & 0xff)) + QByteArray(1, char(v >> 8 & 0xff)); }
QByteArray le32(quint32 v) { return le16(int(v & 0xffff)) + le16(int(v >> 16)); }

QByteArray standardWmf()
{
    // Type 1 (memory), header of 9 words, version 0x300, then one EOF record.
    return le16(1) + le16(9) + le16(0x300) + le32(12) + le16(0) + le32(3) + le16(0) + le32(3) + le16(0) + le16(0);
}

QByteArray placeableWmf()
{
    return le32(0x9AC6CDD7) + le16(0) + le16(0) + le16(0) + le16(100) + le16(100) + le16(1440) + le32(0) + le16(0)
           + standardWmf();
}

QByteArray emf()
{
    QByteArray b = le32(1) + le32(108);
    b += QByteArray(32, '\0'); // bounds and frame
    b += " EMF";
    b += QByteArray(108 - b.size(), '\0');
    return b;
}

} // namespace

TEST(MetafileCodec, MetafilesAreRecognisedAndRefusedClearly)
{
    TempDir dir;
    struct Case {
        QByteArray bytes;
        const char* name;
        ImageFormat format;
        const char* expected;
    };
    const Case cases[] = {
        {standardWmf(), "drawing.wmf", ImageFormat::Wmf, "WMF files cannot be read: format not supported"},
        {placeableWmf(), "drawing.apm", ImageFormat::Wmf, "WMF files cannot be read: format not supported"},
        {emf(), "drawing.emf", ImageFormat::Emf, "EMF files cannot be read: format not supported"},
        // The content decides, whatever the name.
        {placeableWmf(), "drawing.bin", ImageFormat::Wmf, "WMF files cannot be read: format not supported"},
        {emf(), "drawing.bin", ImageFormat::Emf, "EMF files cannot be read: format not supported"},
    };
    for (const Case& c : cases) {
        const Codec* codec = sniffCodec(ByteView(reinterpret_cast<const std::uint8_t*>(c.bytes.constData()),
                                                 std::size_t(std::min<qsizetype>(c.bytes.size(), 64))));
        ASSERT_NE(codec, nullptr) << c.name;
        EXPECT_EQ(codec->format, c.format) << c.name;
        const QString path = dir.path(QLatin1String(c.name));
        ASSERT_TRUE(writeAll(path, c.bytes));
        try {
            readImageFile(path);
            ADD_FAILURE() << c.name << " was read";
        } catch (const ImageError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(c.name), std::string::npos) << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << message;
        }
    }
    EXPECT_FALSE(canWrite(ImageFormat::Wmf));
    EXPECT_FALSE(canWrite(ImageFormat::Emf));
}

TEST(MetafileCodec, SimilarHeadersAreNotTakenForMetafiles)
{
    QByteArray wrongSize = standardWmf();
    wrongSize[2] = 8;          // header size other than 9 words
    QByteArray noSignature = emf();
    noSignature[41] = 'X';     // " EXF"
    for (const QByteArray& bytes : {wrongSize, noSignature}) {
        const Codec* codec = sniffCodec(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())));
        EXPECT_TRUE(codec == nullptr || (codec->format != ImageFormat::Wmf && codec->format != ImageFormat::Emf));
    }
}
