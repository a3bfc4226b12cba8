#include "editor/KeepProportions.h"

#include <gtest/gtest.h>

using namespace fw::app;

TEST(KeepProportions, RoundsExactHalvesToEven)
{
    const struct {
        std::int64_t num, den, expected;
    } cases[] = {
        {151, 2, 76},  // 75.5
        {153, 2, 76},  // 76.5
        {303, 4, 76},  // 75.75
        {1, 2, 0},     {3, 2, 2},   {5, 2, 2},   {7, 3, 2}, {8, 3, 3},
        {-1, 2, 0},    {-3, 2, -2}, {-7, 4, -2}, {0, 5, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(roundedQuotient(c.num, c.den), c.expected) << c.num << "/" << c.den;
}

TEST(KeepProportions, KeepsTheLoadedFramesProportions)
{
    const QSize frame(640, 480);
    const struct {
        QSize entered;
        ChangedSide side;
        bool maintain;
        QSize expected;
    } cases[] = {
        {{320, 480}, ChangedSide::Width, true, {320, 240}},
        {{101, 480}, ChangedSide::Width, true, {101, 76}},   // 75.75
        {{102, 480}, ChangedSide::Width, true, {102, 76}},   // 76.5 goes to the even 76, width stays
        {{2, 480}, ChangedSide::Width, true, {2, 2}},        // 1.5 goes to 2
        {{640, 240}, ChangedSide::Height, true, {320, 240}},
        {{640, 77}, ChangedSide::Height, true, {103, 77}},   // 102.666...
        {{9999, 480}, ChangedSide::Width, true, {9999, 7499}}, // 7499.25
        {{0, 100}, ChangedSide::Height, true, {0, 100}},     // either value 0: nothing
        {{320, 0}, ChangedSide::Width, true, {320, 0}},
        {{320, 480}, ChangedSide::Width, false, {320, 480}}, // not maintained: nothing
    };
    for (const auto& c : cases)
        EXPECT_EQ(keepProportions(c.entered, c.side, c.maintain, frame), c.expected)
            << c.entered.width() << "x" << c.entered.height();
    // Before any frame is loaded the proportions are 1 x 1; a 0-sized original never divides by 0.
    EXPECT_EQ(keepProportions({50, 1}, ChangedSide::Width, true, {1, 1}), QSize(50, 50));
    EXPECT_EQ(keepProportions({50, 1}, ChangedSide::Width, true, {0, 0}), QSize(50, 50));
}
