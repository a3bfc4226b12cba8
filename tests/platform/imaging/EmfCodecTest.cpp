#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "platform/imaging/codecs/Codec.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace fw::imaging;
using namespace fw::test;

namespace {

QByteArray le32(quint32 v)
{
    QByteArray b;
    for (int i = 0; i < 4; ++i)
        b.append(char(v >> (8 * i)));
    return b;
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

TEST(EmfCodec, EnhancedMetafilesAreRecognisedAndRefusedClearly)
{
    TempDir dir;
    for (const char* name : {"drawing.emf", "drawing.bin"}) {
        const QString path = dir.path(QLatin1String(name));
        ASSERT_TRUE(writeAll(path, emf()));
        try {
            readImageFile(path);
            ADD_FAILURE() << name << " was read";
        } catch (const ImageError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(name), std::string::npos) << message;
            EXPECT_NE(message.find("EMF files cannot be read: format not supported"), std::string::npos) << message;
        }
    }
    EXPECT_FALSE(canWrite(ImageFormat::Emf));
    EXPECT_EQ(formatForExtension("emf"), ImageFormat::Emf);
}

TEST(EmfCodec, OtherRecordsAreNotTakenForEnhancedMetafiles)
{
    QByteArray noSignature = emf();
    noSignature[41] = 'X'; // " EXF"
    QByteArray otherRecord = emf();
    otherRecord[0] = 2;
    for (const QByteArray& bytes : {noSignature, otherRecord}) {
        const Codec* codec = sniffCodec(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()), 64));
        EXPECT_TRUE(codec == nullptr || codec->format != ImageFormat::Emf);
    }
}
