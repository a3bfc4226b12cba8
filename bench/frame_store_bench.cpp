// Cost of adding a captured 1920x1080 frame to the strip (frame file, thumbnail, lists) and the
// memory the strip keeps per frame, as the strip grows to thousands of frames.

#include "app/FrameStore.h"
#include "editor/EditOperation.h"
#include "platform/imaging/ImageFile.h"
#include "platform/imaging/ImageMemory.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

QImage frame()
{
    QImage img(1920, 1080, QImage::Format_BGR888);
    for (int y = 0; y < img.height(); ++y) {
        uchar* row = img.scanLine(y);
        for (int x = 0; x < img.width(); ++x) {
            row[3 * x] = uchar(128 + 127 * std::sin(x * 0.01));
            row[3 * x + 1] = uchar(128 + 127 * std::cos(y * 0.013));
            row[3 * x + 2] = uchar((x ^ y) & 0xff);
        }
    }
    return img;
}

void BM_AppendFrame1080p(benchmark::State& state)
{
    const QImage picture = frame();
    QTemporaryDir dir;
    fw::app::FrameStore store(dir.path() + QLatin1Char('/'));
    for (auto _ : state)
        store.AppendFrame(picture, QStringLiteral("clip.avi[0.00.10,00]"));
    state.counters["thumb_bytes_per_frame"] = double(store.thumbnailBytes()) / double(store.count());
}
BENCHMARK(BM_AppendFrame1080p)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_ThumbnailOf1080p(benchmark::State& state)
{
    const QImage picture = frame();
    for (auto _ : state) {
        QImage t = fw::app::FrameStore::makeThumbnail(picture);
        benchmark::DoNotOptimize(t.constBits());
    }
}
BENCHMARK(BM_ThumbnailOf1080p)->Unit(benchmark::kMillisecond);

/// Scrolling cost: thumbnails of a 3000-frame strip read back one after another (cache misses).
void BM_ThumbnailReadBack(benchmark::State& state)
{
    QTemporaryDir dir;
    fw::app::FrameStore store(dir.path() + QLatin1Char('/'));
    const QImage small = frame().scaled(320, 180);
    for (int i = 0; i < 3000; ++i)
        store.AppendFrame(small, QStringLiteral("f"));
    int row = 0;
    for (auto _ : state) {
        QImage t = store.data(store.index(row), Qt::DecorationRole).value<QImage>();
        benchmark::DoNotOptimize(t.constBits());
        row = (row + 97) % store.count();
    }
}
BENCHMARK(BM_ThumbnailReadBack)->Unit(benchmark::kMicrosecond);

/// One frame of the editor's Apply All: read the frame file, run one operation, rewrite the
/// frame file and its thumbnail. Decides whether Apply All needs more than one core.
void BM_ApplyAllStep1080p(benchmark::State& state)
{
    QTemporaryDir dir;
    fw::app::FrameStore store(dir.path() + QLatin1Char('/'));
    store.AppendFrame(frame(), QStringLiteral("clip"));
    fw::app::EditValues values;
    values.brightness = 20;
    for (auto _ : state) {
        const QImage edited = fw::app::applyEditOperation(fw::imaging::readImageFile(store.frameFile(0)).image,
                                                          fw::app::EditOption::Brightness, values, Qt::gray);
        store.replaceFrame(0, edited);
    }
}
BENCHMARK(BM_ApplyAllStep1080p)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    fw::imaging::keepImageMemory(); // as the program does
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
