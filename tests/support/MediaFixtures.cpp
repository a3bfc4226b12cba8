#include "support/MediaFixtures.h"

#include "support/ExternalTools.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

namespace fw::test {

namespace {

/// Bump when a recipe changes, so stale caches are not reused.
const char kCacheVersion[] = "v1";

QString cacheDir()
{
    const QString dir = QStringLiteral(FW_TEST_BUILD_DIR "/media-fixtures/") + QLatin1String(kCacheVersion);
    QDir().mkpath(dir);
    return dir;
}

QStringList pattern(int seconds, bool sound)
{
    QStringList a{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("testsrc2=size=160x120:rate=25:duration=%1").arg(seconds)};
    if (sound)
        a << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
          << QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds);
    return a;
}

/// Runs ffmpeg writing to a temporary name and renames it into place, so test programs
/// running side by side never see half a file.
bool runFfmpeg(const QStringList& args, const QString& out, QString& error)
{
    const QString part = out + QStringLiteral(".part%1").arg(QCoreApplication::applicationPid());
    QStringList all{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y")};
    all << args << part;
    const ToolResult r = runTool(QStringLiteral("ffmpeg"), all, 120000);
    if (!r.ok()) {
        error = QStringLiteral("ffmpeg failed for %1: %2").arg(out, r.err);
        QFile::remove(part);
        return false;
    }
    QFile::remove(out);
    if (!QFile::rename(part, out) && !QFileInfo::exists(out)) {
        error = QStringLiteral("cannot rename %1").arg(part);
        return false;
    }
    return true;
}

bool makeFixture(const QString& name, const QString& out, QString& error)
{
    auto args = [](std::initializer_list<const char*> list) {
        QStringList l;
        for (const char* s : list)
            l << QString::fromLatin1(s);
        return l;
    };
    if (name == QLatin1String("clip.avi"))
        return runFfmpeg(pattern(4, true) + args({"-c:v", "mpeg4", "-g", "12", "-bf", "2", "-q:v", "4", "-c:a", "libmp3lame", "-b:a", "64k", "-f", "avi"}), out, error);
    if (name == QLatin1String("clip.divx"))
        return runFfmpeg(pattern(4, true) + args({"-c:v", "mpeg4", "-vtag", "DIVX", "-g", "12", "-bf", "2", "-q:v", "4", "-c:a", "libmp3lame", "-b:a", "64k", "-f", "avi"}), out, error);
    if (name == QLatin1String("clip.mpg"))
        return runFfmpeg(pattern(4, true) + args({"-c:v", "mpeg2video", "-g", "12", "-bf", "2", "-q:v", "4", "-c:a", "mp2", "-f", "vob"}), out, error);
    if (name == QLatin1String("clip.dat"))
        return runFfmpeg(pattern(4, true) + args({"-c:v", "mpeg1video", "-g", "12", "-bf", "2", "-q:v", "4", "-c:a", "mp2", "-f", "mpeg"}), out, error);
    if (name == QLatin1String("bframes.mp4"))
        return runFfmpeg(pattern(4, true) + args({"-c:v", "libx264", "-preset", "veryfast", "-g", "30", "-bf", "3", "-pix_fmt", "yuv420p", "-c:a", "aac", "-f", "mp4"}), out, error);
    if (name == QLatin1String("bframes.mkv"))
        return runFfmpeg(pattern(4, true) + args({"-c:v", "libx264", "-preset", "veryfast", "-g", "30", "-bf", "3", "-x264-params", "open_gop=1", "-pix_fmt", "yuv420p", "-c:a", "aac", "-f", "matroska"}), out, error);
    if (name == QLatin1String("portrait.mp4")) {
        // This ffmpeg writes a display matrix only when copying streams: encode, then remux.
        const QString plain = out + QStringLiteral(".plain.mp4");
        if (!runFfmpeg(pattern(2, false) + args({"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", "-f", "mp4"}), plain, error))
            return false;
        const bool ok = runFfmpeg(QStringList{QStringLiteral("-i"), plain} + args({"-c", "copy", "-metadata:s:v:0", "rotate=90", "-f", "mp4"}), out, error);
        QFile::remove(plain);
        return ok;
    }
    if (name == QLatin1String("anamorphic.mpg"))
        return runFfmpeg(pattern(2, false) + args({"-vf", "setsar=4/3", "-c:v", "mpeg2video", "-q:v", "4", "-f", "vob"}), out, error);
    if (name == QLatin1String("bt709.mp4"))
        return runFfmpeg(pattern(2, false) + args({"-vf", "scale=out_color_matrix=bt709", "-c:v", "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p",
                                                    "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709", "-f", "mp4"}), out, error);
    if (name == QLatin1String("silent.avi"))
        return runFfmpeg(pattern(2, false) + args({"-c:v", "mpeg4", "-q:v", "4", "-f", "avi"}), out, error);
    if (name == QLatin1String("truncated.avi")) {
        const QString whole = mediaFixture(QStringLiteral("clip.avi"), &error);
        if (whole.isEmpty())
            return false;
        QFile in(whole);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        const QByteArray bytes = in.readAll();
        QFile f(out);
        return f.open(QIODevice::WriteOnly) && f.write(bytes.left(bytes.size() * 6 / 10)) > 0;
    }
    if (name == QLatin1String("notvideo.avi")) {
        QFile f(out);
        return f.open(QIODevice::WriteOnly) && f.write("This is a plain text file, not a video.\n") > 0;
    }
    error = QStringLiteral("unknown fixture ") + name;
    return false;
}

} // namespace

QString mediaFixture(const QString& name, QString* error)
{
    const QString out = cacheDir() + QLatin1Char('/') + name;
    if (QFileInfo::exists(out))
        return out;
    QString why;
    if (!makeFixture(name, out, why) || !QFileInfo::exists(out)) {
        if (error)
            *error = why.isEmpty() ? QStringLiteral("cannot make ") + name : why;
        return {};
    }
    return out;
}

int ReferenceFrames::indexAt(double t) const
{
    const auto it = std::upper_bound(times.begin(), times.end(), t + 1e-9);
    return std::max(0, int(it - times.begin()) - 1);
}

QImage ReferenceFrames::image(int index) const
{
    return index >= 0 && size_t(index) < files.size() ? QImage(files[size_t(index)]) : QImage();
}

ReferenceFrames referenceFrames(const QString& videoPath)
{
    ReferenceFrames r;
    // Keyed by content: copies of a fixture share one set, different files never do.
    QFile video(videoPath);
    if (!video.open(QIODevice::ReadOnly)) {
        r.error = QStringLiteral("cannot read ") + videoPath;
        return r;
    }
    const QString dir = cacheDir() + QStringLiteral("/frames-")
        + QString::fromLatin1(QCryptographicHash::hash(video.readAll(), QCryptographicHash::Md5).toHex());
    const ToolResult probe = runTool(QStringLiteral("ffprobe"),
                                     {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                                      QStringLiteral("-show_entries"), QStringLiteral("frame=best_effort_timestamp_time"),
                                      QStringLiteral("-of"), QStringLiteral("default=nw=1"), videoPath});
    if (!probe.ok()) {
        r.error = probe.err;
        return r;
    }
    for (const QString& line : probe.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString value = line.section(QLatin1Char('='), 1);
        if (line.startsWith(QLatin1String("best_effort_timestamp_time="))) {
            // A frame without a timestamp follows the one before at the same spacing.
            bool known = false;
            double t = value.toDouble(&known);
            const size_t n = r.times.size();
            if (!known)
                t = n == 0 ? 0 : n == 1 ? r.times[0] + 0.04 : 2 * r.times[n - 1] - r.times[n - 2];
            r.times.push_back(t);
        }
    }
    // Times count from the first picture.
    const double start = r.times.empty() ? 0 : r.times.front();
    for (double& t : r.times)
        t -= start;
    if (!QFileInfo::exists(dir)) {
        // Decode into a private folder and rename it into place, so test programs running
        // side by side never read a half-written set.
        const QString part = dir + QStringLiteral(".part%1").arg(QCoreApplication::applicationPid());
        QDir(part).removeRecursively();
        QDir().mkpath(part);
        const ToolResult dec = runTool(QStringLiteral("ffmpeg"),
                                       {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"), videoPath,
                                        QStringLiteral("-vsync"), QStringLiteral("passthrough"), QStringLiteral("-f"), QStringLiteral("image2"),
                                        part + QStringLiteral("/%05d.png")},
                                       120000);
        if (!dec.ok()) {
            QDir(part).removeRecursively();
            r.error = dec.err;
            return r;
        }
        if (!QDir().rename(part, dir))
            QDir(part).removeRecursively(); // another program got there first
    }
    const QStringList pngs = QDir(dir).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    for (const QString& p : pngs)
        r.files.push_back(dir + QLatin1Char('/') + p);
    if (r.files.size() != r.times.size())
        r.error = QStringLiteral("%1 pictures for %2 frame times").arg(r.files.size()).arg(r.times.size());
    return r;
}

long long probeFrameCount(const QString& videoPath)
{
    const ToolResult probe = runTool(QStringLiteral("ffprobe"),
                                     {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                                      QStringLiteral("-show_entries"), QStringLiteral("stream=nb_frames"), QStringLiteral("-of"),
                                      QStringLiteral("default=nw=1:nk=1"), videoPath});
    bool ok = false;
    const long long n = probe.out.trimmed().toLongLong(&ok);
    return probe.ok() && ok ? n : -1;
}

} // namespace fw::test
