#include "video/FirstFrameSize.h"
#include "video/VideoPositions.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace fw::video;
using fw::media::kUnitsPerSecond;

namespace {
constexpr MediaTime sec(double s) { return MediaTime(s * kUnitsPerSecond); }
} // namespace

TEST(VideoPositions, FieldsSecondsAndTheFrameFormatOffer)
{
    EXPECT_EQ(secondsToMediaTime(1), kUnitsPerSecond);
    EXPECT_EQ(secondsToMediaTime(0.29), 2'900'000); // not 2,899,999 from 0.28999...
    EXPECT_EQ(secondsToMediaTime(0.02), 200'000);
    EXPECT_EQ(secondsToMediaTime(0.5), 5'000'000);

    EXPECT_EQ(fieldInteger(QStringLiteral("70"), 0), 70);
    EXPECT_EQ(fieldInteger(QStringLiteral(" 5 "), 0), 5);
    EXPECT_EQ(fieldInteger(QStringLiteral("-3"), 0), -3);
    EXPECT_EQ(fieldInteger(QStringLiteral("abc"), 1), 1);
    EXPECT_EQ(fieldInteger(QString(), 0), 0);
    EXPECT_EQ(fieldInteger(QStringLiteral("1.5"), 0), 0);
    EXPECT_EQ(fieldInteger(QStringLiteral("99999999999"), 7), 7) << "beyond 32 bits is not an integer here";

    for (std::int64_t n : {1LL, 1500LL, 9'999'999LL})
        EXPECT_TRUE(offersFrameFormat(n)) << n;
    for (std::int64_t n : {-1LL, 0LL, 10'000'000LL, 50'000'000LL})
        EXPECT_FALSE(offersFrameFormat(n)) << n;

    EXPECT_EQ(spanToMediaTime(false, 1.0, 3, sec(10), 250), kUnitsPerSecond);
    EXPECT_EQ(spanToMediaTime(true, 1.0, 3, sec(10), 250), 1'200'000);
    EXPECT_EQ(hmsToMediaTime(0, 5, 0), 3'000'000'000);
    EXPECT_EQ(hmsToMediaTime(2'000'000'000, 0, 0), std::nullopt) << "does not fit in 64 bits";
}

TEST(VideoPositions, StepsMayReachTheEndsOnPressButNotOnRepeat)
{
    const struct {
        StepDirection dir;
        double p, d;
        bool repeat;
        std::optional<MediaTime> target;
    } cases[] = {
        {StepDirection::Forward, 9.0, 1, false, sec(10)},
        {StepDirection::Forward, 9.0, 1, true, std::nullopt},
        {StepDirection::Forward, 8.0, 1, true, sec(9)},
        {StepDirection::Forward, 9.5, 1, false, std::nullopt},
        {StepDirection::Backward, 2.0, 1, false, sec(1)},
        {StepDirection::Backward, 1.0, 1, false, 0},
        {StepDirection::Backward, 1.0, 1, true, std::nullopt},
        {StepDirection::Backward, 0.5, 1, false, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(stepTarget(c.dir, sec(c.p), sec(c.d), sec(10), c.repeat), c.target)
            << (c.dir == StepDirection::Forward ? "forward " : "back ") << c.p << (c.repeat ? " repeat" : " press");
}

TEST(VideoPositions, GotoSumsTheFieldsAndRefusesWhatLiesOutside)
{
    const MediaTime twoMinutes = sec(120);
    EXPECT_EQ(gotoTimeTarget("0", "0", "70", twoMinutes), sec(70));
    EXPECT_EQ(gotoTimeTarget("0", "1", "10", twoMinutes), sec(70));
    EXPECT_EQ(gotoTimeTarget("x", "", "5", twoMinutes), sec(5)) << "not integers count as 0";
    EXPECT_EQ(gotoTimeTarget("0", "2", "0", twoMinutes), twoMinutes) << "the very end is allowed";
    EXPECT_EQ(gotoTimeTarget("0", "2", "1", twoMinutes), std::nullopt);
    EXPECT_EQ(gotoTimeTarget("0", "0", "-1", twoMinutes), std::nullopt);
    EXPECT_EQ(gotoTimeTarget("2000000000", "0", "0", twoMinutes), std::nullopt);

    EXPECT_EQ(gotoFrameTarget("0", sec(10), 250), 0);
    EXPECT_EQ(gotoFrameTarget("abc", sec(10), 250), 400'000) << "not an integer: frame 1";
    EXPECT_EQ(gotoFrameTarget("250", sec(10), 250), sec(10));
    EXPECT_EQ(gotoFrameTarget("251", sec(10), 250), std::nullopt);
    EXPECT_EQ(gotoFrameTarget("2147483647", 9'000'000'000'000'000'000, 1), std::nullopt) << "no 64-bit overflow";
    EXPECT_EQ(gotoFrameTarget("1", sec(10), 0), std::nullopt);
    EXPECT_EQ(kOutOfRangeMessage, QStringLiteral("Out of range.\r\nDefine time correctly."));
}

TEST(VideoPositions, PositionTextAndStampInBothFormats)
{
    EXPECT_EQ(positionText(false, sec(3725), sec(4000), QStringLiteral("1:06:40"), 0), QStringLiteral("1:02:05 / 1:06:40"));
    EXPECT_EQ(positionText(true, sec(30), sec(60), QString(), 1500), QStringLiteral("750 / 1500"));
    EXPECT_EQ(positionText(true, 0, sec(60), QString(), 1500), QStringLiteral("0 / 1500"));
    EXPECT_EQ(positionStamp(false, 834'500'000, sec(100), 0), QStringLiteral("0.01.23,45"));
    EXPECT_EQ(positionStamp(true, sec(30), sec(60), 1500), QStringLiteral("750"));
    EXPECT_EQ(positionStamp(true, sec(30), 0, 1500), QStringLiteral("0")) << "no duration: frame 0";
}

TEST(FirstFrameSize, GrowsForLargeFramesAndReturnsToTheStartSizeForSmallOnes)
{
    const QSize screen(1920, 1080);
    const QSize view(510, 394); // the picture area of a 695 x 470 window
    const struct {
        QSize window, frame, expected;
    } cases[] = {
        {{695, 470}, {320, 240}, {695, 470}},
        {{900, 700}, {320, 240}, {695, 470}},  // shrinks back for a small frame
        {{695, 470}, {800, 600}, {985, 710}},  // grows to show it whole
        {{695, 470}, {600, 300}, {785, 470}},  // wide but low
        {{900, 600}, {1920, 1080}, {900, 600}}, // larger than the screen: left as it is
    };
    for (const auto& c : cases)
        EXPECT_EQ(firstFrameWindowSize(c.window, view, c.frame, screen), c.expected) << c.frame.width() << "x" << c.frame.height();
}

TEST(VideoPositions, AnyTextInThePositionFieldsGivesAPositionInsideTheClipOrNone)
{
    // Field texts a user can type: digits, signs, blanks, letters, very long numbers.
    const QStringList pieces = {"0", "1", "59", "60", "-", "+", " ", "x", "2147483647", "2147483648", "-2147483648",
                                "99999999999999999999", "1e3", "0x10", "", "3600", "١٢"};
    std::uint32_t seed = 12345;
    const auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    const auto field = [&] {
        QString t;
        for (int n = int(next() % 3); n >= 0; --n)
            t += pieces[int(next() % pieces.size())];
        return t;
    };
    const MediaTime d = 3 * 3600 * kUnitsPerSecond;
    for (int i = 0; i < 5000; ++i) {
        const QString h = field(), m = field(), s = field();
        if (const auto t = gotoTimeTarget(h, m, s, d)) {
            EXPECT_GE(*t, 0);
            EXPECT_LE(*t, d);
        }
        if (const auto t = gotoFrameTarget(h, d, 270'000)) {
            EXPECT_GE(*t, 0);
            EXPECT_LE(*t, d);
        }
    }
}
