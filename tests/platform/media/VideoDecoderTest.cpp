#include "platform/media/VideoDecoder.h"
#include "support/MediaFixtures.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace fw::media;
using namespace fw::test;

// While playing, sound is decoded ahead of the pictures so the audio device never runs dry;
// the video packets read meanwhile must still give every picture, in order, unchanged.
TEST(VideoDecoder, SoundReadAheadKeepsEveryPictureAndItsOrder)
{
    for (const char* name : {"clip.avi", "clip.mpg", "bframes.mp4", "bframes.mkv"}) {
        SCOPED_TRACE(name);
        const QString path = mediaFixture(QString::fromLatin1(name));
        ASSERT_FALSE(path.isEmpty());
        const ReferenceFrames ref = referenceFrames(path);
        ASSERT_TRUE(ref.ok()) << ref.error.toStdString();

        VideoDecoder decoder;
        QString error;
        ASSERT_TRUE(decoder.open(path, error)) << error.toStdString();
        MediaTime soundEnd = -1;
        MediaTime soundStart = -1;
        int rate = 1;
        const AudioFormat format = decoder.enableAudio([&](const AudioChunk& c) {
            if (soundStart < 0)
                soundStart = c.start;
            soundEnd = std::max(soundEnd, c.start + MediaTime(c.frames) * kUnitsPerSecond / rate);
        });
        ASSERT_GT(format.channels, 0);
        rate = format.sampleRate;

        for (size_t k = 1; k < ref.files.size(); ++k) {
            MediaTime due = 0;
            ASSERT_TRUE(decoder.peekNext(due)) << "frame " << k;
            decoder.readAheadAudio(due + kUnitsPerSecond);
            if (k == 1)
                EXPECT_GE(soundEnd, due + kUnitsPerSecond / 2) << "sound is read ahead of the picture";
            decoder.advance();
            if (k % 7 == 0 || k + 1 == ref.files.size())
                EXPECT_GT(psnr(decoder.currentImage(), ref.image(int(k))), 40.0) << "frame " << k;
        }
        MediaTime after = 0;
        EXPECT_FALSE(decoder.peekNext(after)) << "no picture is lost or repeated";

        // A seek back restarts both: sound again from the target, the picture exact.
        soundStart = -1;
        ASSERT_TRUE(decoder.seek(kUnitsPerSecond));
        MediaTime due = 0;
        ASSERT_TRUE(decoder.peekNext(due));
        decoder.readAheadAudio(due + kUnitsPerSecond);
        EXPECT_GE(soundStart, kUnitsPerSecond - kUnitsPerSecond / 10);
        EXPECT_LE(soundStart, kUnitsPerSecond + kUnitsPerSecond / 10);
        EXPECT_GT(psnr(decoder.currentImage(), ref.image(ref.indexAt(1.0))), 40.0);
    }
}
