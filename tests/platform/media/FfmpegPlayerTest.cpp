#include "platform/media/MediaPlayer.h"
#include "platform/media/RangePlan.h"
#include "support/MediaFixtures.h"
#include "support/ExternalTools.h"
#include "support/TestImages.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace fw::media;
using namespace fw::test;

namespace {

/// The same decoded frame converted to RGB by ffmpeg's PNG path and by the player; a
/// neighbouring frame of the moving pattern scores below 25 dB, the wrong colour matrix
/// (BT.601 for BT.709 video) about 29 dB.
constexpr double kSameFramePsnr = 40.0;

std::unique_ptr<MediaPlayer> openPlayer(const QString& path, bool audio = false)
{
    auto player = createPlayer();
    player->setInputFile(path);
    player->setFrameGrabbing(true);
    player->setRenderAudio(audio);
    return player;
}

MediaTime seconds(double s) { return MediaTime(std::llround(s * kUnitsPerSecond)); }

QString fixtureOrFail(const char* name)
{
    QString error;
    const QString path = mediaFixture(QString::fromLatin1(name), &error);
    EXPECT_FALSE(path.isEmpty()) << error.toStdString();
    return path;
}

} // namespace

TEST(FfmpegPlayer, SeekShowsTheFrameWhoseIntervalHoldsTheTime)
{
    // Frame numbers to visit, in this order: forward steps inside a GOP (decoded forward),
    // jumps back, leading B-frames of open GOPs (just before and after keyframes), the end.
    const std::vector<double> frames = {0, 1, 2, 5, 11, 12, 13, 14, 40, 3, 29, 30, 31, 47, 48, 61, 60, 23, 35, 97, 98, 99, 88, 50.5};
    for (const char* name : {"clip.avi", "clip.divx", "clip.mpg", "clip.dat", "bframes.mp4", "bframes.mkv", "silent.avi", "bt709.mp4"}) {
        SCOPED_TRACE(name);
        const QString path = fixtureOrFail(name);
        ASSERT_FALSE(path.isEmpty());
        const ReferenceFrames ref = referenceFrames(path);
        ASSERT_TRUE(ref.ok()) << ref.error.toStdString();
        auto player = openPlayer(path);
        ASSERT_TRUE(player->connectPlayer()) << player->lastError().toStdString();
        EXPECT_EQ(player->state(), PlayerState::Paused);
        const int last = int(ref.times.size()) - 1;
        std::vector<double> times;
        for (double f : frames) {
            const int k = std::min(int(f), last);
            // A third of the way into frame k (or into the half-frame given).
            const double next = k < last ? ref.times[size_t(k + 1)] : ref.times[size_t(k)] + 0.04;
            times.push_back(ref.times[size_t(k)] + (next - ref.times[size_t(k)]) * (f - int(f) > 0 ? f - int(f) : 0.3));
        }
        times.push_back(double(player->duration() - 1) / kUnitsPerSecond); // just before the end
        for (double t : times) {
            const MediaTime target = std::min(seconds(t), player->duration());
            ASSERT_TRUE(player->seekAndWait(target)) << t;
            EXPECT_EQ(player->position(), target) << t;
            const int k = ref.indexAt(t);
            const QImage got = player->currentFrame();
            const QImage want = ref.image(k);
            ASSERT_EQ(got.size(), want.size()) << t;
            EXPECT_GT(psnr(got, want), kSameFramePsnr) << "at " << t << " s, frame " << k;
        }
    }
}

TEST(FfmpegPlayer, PicturesAreUprightAndAtTheirDisplayAspectRatio)
{
    {
        const QString path = fixtureOrFail("portrait.mp4");
        auto player = openPlayer(path);
        ASSERT_TRUE(player->connectPlayer()) << player->lastError().toStdString();
        ASSERT_TRUE(player->seekAndWait(seconds(1.01)));
        const QImage got = player->currentFrame();
        EXPECT_EQ(got.size(), QSize(120, 160));
        // ffmpeg turns the picture the same way when it writes a PNG.
        const ReferenceFrames ref = referenceFrames(path);
        ASSERT_TRUE(ref.ok()) << ref.error.toStdString();
        EXPECT_GT(psnr(got, ref.image(ref.indexAt(1.01))), kSameFramePsnr);
    }
    {
        const QString path = fixtureOrFail("anamorphic.mpg");
        auto player = openPlayer(path);
        ASSERT_TRUE(player->connectPlayer()) << player->lastError().toStdString();
        // 160 pixels 4:3 wide each show as 213 square ones.
        EXPECT_EQ(player->currentFrame().size(), QSize(213, 120));
        ASSERT_TRUE(player->seekAndWait(seconds(1.5)));
        EXPECT_EQ(player->currentFrame().size(), QSize(213, 120));
    }
}

