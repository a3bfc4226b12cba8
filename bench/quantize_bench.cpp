// Colour reduction of one 1920x1080 frame, as the GIF writer does it for every frame of an
// animation: palette building (octree), mapping with and without Floyd-Steinberg dithering,
// and the exact path for frames that already have few colours.

#include "platform/imaging/ColorQuantizer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

namespace {

QImage makeFrame(int w, int h)
{
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const double fx = double(x) / w, fy = double(y) / h;
            const unsigned noise = (unsigned(x) * 73856093u ^ unsigned(y) * 19349663u) >> 27; // film grain
            row[3 * x + 2] = uchar(std::clamp(127.5 + 120 * std::sin(6.0 * fx + 2.0 * fy) + noise, 0.0, 255.0));
            row[3 * x + 1] = uchar(std::clamp(240 * fy * (0.5 + 0.5 * std::cos(9.0 * fx)) + noise, 0.0, 255.0));
            row[3 * x + 0] = uchar(std::clamp(240 * (1 - fx) * (0.6 + 0.4 * std::sin(5.0 * fy)) + noise, 0.0, 255.0));
        }
    }
    return image;
}

const QImage& frame()
{
    static const QImage f = makeFrame(1920, 1080);
    return f;
}

void BM_QuantizeDithered(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(fw::imaging::quantize(frame(), 256, true));
    state.SetItemsProcessed(state.iterations() * 1920 * 1080);
}
BENCHMARK(BM_QuantizeDithered)->Unit(benchmark::kMillisecond);

void BM_QuantizePlain(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(fw::imaging::quantize(frame(), 256, false));
    state.SetItemsProcessed(state.iterations() * 1920 * 1080);
}
BENCHMARK(BM_QuantizePlain)->Unit(benchmark::kMillisecond);

void BM_BuildPalette(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(fw::imaging::buildPalette(frame(), 256));
}
BENCHMARK(BM_BuildPalette)->Unit(benchmark::kMillisecond);

void BM_QuantizeFewColours(benchmark::State& state)
{
    static const QImage few = frame().convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither)
                                  .convertToFormat(QImage::Format_BGR888);
    for (auto _ : state)
        benchmark::DoNotOptimize(fw::imaging::quantize(few, 256, true));
}
BENCHMARK(BM_QuantizeFewColours)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
