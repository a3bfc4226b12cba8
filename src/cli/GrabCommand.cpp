#include "GrabCommand.h"

#include "CliCommands.h"
#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "platform/media/MediaPlayer.h"
#include "platform/media/RangePlan.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <future>
#include <optional>

namespace fw::cli {

using namespace fw::media;
using namespace fw::imaging;

namespace {

/// Below this much free space after a file, sampling stops (as the player window does).
constexpr qint64 kMinFreeBytes = 2'000'000;

const char kUsage[] = "usage: grab VIDEO --in T --out T --every D [--frames] [--format EXT] [--dir DIR] [--dpi N]";

/// Seconds ("12.5", "90") or H:MM:SS.ss / M:SS.ss, to media time, truncated to 100 ns.
std::optional<MediaTime> parseTime(const QString& text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.isEmpty() || parts.size() > 3)
        return std::nullopt;
    std::int64_t whole = 0;
    for (int i = 0; i + 1 < parts.size(); ++i) {
        bool ok = false;
        const qlonglong v = parts[i].toLongLong(&ok);
        if (!ok || v < 0 || v > 1'000'000 || parts[i].contains(QLatin1Char('+')))
            return std::nullopt;
        whole = whole * 60 + v;
    }
    // Seconds with an optional fraction, read digit by digit so 0.1 is exactly 1,000,000 units.
    const QString s = parts.last();
    const qsizetype dot = s.indexOf(QLatin1Char('.'));
    const QString intPart = dot < 0 ? s : s.left(dot);
    const QString fraction = dot < 0 ? QString() : s.mid(dot + 1);
    if (intPart.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    std::int64_t seconds = 0;
    for (QChar c : intPart) {
        if (!c.isDigit() || seconds > 100'000'000'000LL)
            return std::nullopt;
        seconds = seconds * 10 + c.digitValue();
    }
    std::int64_t units = 0, scale = kUnitsPerSecond;
    for (QChar c : fraction) {
        if (!c.isDigit())
            return std::nullopt;
        scale /= 10;
        units += c.digitValue() * scale;
    }
    return (whole * 60 + seconds) * kUnitsPerSecond + units;
}

std::optional<std::int64_t> parseFrame(const QString& text)
{
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (!ok || v < 0 || v > 1'000'000'000'000LL)
        return std::nullopt;
    return v;
}

} // namespace

int runGrab(const QStringList& args, QTextStream& out, QTextStream& err)
{
    auto bad = [&](const QString& why) {
        err << "framewell-cli grab: " << why << "\n" << kUsage << "\n";
        return kExitUsage;
    };
    if (args.contains(QStringLiteral("--help"))) {
        out << kUsage << "\n";
        return kExitOk;
    }

    QStringList files;
    QString in, outPoint, every, format = QStringLiteral("png"), dir = QStringLiteral(".");
    bool frames = false;
    int dpi = 100;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool needsValue = QStringList{QStringLiteral("--in"), QStringLiteral("--out"), QStringLiteral("--every"),
                                            QStringLiteral("--format"), QStringLiteral("--dir"), QStringLiteral("--dpi")}
                                    .contains(a);
        if (needsValue && i + 1 >= args.size())
            return bad(a + QStringLiteral(" needs a value"));
        if (a == QLatin1String("--in"))
            in = args[++i];
        else if (a == QLatin1String("--out"))
            outPoint = args[++i];
        else if (a == QLatin1String("--every"))
            every = args[++i];
        else if (a == QLatin1String("--format"))
            format = args[++i].toLower();
        else if (a == QLatin1String("--dir"))
            dir = args[++i];
        else if (a == QLatin1String("--dpi")) {
            bool ok = false;
            dpi = args[++i].toInt(&ok);
            if (!ok || dpi < 1 || dpi > 100000)
                return bad(QStringLiteral("invalid --dpi \"") + args[i] + QStringLiteral("\" (expected 1 to 100000)"));
        } else if (a == QLatin1String("--frames"))
            frames = true;
        else if (a.startsWith(QLatin1String("--")))
            return bad(QStringLiteral("unknown option \"") + a + QLatin1Char('"'));
        else
            files << a;
    }
    if (files.size() != 1)
        return bad(QStringLiteral("expected one VIDEO"));
    if (in.isEmpty() || outPoint.isEmpty() || every.isEmpty())
        return bad(QStringLiteral("--in, --out and --every are required"));
    if (format.startsWith(QLatin1Char('.')))
        format.remove(0, 1);
    const QString extension = QLatin1Char('.') + format;
    const ImageFormat imageFormat = formatForPath(QStringLiteral("x") + extension);
    if (format.isEmpty() || !canWrite(imageFormat))
        return bad(QStringLiteral("cannot write \"") + format + QStringLiteral("\": unknown or read-only image file type"));