TEST(FfmpegPlayer, FrameCountsComeFromTheContainerOrTheFrameRate)
{
    for (const char* name : {"clip.avi", "clip.divx", "bframes.mp4", "silent.avi", "portrait.mp4"}) {
        SCOPED_TRACE(name);
        const QString path = fixtureOrFail(name);
        const long long probed = probeFrameCount(path);
        ASSERT_GT(probed, 0);
        auto player = openPlayer(path);
        ASSERT_TRUE(player->connectPlayer());
        EXPECT_EQ(player->frameCount(), probed);
        if (path.endsWith(QLatin1String(".avi")) || path.endsWith(QLatin1String(".divx")))
            EXPECT_EQ(aviVideoFrameCount(path), std::uint32_t(probed));
        else
            EXPECT_EQ(aviVideoFrameCount(path), 0u);
    }
    // Program streams carry no count: it follows from the constant rate and the length.
    for (const char* name : {"clip.mpg", "clip.dat"}) {
        SCOPED_TRACE(name);
        const QString path = fixtureOrFail(name);
        const ReferenceFrames ref = referenceFrames(path);
        ASSERT_TRUE(ref.ok());
        auto player = openPlayer(path);
        ASSERT_TRUE(player->connectPlayer());
        EXPECT_NEAR(double(player->frameCount()), double(ref.times.size()), 1.0);
        EXPECT_NEAR(double(player->duration()) / kUnitsPerSecond, 4.0, 0.1);
    }
}

TEST(FfmpegPlayer, FrameNumbersMapToTheirFrames)
{
    // Frame n sits at n * duration / count (truncated) and reads back as n, for every frame.
    for (const char* name : {"clip.avi", "silent.avi", "bframes.mp4", "clip.mpg"}) {
        SCOPED_TRACE(name);
        const QString path = fixtureOrFail(name);
        const ReferenceFrames ref = referenceFrames(path);
        ASSERT_TRUE(ref.ok()) << ref.error.toStdString();
        auto player = openPlayer(path);
        ASSERT_TRUE(player->connectPlayer());
        const MediaTime duration = player->duration();
        const std::int64_t count = player->frameCount();
        ASSERT_EQ(count, std::int64_t(ref.times.size()));
        for (std::int64_t n = 0; n < count; ++n) {
            ASSERT_TRUE(player->seekAndWait(frameTime(n, duration, count)));
            EXPECT_EQ(frameAt(player->position(), duration, count), n);
            EXPECT_GT(psnr(player->currentFrame(), ref.image(int(n))), kSameFramePsnr) << "frame " << n;
        }
    }
}

TEST(FfmpegPlayer, PlaysToTheEndOnTheSystemClockAndPostsComplete)
{
    // clip.avi has sound: without an audio device it plays silently; silent.avi has none.
    for (const char* name : {"silent.avi", "clip.avi"}) {
        SCOPED_TRACE(name);
        const QString path = fixtureOrFail(name);
        auto player = openPlayer(path, true);
        ASSERT_TRUE(player->connectPlayer()) << player->lastError().toStdString();
        // A seek announces its frame too (queued), and a paused player stays put.
        QSignalSpy seekFrames(player.get(), &MediaPlayer::newFrame);
        ASSERT_TRUE(player->seekAndWait(player->duration() - seconds(1.0)));
        EXPECT_TRUE(seekFrames.wait(2000));
        QTest::qWait(100);
        EXPECT_EQ(player->position(), player->duration() - seconds(1.0));
        QSignalSpy frames(player.get(), &MediaPlayer::newFrame);
        QSignalSpy events(player.get(), &MediaPlayer::eventPending);
        const MediaTime from = player->position();
        player->run();
        EXPECT_EQ(player->state(), PlayerState::Playing);
        ASSERT_TRUE(events.wait(10000));
        const std::vector<int> codes = player->takeEvents();
        EXPECT_EQ(codes, std::vector<int>{kEventComplete});
        EXPECT_TRUE(player->takeEvents().empty());
        // About 25 frames in the last second (some may be skipped if the machine is slow).
        EXPECT_GE(frames.count(), 5);
        EXPECT_GT(player->position(), from);
        // The window stops and rewinds; playing again starts from the beginning.
        player->stop();
        EXPECT_EQ(player->state(), PlayerState::Stopped);
        ASSERT_TRUE(player->seekAndWait(0));
        EXPECT_EQ(player->position(), 0);
        player->run();
        QTest::qWait(300);
        // A seek while playing goes on playing from there.
        ASSERT_TRUE(player->seekAndWait(seconds(1.0)));
        QTest::qWait(300);
        player->pause();
        EXPECT_EQ(player->state(), PlayerState::Paused);
        const MediaTime paused = player->position();
        EXPECT_GT(paused, seconds(1.0));
        EXPECT_LT(paused, seconds(1.9));
        QTest::qWait(200);
        EXPECT_EQ(player->position(), paused);
    }
}

