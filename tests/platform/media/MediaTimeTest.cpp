#include "platform/media/MediaTime.h"

#include <gtest/gtest.h>

using namespace fw::media;

TEST(MediaTime, FormatsHoursMinutesSecondsAndStamps)
{
    struct Case {
        MediaTime t;
        const char* hms;
        const char* stamp;
    } cases[] = {
        {0, "0:00:00", "0.00.00,00"},
        {3725 * kUnitsPerSecond, "1:02:05", "1.02.05,00"},
        {834'500'000, "0:01:23", "0.01.23,45"},
        {37'255'000'000, "1:02:05", "1.02.05,50"},
        {99'999, "0:00:00", "0.00.00,00"}, // below one hundredth
        {36 * 3600 * kUnitsPerSecond + 9'999'999, "36:00:00", "36.00.00,99"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatHMS(c.t).toStdString(), c.hms) << c.t;
        EXPECT_EQ(FormatStamp(c.t).toStdString(), c.stamp) << c.t;
    }
}

#include "platform/media/RangePlan.h"

TEST(RangePlan, SamplesAndCountsFollowTheInterval)
{
    const MediaTime s = kUnitsPerSecond;
    struct Case {
        RangePlan plan;
        MediaTime duration;
        bool valid;
        std::int64_t count;
        MediaTime last;
    } cases[] = {
        {{10 * s, 15 * s, s}, 60 * s, true, 6, 15 * s},
        {{0, s, s / 2}, 60 * s, true, 3, s},
        {{7 * s, 7 * s, s}, 60 * s, true, 1, 7 * s},                        // IN == OUT
        {{300 * s, 360 * s, s}, 600 * s, true, 61, 360 * s},                // 64-bit arithmetic
        {{0, 60 * s + 1, s}, 60 * s, false, 61, 60 * s},                    // OUT beyond the end
        {{5 * s, 4 * s, s}, 60 * s, false, 0, 5 * s},                       // OUT before IN
        {{0, s, 0}, 60 * s, false, 0, 0},                                   // no progress
        {{0, 10 * s, 3 * s}, 60 * s, true, 4, 9 * s},                       // last not beyond OUT
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.plan.valid(c.duration), c.valid) << c.plan.in << ".." << c.plan.out;
        if (c.plan.interval > 0 && c.plan.out >= c.plan.in) {
            EXPECT_EQ(c.plan.count(), c.count);
            EXPECT_EQ(c.plan.at(c.plan.count() - 1), c.last);
        }
    }
}

TEST(RangePlan, FrameNumbersAndNames)
{
    const MediaTime d = 60 * kUnitsPerSecond;
    EXPECT_EQ(frameTime(3, d, 1500), 3 * (d / 1500));
    EXPECT_EQ(frameAt(frameTime(750, d, 1500), d, 1500), 750);
    EXPECT_EQ(frameAt(0, d, 1500), 0);
    EXPECT_EQ(frameAt(123, d, 0), 0);
    EXPECT_EQ(frameTime(9'000'000, 40LL * 3600 * kUnitsPerSecond, 9'999'999), MediaTime(static_cast<__int128>(9'000'000) * 40LL * 3600 * kUnitsPerSecond / 9'999'999));

    EXPECT_EQ(proposedRangeName("/v/clip.avi"), "clip_avi");
    EXPECT_EQ(proposedRangeName("/v/holiday.2019.mpg"), "holiday.2019_mpg");
    EXPECT_EQ(proposedRangeName("/v/noext"), "noext");
    EXPECT_EQ(rangeSampleFileName("/out", "clip_avi", "0.01.23,45", ".bmp"), "/out/clip_avi[0.01.23,45].bmp");
}
