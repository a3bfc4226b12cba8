#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "platform/imaging/codecs/Codec.h"
#include "support/TestImages.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <cctype>
#include <set>

using namespace fw::imaging;
using namespace fw::test;

TEST(CodecRegistry, ExtensionsAreUniqueLowerCaseAndFoundInAnyCase)
{
    std::set<std::string_view> seen;
    for (const Codec& codec : allCodecs()) {
        EXPECT_FALSE(codec.extensions.empty()) << codec.name;
        EXPECT_TRUE(codec.read || codec.write) << codec.name;
        for (std::string_view ext : codec.extensions) {
            EXPECT_TRUE(seen.insert(ext).second) << "extension claimed twice: " << ext;
            std::string upper(ext);
            for (char& c : upper)
                c = char(std::toupper(static_cast<unsigned char>(c)));
            EXPECT_EQ(formatForExtension(ext), codec.format) << ext;
            EXPECT_EQ(formatForExtension("." + upper), codec.format) << upper;
            EXPECT_EQ(formatForPath(QStringLiteral("/a.b/photo.") + QString::fromStdString(upper)), codec.format);
        }
    }
    EXPECT_EQ(formatForExtension("orbek"), ImageFormat::Unknown);
    EXPECT_EQ(formatForPath(QStringLiteral("noextension")), ImageFormat::Unknown);
}

TEST(CodecRegistry, EveryReadableWrittenFormatReadsBackUnderItsOwnAndAForeignName)
{
    TempDir dir;
    const QImage image = makeTestImage(24, 16);
    for (const Codec& codec : allCodecs()) {
        if (!codec.write || !codec.read)
            continue;
        const QString ext = QString::fromUtf8(codec.extensions.front().data(), qsizetype(codec.extensions.front().size()));
        const QString path = dir.path(QStringLiteral("image.") + ext.toUpper());
        writeImageFile(path, image);
        const LoadedImage own = readImageFile(path);
        EXPECT_EQ(own.format, codec.format) << codec.name;
        EXPECT_EQ(own.image.size(), image.size()) << codec.name;
        // A signature identifies the file whatever it is called; formats without one need their extension.
        if (codec.sniff) {
            const QString renamed = dir.path(QStringLiteral("frame.orbek"));
            QFile::remove(renamed);
            ASSERT_TRUE(QFile::copy(path, renamed));
            try {
                EXPECT_EQ(readImageFile(renamed).format, codec.format) << codec.name;
            } catch (const ImageError& e) {
                ADD_FAILURE() << codec.name << ": " << e.what();
            }
        }
    }
}

TEST(CodecRegistry, UnreadableAndUnknownFilesGiveAClearMessageNamingTheFile)
{
    TempDir dir;
    const struct {
        const char* name;
        QByteArray content;
        const char* expected;
    } cases[] = {
        {"notes.txt", QByteArray("just some words, not an image"), "notes.txt: unknown image format (format not supported)"},
        {"empty.png", QByteArray(), "empty.png: the file is empty"},
        {"mystery.orbek", QByteArray(64, '\x11'), "mystery.orbek: unknown image format"},
    };
    for (const auto& c : cases) {
        const QString path = dir.path(QLatin1String(c.name));
        ASSERT_TRUE(writeAll(path, c.content));
        try {
            readImageFile(path);
            ADD_FAILURE() << c.name << " was read";
        } catch (const ImageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(readImageFile(dir.path(QStringLiteral("absent.bmp"))), ImageError);
    EXPECT_THROW(writeImageFile(dir.path(QStringLiteral("out.unknown")), makeTestImage(2, 2)), ImageError);
    EXPECT_FALSE(QFileInfo::exists(dir.path(QStringLiteral("out.unknown"))));
}
