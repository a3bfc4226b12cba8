#include "video/RulerGeometry.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace fw::video;
using fw::media::kUnitsPerSecond;
using fw::media::MediaTime;

namespace {

QStringList labelTexts(const RulerLayout& l)
{
    QStringList out;
    for (const RulerLabel& label : l.labels)
        out << label.text;
    return out;
}

std::vector<int> labelXs(const RulerLayout& l)
{
    std::vector<int> out;
    for (const RulerLabel& label : l.labels)
        out.push_back(label.x);
    return out;
}

} // namespace

TEST(RulerGeometry, NinetyFiveMinutesInSevenHundredPixelsStepsByTenMinutes)
{
    const MediaTime d = 95 * 60 * kUnitsPerSecond;
    const RulerLayout l = layoutRuler({700, d, false, 0, d / 2});
    EXPECT_EQ(l.axisFrom, 25);
    EXPECT_EQ(l.axisTo, 675);
    EXPECT_EQ(l.majorStep, 600);
    EXPECT_EQ(labelTexts(l), QStringList({"0:00:00", "0:10:00", "0:20:00", "0:30:00", "0:40:00", "0:50:00", "1:00:00",
                                          "1:10:00", "1:20:00", "1:30:00"}));
    EXPECT_EQ(l.majorTicks, (std::vector<int>{25, 93, 161, 230, 298, 367, 435, 503, 572, 640}));
    // Labels start 17 pixels left of their tick (truncated toward zero: the first at 25 - 17).
    EXPECT_EQ(labelXs(l), (std::vector<int>{8, 76, 144, 213, 281, 350, 418, 486, 555, 623}));
    ASSERT_EQ(l.minorTicks.size(), 48u); // 0 .. trunc(5 * 5700 / 600)
    EXPECT_EQ(std::vector<int>(l.minorTicks.begin(), l.minorTicks.begin() + 6), (std::vector<int>{25, 38, 52, 66, 79, 93}));
    EXPECT_EQ(l.markerX, 25 + 325);
}

TEST(RulerGeometry, MajorStepsForOtherLengthsAndTheFrameFormat)
{
    const struct {
        const char* what;
        RulerInput in;
        std::int64_t step;
        QStringList labels;
        std::vector<int> ticks;
    } cases[] = {
        {"10 s", {700, 10 * kUnitsPerSecond, false, 0, 0}, 1,
         {"0:00:00", "0:00:01", "0:00:02", "0:00:03", "0:00:04", "0:00:05", "0:00:06", "0:00:07", "0:00:08", "0:00:09", "0:00:10"},
         {25, 90, 155, 220, 285, 350, 415, 480, 545, 610, 675}},
        {"1500 frames", {700, 60 * kUnitsPerSecond, true, 1500, 0}, 500, {"0", "500", "1000", "1500"}, {25, 241, 458, 675}},
        {"40 hours", {700, 40LL * 3600 * kUnitsPerSecond, false, 0, 0}, 18000,
         {"0:00:00", "5:00:00", "10:00:00", "15:00:00", "20:00:00", "25:00:00", "30:00:00", "35:00:00", "40:00:00"}, {}},
        {"less than a second", {700, kUnitsPerSecond / 2, false, 0, 0}, 1, {"0:00:00"}, {}},
        {"no frame count", {700, kUnitsPerSecond * 5, true, 0, 0}, 1, {"0"}, {}},
    };
    for (const auto& c : cases) {
        const RulerLayout l = layoutRuler(c.in);
        EXPECT_EQ(l.majorStep, c.step) << c.what;
        EXPECT_EQ(labelTexts(l), c.labels) << c.what;
        if (!c.ticks.empty()) {
            EXPECT_EQ(l.majorTicks, c.ticks) << c.what;
        }
        EXPECT_EQ(l.axisTo, 675) << c.what;
    }
    // Nothing to divide: the axis, the marker and one label at the start, no ticks.
    const RulerLayout shortClip = layoutRuler({700, kUnitsPerSecond / 2, false, 0, kUnitsPerSecond / 4});
    EXPECT_TRUE(shortClip.majorTicks.empty());
    EXPECT_TRUE(shortClip.minorTicks.empty());
    EXPECT_EQ(shortClip.labels.front().x, 8);
    EXPECT_EQ(shortClip.markerX, 25 + 325);
}

TEST(RulerGeometry, DegenerateBoxesAndCorruptLengthsStayBounded)
{
    // A box narrower than its margins: no axis to divide, no ticks.
    const RulerLayout narrow = layoutRuler({40, 95 * 60 * kUnitsPerSecond, false, 0, 0});
    EXPECT_TRUE(narrow.majorTicks.empty());
    EXPECT_TRUE(narrow.labels.empty());
    EXPECT_EQ(narrow.markerX, 25);
    // A length of 28,000 years: the step coarsens so the ticks never outnumber the pixels.
    const MediaTime huge = 9'000'000'000'000'000'000;
    const RulerLayout l = layoutRuler({700, huge, false, 0, huge});
    EXPECT_LE(l.majorTicks.size(), 651u);
    EXPECT_LE(l.minorTicks.size(), 5 * 651u + 1);
    EXPECT_EQ(l.labels.size(), l.majorTicks.size());
    EXPECT_GE(l.majorTicks.size(), 2u);
    EXPECT_EQ(l.markerX, 675);
    for (int x : l.majorTicks)
        EXPECT_TRUE(x >= 25 && x <= 675) << x;
    // A duration of 0 counts as 1.
    EXPECT_EQ(layoutRuler({700, 0, false, 0, 0}).markerX, 25);
}

TEST(RulerGeometry, ClicksSeekWithinTheBandAndClampToTheAxis)
{
    const MediaTime d = 650 * kUnitsPerSecond; // one second per pixel
    const struct {
        int x, y;
        bool hit;
        MediaTime position;
    } cases[] = {
        {22, 22, true, 0},                          // 3 pixels left of the axis start
        {19, 22, false, 0},                         // beyond the 5-pixel allowance
        {25, 14, true, 0},      {25, 13, false, 0}, // band top: baseline - 8
        {25, 38, true, 0},      {25, 39, false, 0}, // band bottom: baseline + 16
        {350, 22, true, 325 * kUnitsPerSecond},
        {680, 30, true, d},                         // right allowance, clamped to the end
        {681, 30, false, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rulerHit(700, c.x, c.y), c.hit) << c.x << "," << c.y;
        if (c.hit) {
            EXPECT_EQ(rulerPositionAt(700, d, c.x), c.position) << c.x;
        }
    }
    EXPECT_EQ(rulerMarkerX(700, d, 100 * kUnitsPerSecond), 125);
    EXPECT_EQ(rulerPositionAt(40, d, 30), 0) << "no usable width";
}
