// The FFmpeg player engine on a 2-minute 1920x1080 H.264 clip at 25 fps with a keyframe every
// 10 s: one exact seek into the middle of a GOP, opening a file up to its first picture, and
// the processor time taken by playing in real time. bench/compare_grab.sh compares sampling
// a range with the ffmpeg program.
//
// The clip is made with ffmpeg on first use (or taken from FW_BENCH_CLIP).

#include "platform/media/MediaPlayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>

using namespace fw::media;

namespace {

QString clipPath()
{
    const QString fromEnv = qEnvironmentVariable("FW_BENCH_CLIP");
    if (!fromEnv.isEmpty())
        return fromEnv;
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/bench-clip-1080p-120s-g250.mp4");
    if (!QFileInfo::exists(path)) {
        std::fprintf(stderr, "making %s with ffmpeg...\n", qPrintable(path));
        QProcess::execute(QStringLiteral("ffmpeg"),
                          {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                           QStringLiteral("-i"), QStringLiteral("testsrc2=size=1920x1080:rate=25:duration=120"), QStringLiteral("-c:v"),
                           QStringLiteral("libx264"), QStringLiteral("-preset"), QStringLiteral("ultrafast"), QStringLiteral("-g"),
                           QStringLiteral("250"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), path});
    }
    return path;
}

std::unique_ptr<MediaPlayer> connected(const QString& path)
{
    auto player = createPlayer();
    player->setInputFile(path);
    player->setFrameGrabbing(true);
    player->setRenderAudio(true);
    if (!player->connectPlayer()) {
        std::fprintf(stderr, "%s\n", qPrintable(player->lastError()));
        return nullptr;
    }
    return player;
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

/// One exact seek to 57.3 s (7.3 s past the keyframe at 50 s: 183 frames decoded, one
/// converted), each time from the start so no decoded state is reused.
void BM_SeekTo57_3(benchmark::State& state)
{
    auto player = connected(clipPath());
    if (!player) {
        state.SkipWithError("cannot open the clip");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        player->seekAndWait(0);
        state.ResumeTiming();
        player->seekAndWait(573 * kUnitsPerSecond / 10);
        benchmark::DoNotOptimize(player->currentFrame());
    }
}
BENCHMARK(BM_SeekTo57_3)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

/// Stepping forward 1 s at a time inside a GOP (51 s, 52 s, ... 59 s from 50 s): each step
/// decodes the 25 frames in between instead of going back to the keyframe. Time per step.
void BM_StepForward1s(benchmark::State& state)
{
    auto player = connected(clipPath());
    if (!player) {
        state.SkipWithError("cannot open the clip");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        player->seekAndWait(50 * kUnitsPerSecond);
        state.ResumeTiming();
        for (int s = 51; s <= 59; ++s)
            player->seekAndWait(s * kUnitsPerSecond);
    }
    state.SetItemsProcessed(state.iterations() * 9);
    state.counters["ms_per_step"] = benchmark::Counter(double(state.iterations() * 9), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StepForward1s)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

/// Stepping back 1 s at a time (59 s, 58 s, ... 51 s): each step goes back to the keyframe at
/// 50 s and decodes forward.
void BM_StepBack1s(benchmark::State& state)
{
    auto player = connected(clipPath());
    if (!player) {
        state.SkipWithError("cannot open the clip");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        player->seekAndWait(60 * kUnitsPerSecond);
        state.ResumeTiming();
        for (int s = 59; s >= 51; --s)
            player->seekAndWait(s * kUnitsPerSecond);
    }
    state.counters["ms_per_step"] = benchmark::Counter(double(state.iterations() * 9), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StepBack1s)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

/// Open the file, build the decoder and have the first picture as an image.
void BM_OpenToFirstFrame(benchmark::State& state)
{
    const QString path = clipPath();
    for (auto _ : state) {
        auto player = connected(path);
        if (!player || player->currentFrame().isNull()) {
            state.SkipWithError("no first frame");
            return;
        }
        state.PauseTiming();
        player.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

/// Processor time while playing in real time for 10 s, every frame converted and announced,
/// as a percentage of one core.
void BM_PlayRealTime10s(benchmark::State& state)
{
    auto player = connected(clipPath());
    if (!player) {
        state.SkipWithError("cannot open the clip");
        return;
    }
    int frames = 0;
    QObject::connect(player.get(), &MediaPlayer::newFrame, [&frames, &player] { frames += !player->currentFrame().isNull(); });
    player->seekAndWait(20 * kUnitsPerSecond);
    for (auto _ : state) {
        const double cpu0 = cpuSeconds();
        const MediaTime from = player->position();
        QEventLoop loop;
        QTimer::singleShot(10000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        player->run();
        loop.exec();
        player->pause();
        const double cpu = cpuSeconds() - cpu0;
        state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / 10.0;
        state.counters["frames_shown"] = frames;
        state.counters["media_seconds_played"] = double(player->position() - from) / kUnitsPerSecond;
    }
}
BENCHMARK(BM_PlayRealTime10s)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
