#include "platform/media/AviHeader.h"
#include "platform/media/MediaPlayer.h"
#include "support/MediaFixtures.h"
#include "support/TestImages.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <random>

using namespace fw::media;
using namespace fw::test;

namespace {

std::uint32_t countOf(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return aviVideoFrameCount(buffer);
}

QByteArray le32(std::uint32_t v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xff);
    return b;
}

QByteArray chunk(const char* id, const QByteArray& data)
{
    QByteArray c = QByteArray(id, 4) + le32(std::uint32_t(data.size())) + data;
    if (data.size() % 2)
        c += '\0';
    return c;
}

QByteArray list(const char* type, const QByteArray& children) { return chunk("LIST", QByteArray(type, 4) + children); }

QByteArray strh(const char* type, std::uint32_t length)
{
    QByteArray h(56, '\0');
    h.replace(0, 4, QByteArray(type, 4));
    h.replace(32, 4, le32(length));
    return chunk("strh", h);
}

QByteArray avi(const QByteArray& hdrlChildren, const QByteArray& tail = {})
{
    const QByteArray body = QByteArray("AVI ", 4) + list("hdrl", chunk("avih", QByteArray(56, '\0')) + hdrlChildren) + tail;
    return QByteArray("RIFF", 4) + le32(std::uint32_t(body.size())) + body;
}

} // namespace

TEST(AviHeader, ReadsTheLengthOfTheFirstVideoStream)
{
    const struct {
        const char* what;
        QByteArray bytes;
        std::uint32_t expected;
    } cases[] = {
        {"video only", avi(list("strl", strh("vids", 1500) + chunk("strf", QByteArray(40, '\0')))), 1500},
        {"sound first", avi(list("strl", strh("auds", 99)) + list("strl", strh("vids", 42)) + list("strl", strh("vids", 7))), 42},
        {"odd-sized junk between", avi(chunk("JUNK", QByteArray(3, 'x')) + list("strl", strh("vids", 12))), 12},
        {"no video stream", avi(list("strl", strh("auds", 99))), 0},
        {"video header after the data", avi({}, list("movi", {}) + list("hdrl", list("strl", strh("vids", 5)))), 0},
        {"short stream header", avi(list("strl", chunk("strh", QByteArray("vids", 4) + QByteArray(20, '\0')))), 0},
        {"not RIFF", QByteArray("RIFX") + avi(list("strl", strh("vids", 3))).mid(4), 0},
        {"RIFF WAVE", QByteArray("RIFF\x04\0\0\0WAVE", 12), 0},
        {"empty", QByteArray(), 0},
        {"list claiming 4 GB", QByteArray("RIFF\xff\xff\xff\xff" "AVI LIST\xff\xff\xff\xff" "hdrl", 24), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(countOf(c.bytes), c.expected) << c.what;
}

TEST(AviHeader, DamagedFilesNeverCrashAndTruncatedHeadersGiveZero)
{
    QString error;
    const QString path = mediaFixture(QStringLiteral("clip.avi"), &error);
    ASSERT_FALSE(path.isEmpty()) << error.toStdString();
    const QByteArray valid = readAll(path);
    const std::uint32_t count = countOf(valid);
    ASSERT_EQ(count, 100u);
    EXPECT_EQ(aviVideoFrameCount(path), 100u);
    EXPECT_EQ(aviVideoFrameCount(path + QStringLiteral(".missing")), 0u);

    // Cut before the end of the video stream header: nothing to read.
    const qsizetype strhAt = valid.indexOf("strh");
    ASSERT_GT(strhAt, 0);
    for (qsizetype n = 0; n < strhAt + 8 + 36; ++n)
        ASSERT_EQ(countOf(valid.left(n)), 0u) << n;
    // Cut anywhere after it: the header is still whole.
    for (qsizetype n = strhAt + 8 + 36; n < valid.size(); n += 997)
        ASSERT_EQ(countOf(valid.left(n)), count) << n;

    // Random damage in the headers: any answer, but no crash, no hang, no read out of bounds.
    std::mt19937 random(7);
    const int headerBytes = int(std::min<qsizetype>(valid.size(), 4096));
    for (int i = 0; i < 3000; ++i) {
        QByteArray bytes = valid.left(headerBytes + int(random() % 2048));
        for (int flips = 1 + int(random() % 4); flips > 0; --flips)
            bytes[random() % std::uint32_t(headerBytes)] = char(random());
        countOf(bytes);
    }
}