    // Parse the positions before opening the video, so usage errors come first.
    std::optional<MediaTime> inTime, outTime, step;
    std::optional<std::int64_t> inFrame, outFrame, stepFrames;
    if (frames) {
        inFrame = parseFrame(in);
        outFrame = parseFrame(outPoint);
        stepFrames = parseFrame(every);
        if (!inFrame || !outFrame || !stepFrames)
            return bad(QStringLiteral("--in, --out and --every must be frame numbers with --frames"));
    } else {
        inTime = parseTime(in);
        outTime = parseTime(outPoint);
        step = parseTime(every);
        if (!inTime || !outTime || !step)
            return bad(QStringLiteral("invalid time (expected seconds like 12.5 or H:MM:SS.ss)"));
    }

    const QString video = files.first();
    auto player = createPlayer();
    player->setInputFile(video);
    player->setFrameGrabbing(true);
    player->setRenderAudio(false);
    if (!player->connectPlayer()) {
        err << "framewell-cli grab: " << player->lastError() << "\n";
        return kExitFailure;
    }
    MediaTime duration = player->duration();
    if (duration == 0)
        duration = 1;
    std::int64_t frameCount = 0;
    if (frames) {
        // AVI files count their frames in the stream header, as the player window reads them.
        frameCount = QFileInfo(video).suffix().toLower() == QLatin1String("avi") ? aviVideoFrameCount(video) : 0;
        if (frameCount <= 0)
            frameCount = player->frameCount();
        if (frameCount <= 0) {
            err << "framewell-cli grab: \"" << video << "\" does not tell its number of frames; give times instead\n";
            return kExitFailure;
        }
        inTime = frameTime(*inFrame, duration, frameCount);
        outTime = frameTime(*outFrame, duration, frameCount);
        step = frameTime(*stepFrames, duration, frameCount);
    }

    const RangePlan plan{*inTime, *outTime, *step};
    if (!plan.valid(duration)) {
        err << "framewell-cli grab: Define position correctly. (IN " << FormatStamp(plan.in) << ", OUT "
            << FormatStamp(plan.out) << ", interval " << plan.interval << " x 100 ns, duration " << FormatStamp(duration) << ")\n";
        return kExitUsage;
    }
    if (!QDir().mkpath(dir)) {
        err << "framewell-cli grab: cannot create the folder \"" << dir << "\"\n";
        return kExitFailure;
    }

    WriteOptions options;
    options.dpi = {double(dpi), double(dpi)};
    const QString base = proposedRangeName(video);
    // Each file is written on a second thread while the next frame is decoded; one write at
    // a time, so the files appear (and are listed) in order.
    std::future<QString> pending; // error text of the write in flight, empty on success
    QString pendingPath;
    auto finishWrite = [&]() -> bool {
        if (!pending.valid())
            return true;
        const QString error = pending.get();
        if (!error.isEmpty()) {
            err << "framewell-cli grab: " << error << "\n";
            return false;
        }
        out << pendingPath << "\n";
        out.flush();
        return true;
    };
    for (std::int64_t i = 0; i < plan.count(); ++i) {
        const MediaTime t = plan.at(i);
        const bool decoded = player->seekAndWait(t);
        if (!finishWrite())
            return kExitFailure;
        if (i > 0) {
            const QStorageInfo storage(dir);
            if (storage.isValid() && storage.bytesAvailable() >= 0 && storage.bytesAvailable() < kMinFreeBytes) {
                err << "framewell-cli grab: Not enough free disk space. Process is stopped.\n";
                return kExitFailure;
            }
        }
        if (!decoded) {
            err << "framewell-cli grab: cannot decode \"" << video << "\" at " << FormatStamp(t) << "\n";
            return kExitFailure;
        }
        const QImage frame = player->currentFrame();
        if (frame.isNull()) {
            err << "framewell-cli grab: no picture in \"" << video << "\" at " << FormatStamp(t) << "\n";
            return kExitFailure;
        }
        const MediaTime reached = player->position();
        const QString stamp = frames ? QString::number(frameAt(reached, duration, frameCount)) : FormatStamp(reached);
        pendingPath = rangeSampleFileName(dir, base, stamp, extension);
        pending = std::async(std::launch::async, [frame, path = pendingPath, imageFormat, options]() -> QString {
            try {
                writeImageFile(path, frame, imageFormat, options);
            } catch (const ImageError& e) {
                return QString::fromUtf8(e.what());
            }
            return {};
        });
    }
    if (!finishWrite())
        return kExitFailure;
    return kExitOk;
}

} // namespace fw::cli
