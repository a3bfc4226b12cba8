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
