#include "video/RangeRequest.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace fw::video;
using fw::media::kUnitsPerSecond;

namespace {

RangeFields timeRange(const char* in, const char* out, double interval)
{
    const QStringList i = QString::fromLatin1(in).split(QLatin1Char(':'));
    const QStringList o = QString::fromLatin1(out).split(QLatin1Char(':'));
    RangeFields f;
    f.inHours = i[0], f.inMinutes = i[1], f.inSeconds = i[2];
    f.outHours = o[0], f.outMinutes = o[1], f.outSeconds = o[2];
    f.intervalSeconds = interval;
    return f;
}

} // namespace

TEST(RangeRequest, SamplesFromInToOutAndTheirCount)
{
    const MediaTime tenMinutes = 600 * kUnitsPerSecond;
    const struct {
        RangeFields fields;
        std::int64_t count;
        MediaTime first, last;
    } cases[] = {
        {timeRange("0:0:10", "0:0:15", 1), 6, 10 * kUnitsPerSecond, 15 * kUnitsPerSecond},
        {timeRange("0:0:0", "0:0:1", 0.5), 3, 0, kUnitsPerSecond},
        {timeRange("0:0:7", "0:0:7", 1), 1, 7 * kUnitsPerSecond, 7 * kUnitsPerSecond},
        {timeRange("0:5:0", "0:6:0", 30), 3, 3'000'000'000, 3'600'000'000},
        {timeRange("0:0:0", "0:0:1", 0.3), 4, 0, 9'000'000}, // the last sample not beyond OUT
        {timeRange("0:9:59", "0:10:0", 1), 2, 599 * kUnitsPerSecond, tenMinutes},
    };
    for (const auto& c : cases) {
        const auto plan = planRange(c.fields, tenMinutes, 0);
        ASSERT_TRUE(plan.has_value()) << c.fields.inSeconds.toStdString();
        EXPECT_EQ(plan->count(), c.count);
        EXPECT_EQ(plan->at(0), c.first);
        EXPECT_EQ(plan->at(plan->count() - 1), c.last);
    }

    RangeFields frames;
    frames.frameFormat = true;
    frames.inFrame = QStringLiteral("1");
    frames.outFrame = QStringLiteral("3");
    frames.intervalFrames = 1;
    const auto plan = planRange(frames, 10 * kUnitsPerSecond, 250); // a frame lasts 400,000 units
    ASSERT_TRUE(plan.has_value());
    EXPECT_EQ(plan->count(), 3);
    EXPECT_EQ(plan->in, 400'000);
    EXPECT_EQ(plan->out, 1'200'000);
    EXPECT_EQ(plan->interval, 400'000);
    frames.inFrame = QStringLiteral("first"); // not an integer: frame 1
    EXPECT_EQ(planRange(frames, 10 * kUnitsPerSecond, 250)->in, 400'000);
}

TEST(RangeRequest, RefusesRangesOutsideTheClipAndIntervalsThatDoNotAdvance)
{
    const MediaTime d = 15 * kUnitsPerSecond - 1;
    EXPECT_FALSE(planRange(timeRange("0:0:10", "0:0:15", 1), d, 0)) << "OUT one unit beyond the duration";
    EXPECT_TRUE(planRange(timeRange("0:0:10", "0:0:14", 1), d, 0));
    EXPECT_FALSE(planRange(timeRange("0:0:12", "0:0:11", 1), d, 0)) << "OUT before IN";
    EXPECT_FALSE(planRange(timeRange("0:0:-1", "0:0:5", 1), d, 0)) << "IN before the start";
    EXPECT_FALSE(planRange(timeRange("2000000000:0:0", "2000000000:0:0", 1), d, 0)) << "beyond 64 bits";

    // One frame of a 1000-frame clip lasting 100 units is 0.1 unit: the interval truncates to
    // 0 and would never advance.
    RangeFields frames;
    frames.frameFormat = true;
    frames.inFrame = QStringLiteral("1");
    frames.outFrame = QStringLiteral("5");
    EXPECT_FALSE(planRange(frames, 100, 1000));
    EXPECT_EQ(kDefinePositionMessage, QStringLiteral("Define position correctly."));
}

TEST(RangeRequest, SaveTypesAndTheNamesOfSampleFiles)
{
    QStringList filters;
    for (const auto& t : rangeSaveTypes())
        filters << t.nameFilter();
    EXPECT_EQ(filters, QStringList({"Windows Bitmap (BMP) (*.bmp)", "JPEG Bitmap (JPG) (*.jpg)", "CompuServe Bitmap (GIF) (*.gif)",
                                    "TIFF Bitmap (TIF) (*.tif)", "PaintBrush (PCX) (*.pcx)",
                                    "Portable Network Graphics (PNG) (*.png)", "Targa Bitmap (TGA) (*.tga)"}));

    const struct {
        const char* chosen;
        int type;
        const char* file;
    } cases[] = {
        {"/shots/clip_avi", 0, "/shots/clip_avi[0.00.10,00].bmp"}, // the proposed name takes the type's extension
        {"/shots/clip_avi", 5, "/shots/clip_avi[0.00.10,00].png"},
        {"/shots/take.JPG", 0, "/shots/take[0.00.10,00].JPG"},     // a typed extension wins, as typed
        {"/shots/my.clip", 6, "/shots/my.clip[0.00.10,00].tga"},   // ".clip" names no image type
        {"/shots/x", 99, "/shots/x[0.00.10,00].bmp"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(planRangeSave(QLatin1String(c.chosen), c.type).fileFor(QStringLiteral("0.00.10,00")), QLatin1String(c.file))
            << c.chosen;
    EXPECT_EQ(planRangeSave(QStringLiteral("/shots/clip_avi"), 0).folder, QStringLiteral("/shots/"));
}

TEST(RangeRequest, AnyFieldTextGivesARangeInsideTheClipOrNone)
{
    const QStringList pieces = {"0", "1", "7", "59", "-", " ", "q", "2147483647", "-2147483648", "99999999999", ""};
    std::uint32_t seed = 777;
    const auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    const auto field = [&] {
        QString t;
        for (int n = int(next() % 2); n >= 0; --n)
            t += pieces[int(next() % pieces.size())];
        return t;
    };
    const MediaTime d = 600 * kUnitsPerSecond;
    for (int i = 0; i < 5000; ++i) {
        RangeFields f;
        f.frameFormat = next() % 2;
        f.inHours = field(), f.inMinutes = field(), f.inSeconds = field();
        f.outHours = field(), f.outMinutes = field(), f.outSeconds = field();
        f.inFrame = field(), f.outFrame = field();
        f.intervalSeconds = 0.02 + (next() % 10000) / 100.0;
        f.intervalFrames = 1 + int(next() % 100);
        if (const auto plan = planRange(f, d, 15'000)) {
            EXPECT_GE(plan->in, 0);
            EXPECT_LE(plan->in, plan->out);
            EXPECT_LE(plan->out, d);
            EXPECT_GT(plan->interval, 0);
            EXPECT_GE(plan->count(), 1);
        }
    }
}
