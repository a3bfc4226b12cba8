// Write and read speed of every image format on a 1920x1080 24-bit frame, in memory (the
// codec alone) and, for the BMP frame file, through the file system. A plain memory copy of
// the frame is the yardstick for the frame-file path, which every capture takes.
//
// Compare with ImageMagick on the same machine with bench/compare_convert.sh.

#include "platform/imaging/ImageFile.h"
#include "platform/imaging/codecs/Codec.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

using namespace fw::imaging;

namespace {

// A photograph-like frame: smooth shapes with fine grain, so the compressors face the kind of
// content they get from video, neither flat colour nor pure noise.
const QImage& frame()
{
    static const QImage image = [] {
        QImage img(1920, 1080, QImage::Format_BGR888);
        unsigned seed = 1;
        for (int y = 0; y < img.height(); ++y) {
            uchar* row = img.scanLine(y);
            for (int x = 0; x < img.width(); ++x) {
                seed = seed * 1103515245u + 12345u;
                const int grain = int((seed >> 16) & 7) - 4;
                const double v = 0.5 + 0.5 * std::sin(x * 0.01) * std::cos(y * 0.013);
                const double w = 0.5 + 0.5 * std::sin((x + y) * 0.004);
                row[3 * x + 0] = uchar(std::clamp(int(255 * v) + grain, 0, 255));
                row[3 * x + 1] = uchar(std::clamp(int(255 * w) + grain, 0, 255));
                row[3 * x + 2] = uchar(std::clamp(int(255 * (1 - v) * w) + grain, 0, 255));
            }
        }
        return img;
    }();
    return image;
}

void BM_MemcpyFrame(benchmark::State& state)
{
    const QImage& src = frame();
    std::vector<uchar> dst(std::size_t(src.sizeInBytes()));
    for (auto _ : state) {
        std::memcpy(dst.data(), src.constBits(), dst.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * src.sizeInBytes());
}
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMillisecond);

void BM_Write(benchmark::State& state, ImageFormat format)
{
    for (auto _ : state) {
        ByteBuffer bytes = encodeImage(frame(), format);
        benchmark::DoNotOptimize(bytes.data());
        state.counters["bytes"] = double(bytes.size());
    }
}

void BM_Read(benchmark::State& state, ImageFormat format)
{
    const ByteBuffer bytes = encodeImage(frame(), format);
    for (auto _ : state) {
        LoadedImage loaded = readImageData(bytes, QStringLiteral("bench"), format);
        benchmark::DoNotOptimize(loaded.image.constBits());
    }
}

void BM_FrameFileWrite(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("0.orbek"));
    WriteOptions options;
    options.durable = false; // as the frame store writes them
    for (auto _ : state)
        writeImageFile(path, frame(), ImageFormat::Bmp, options);
    state.SetBytesProcessed(int64_t(state.iterations()) * frame().sizeInBytes());
}
BENCHMARK(BM_FrameFileWrite)->Unit(benchmark::kMillisecond);

void BM_FrameFileRead(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("0.orbek"));
    writeImageFile(path, frame(), ImageFormat::Bmp);
    for (auto _ : state) {
        LoadedImage loaded = readImageFile(path);
        benchmark::DoNotOptimize(loaded.image.constBits());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * frame().sizeInBytes());
}
BENCHMARK(BM_FrameFileRead)->Unit(benchmark::kMillisecond);

// One write and one read benchmark per codec in the table, so a new format is measured as
// soon as it is registered.
const bool registered = [] {
    for (const Codec& codec : allCodecs()) {
        if (!codec.write)
            continue;
        const std::string name(codec.name);
        benchmark::RegisterBenchmark(("BM_Write/" + name).c_str(), BM_Write, codec.format)->Unit(benchmark::kMillisecond);
        if (codec.read)
            benchmark::RegisterBenchmark(("BM_Read/" + name).c_str(), BM_Read, codec.format)->Unit(benchmark::kMillisecond);
    }
    return true;
}();

} // namespace

BENCHMARK_MAIN();
