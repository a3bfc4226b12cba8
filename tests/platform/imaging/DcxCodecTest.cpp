#include "platform/imaging/ImageFile.h"
#include "support/CodecTestHelpers.h"
#include "support/CorruptInput.h"

#include <gtest/gtest.h>

using namespace fw::imaging;
using namespace fw::test;

TEST(DcxCodec, ReadsTheFirstPageOfWhatImageMagickWrites)
{
    TempDir dir;
    const QString first = dir.path(QStringLiteral("first.png"));
    const QString second = dir.path(QStringLiteral("second.png"));
    ASSERT_TRUE(makeTestImage(37, 23).save(first));
    ASSERT_TRUE(makeIndexedImage(20, 10, 50).save(second));
    struct Case {
        const char* name;
        QStringList args;
    };
    const Case cases[] = {
        {"colour", {first, second}},
        {"palette", {first, QStringLiteral("-colors"), QStringLiteral("100"), second}},
    };
    for (const Case& c : cases) {
        const QString path = dir.path(QStringLiteral("%1.dcx").arg(QLatin1String(c.name)));
        ASSERT_TRUE(magick(c.args + QStringList{path}));
        const LoadedImage mine = readImageFile(path);
        EXPECT_EQ(mine.format, ImageFormat::Dcx);
        EXPECT_EQ(mine.image.size(), QSize(37, 23));
        EXPECT_TRUE(samePixels(mine.image, magickReference(dir, path))) << c.name;
        // The content decides: a DCX file under another name still reads as DCX.
        EXPECT_EQ(decodeNamed(readAll(path), QStringLiteral("page.pcx")).format, ImageFormat::Dcx);
    }
}

TEST(DcxCodec, ForgedPageTablesAreRefused)
{
    TempDir dir;
    const QString src = dir.path(QStringLiteral("s.png"));
    const QString path = dir.path(QStringLiteral("s.dcx"));
    ASSERT_TRUE(makeTestImage(12, 7).save(src));
    ASSERT_TRUE(magick({src, path}));
    const QByteArray valid = readAll(path);
    struct Case {
        int offset;
        quint32 value;
        const char* expected;
    };
    const Case cases[] = {
        {4, 0, "holds no pages"},
        {4, 0x7ffffff0, "lies outside the file"},
        {4, 2, "lies outside the file"},                    // inside the table itself
        {4, quint32(valid.size() - 10), "not a PCX file"},
    };
    for (const Case& c : cases) {
        QByteArray bad = valid;
        patchLe(bad, c.offset, c.value, 4);
        expectRefused(bad, QStringLiteral("forged.dcx"), c.expected, c.expected);
    }
    checkCorruptInputs(ImageFormat::Dcx, valid);
}