TEST(FfmpegPlayer, TruncatedFilePlaysWhatItCan)
{
    const QString path = fixtureOrFail("truncated.avi");
    auto player = openPlayer(path, true);
    ASSERT_TRUE(player->connectPlayer()) << player->lastError().toStdString();
    EXPECT_FALSE(player->currentFrame().isNull());
    // Seeks anywhere, including past the bytes that are left, give some frame and no crash.
    for (double t : {0.5, 3.9, 1.0, 2.2}) {
        if (player->seekAndWait(seconds(t))) {
            EXPECT_FALSE(player->currentFrame().isNull());
        }
    }
    ASSERT_TRUE(player->seekAndWait(seconds(1.5)));
    QSignalSpy events(player.get(), &MediaPlayer::eventPending);
    player->run();
    ASSERT_TRUE(events.wait(10000));
    EXPECT_EQ(player->takeEvents(), std::vector<int>{kEventComplete});
}

TEST(FfmpegPlayer, FilesThatCannotPlayAreNamedInTheError)
{
    TempDir dir;
    const struct {
        QString path;
        const char* reason;
    } cases[] = {
        {fixtureOrFail("notvideo.avi"), "invalid data"},
        {dir.path(QStringLiteral("missing.mpg")), "does not exist"},
        {fixtureOrFail("clip.avi") + QStringLiteral(".nothing"), "does not exist"},
    };
    for (const auto& c : cases) {
        auto player = openPlayer(c.path);
        EXPECT_FALSE(player->connectPlayer());
        EXPECT_FALSE(player->isConnected());
        const QString error = player->lastError();
        EXPECT_TRUE(error.contains(QFileInfo(c.path).fileName())) << error.toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(c.reason), Qt::CaseInsensitive)) << error.toStdString();
        EXPECT_FALSE(player->seekAndWait(0));
        EXPECT_TRUE(player->currentFrame().isNull());
    }
    // A sound-only file opens but holds no picture.
    const QString wav = dir.path(QStringLiteral("tone.wav"));
    ASSERT_TRUE(runTool(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                                                   QStringLiteral("-i"), QStringLiteral("sine=duration=1"), wav}).ok());
    auto player = openPlayer(wav);
    EXPECT_FALSE(player->connectPlayer());
    EXPECT_TRUE(player->lastError().contains(QLatin1String("tone.wav"))) << player->lastError().toStdString();
    EXPECT_TRUE(player->lastError().contains(QLatin1String("no video stream"))) << player->lastError().toStdString();
}

TEST(FfmpegPlayer, ReconnectsToAnotherFile)
{
    auto player = openPlayer(fixtureOrFail("clip.avi"));
    ASSERT_TRUE(player->connectPlayer());
    player->run();
    QTest::qWait(100);
    player->disconnectPlayer();
    EXPECT_FALSE(player->isConnected());
    EXPECT_TRUE(player->currentFrame().isNull());
    player->setInputFile(fixtureOrFail("portrait.mp4"));
    ASSERT_TRUE(player->connectPlayer());
    EXPECT_EQ(player->currentFrame().size(), QSize(120, 160));
    EXPECT_EQ(player->position(), 0);
}

TEST(FfmpegPlayer, DamagedFilesFailCleanlyOrPlay)
{
    // Random bytes changed all through the file, or its tail cut: opening either fails with
    // a message naming the file, or seeks and playback work on what is left. No crash, no hang.
    TempDir dir;
    std::mt19937 random(11);
    for (const char* name : {"clip.avi", "clip.mpg", "bframes.mp4", "bframes.mkv"}) {
        SCOPED_TRACE(name);
        const QByteArray valid = readAll(fixtureOrFail(name));
        ASSERT_FALSE(valid.isEmpty());
        for (int copy = 0; copy < 12; ++copy) {
            QByteArray bytes = valid;
            if (copy % 3 == 2) {
                bytes.truncate(qsizetype(random() % std::uint32_t(bytes.size())));
            } else {
                for (int flips = 0; flips < 40; ++flips)
                    bytes[qsizetype(random() % std::uint32_t(bytes.size()))] = char(random());
            }
            const QString path = dir.path(QStringLiteral("damaged%1-").arg(copy) + QString::fromLatin1(name));
            ASSERT_TRUE(writeAll(path, bytes));
            auto player = openPlayer(path, true);
            if (!player->connectPlayer()) {
                EXPECT_TRUE(player->lastError().contains(QFileInfo(path).fileName())) << player->lastError().toStdString();
                continue;
            }
            for (double t : {2.5, 0.3, 3.9, 1.0})
                player->seekAndWait(seconds(t));
            player->run();
            QTest::qWait(50);
            player->seekAndWait(seconds(0.7)); // a seek while playing
            QTest::qWait(50);
            player->disconnectPlayer();
        }
    }
}
