// Time of each editing operation on a 1920x1080 24-bit frame: the editor's live preview runs
// these on every slider move, so each must stay well under a frame of mouse movement.
// Compare with ImageMagick and libvips on the same machine with bench/compare_ops.sh.

#include "platform/imaging/ImageFile.h"
#include "platform/imaging/ImageMemory.h"
#include "platform/imaging/ops/Colour.h"
#include "platform/imaging/ops/Geometry.h"
#include "platform/imaging/ops/Resample.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <cmath>

using namespace fw::imaging;

namespace {

const QImage& frame()
{
    static const QImage image = [] {
        QImage img(1920, 1080, QImage::Format_BGR888);
        for (int y = 0; y < img.height(); ++y) {
            uchar* row = img.scanLine(y);
            for (int x = 0; x < img.width(); ++x) {
                row[3 * x] = uchar(128 + 127 * std::sin(x * 0.01));
                row[3 * x + 1] = uchar(128 + 127 * std::cos(y * 0.013));
                row[3 * x + 2] = uchar(((x * 7) ^ (y * 3)) & 0xff);
            }
        }
        return img;
    }();
    return image;
}

// The allocator set up as the program sets it up.
const bool kMemoryKept = (keepImageMemory(), true);

template <typename Op>
void run(benchmark::State& state, Op op)
{
    for (auto _ : state) {
        QImage out = op(frame());
        benchmark::DoNotOptimize(out.constBits());
    }
}

} // namespace

BENCHMARK_CAPTURE(run, resize_half_lanczos3, [](const QImage& i) { return resample(i, 960, 540, ResampleFilter::Lanczos3); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, resize_half_triangle, [](const QImage& i) { return resample(i, 960, 540, ResampleFilter::Triangle); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, resize_half_fastlinear, [](const QImage& i) { return resample(i, 960, 540, ResampleFilter::FastLinear); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, resize_double_mitchell, [](const QImage& i) { return resample(i, 3840, 2160, ResampleFilter::Mitchell); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, crop, [](const QImage& i) { return crop(i, QRect(100, 100, 1280, 720)); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, rotate90, [](const QImage& i) { return turn(i, 270, false, Qt::gray); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, rotate30_antialias, [](const QImage& i) { return turn(i, 30, true, Qt::gray); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, flip_h, [](const QImage& i) { return mirror(i, MirrorDirection::LeftRight); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, equalize, [](const QImage& i) { return equalize(i); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, negative, [](const QImage& i) { return negative(i); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, contrast, [](const QImage& i) { return contrast(i, 40); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, brightness, [](const QImage& i) { return addToChannels(i, 40, 40, 40); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, hsv, [](const QImage& i) { return hsvShift(i, 30, 10, -10); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, hsl, [](const QImage& i) { return hslShift(i, 30, 10, -10); })->Unit(benchmark::kMillisecond);

// One live-preview step of the editor: read the stored 1080p frame file (BMP), run one
// operation on it. This is what each slider move costs before drawing.
void preview_step(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("0.orbek"));
    WriteOptions options;
    options.durable = false;
    writeImageFile(path, frame(), ImageFormat::Bmp, options);
    for (auto _ : state) {
        QImage out = addToChannels(readImageFile(path).image, 40, 40, 40);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(preview_step)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
