#include "platform/media/SoundBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace fw::media;

namespace {

AudioChunk chunkAt(MediaTime start, const std::vector<std::int16_t>& samples, int channels)
{
    return AudioChunk{start, samples.data(), int(samples.size()) / channels};
}

} // namespace

TEST(SoundBuffer, ClockFollowsTheSoundReadAndSilenceFillsGaps)
{
    const AudioFormat format{1000, 2}; // 1000 stereo frames a second: 4 bytes each
    SoundBuffer buffer(format);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    MediaTime t = -1;
    EXPECT_FALSE(buffer.position(t));

    std::vector<std::int16_t> samples(2 * 500);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = std::int16_t(i + 1);
    buffer.push(chunkAt(2 * kUnitsPerSecond, samples, 2));
    ASSERT_TRUE(buffer.position(t));
    EXPECT_EQ(t, 2 * kUnitsPerSecond);

    // 101 frames and 3 bytes asked for: whole frames only.
    std::vector<char> out(407, 'x');
    EXPECT_EQ(buffer.read(out.data(), 407), 404);
    EXPECT_EQ(reinterpret_cast<const std::int16_t*>(out.data())[0], 1);
    EXPECT_EQ(reinterpret_cast<const std::int16_t*>(out.data())[201], 202);
    ASSERT_TRUE(buffer.position(t));
    EXPECT_EQ(t, 2 * kUnitsPerSecond + 101 * kUnitsPerSecond / 1000);

    // Reading past the end gives the rest, then silence; the clock stops with the sound.
    std::vector<char> more(4000, 'x');
    EXPECT_EQ(buffer.read(more.data(), 4000), 4000);
    EXPECT_EQ(reinterpret_cast<const std::int16_t*>(more.data())[0], 203);
    EXPECT_EQ(reinterpret_cast<const std::int16_t*>(more.data())[797], 1000);
    EXPECT_EQ(std::count(more.begin() + 1596, more.end(), '\0'), 4000 - 1596);
    EXPECT_FALSE(buffer.position(t));

    // After a seek the next sound sets the time again.
    buffer.push(chunkAt(7 * kUnitsPerSecond, samples, 2));
    buffer.clear();
    EXPECT_FALSE(buffer.position(t));
    buffer.push(chunkAt(9 * kUnitsPerSecond, samples, 2));
    ASSERT_TRUE(buffer.position(t));
    EXPECT_EQ(t, 9 * kUnitsPerSecond);
}

TEST(SoundBuffer, DropsWhatDoesNotFitInsteadOfWaiting)
{
    SoundBuffer buffer(AudioFormat{1000, 1});
    const std::vector<std::int16_t> second(1000, 5);
    for (int i = 0; i < 10; ++i)
        buffer.push(chunkAt(i * kUnitsPerSecond, second, 1));
    EXPECT_EQ(buffer.buffered(), 4 * 1000 * 2);
    buffer.push(AudioChunk{0, nullptr, 10});
    buffer.push(AudioChunk{0, second.data(), -3});
    EXPECT_EQ(buffer.buffered(), 4 * 1000 * 2);
}
