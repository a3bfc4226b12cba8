#include "RangeRequest.h"

#include "VideoPositions.h"
#include "platform/imaging/ImageFile.h"

#include <QDir>
#include <QFileInfo>

namespace fw::video {

std::optional<fw::media::RangePlan> planRange(const RangeFields& f, MediaTime duration, std::int64_t frameCount)
{
    std::optional<MediaTime> in;
    std::optional<MediaTime> out;
    if (f.frameFormat) {
        in = frameToMediaTime(fieldInteger(f.inFrame, 1), duration, frameCount);
        out = frameToMediaTime(fieldInteger(f.outFrame, 1), duration, frameCount);
    } else {
        in = hmsToMediaTime(fieldInteger(f.inHours, 0), fieldInteger(f.inMinutes, 0), fieldInteger(f.inSeconds, 0));
        out = hmsToMediaTime(fieldInteger(f.outHours, 0), fieldInteger(f.outMinutes, 0), fieldInteger(f.outSeconds, 0));
    }
    if (!in || !out)
        return std::nullopt;
    fw::media::RangePlan plan;
    plan.in = *in;
    plan.out = *out;
    plan.interval = spanToMediaTime(f.frameFormat, f.intervalSeconds, f.intervalFrames, duration, frameCount);
    if (!plan.valid(duration))
        return std::nullopt;
    return plan;
}

const QList<fw::app::SaveType>& rangeSaveTypes()
{
    static const QList<fw::app::SaveType> types = {
        {QStringLiteral("Windows Bitmap (BMP)"), QStringLiteral(".bmp")},
        {QStringLiteral("JPEG Bitmap (JPG)"), QStringLiteral(".jpg")},
        {QStringLiteral("CompuServe Bitmap (GIF)"), QStringLiteral(".gif")},
        {QStringLiteral("TIFF Bitmap (TIF)"), QStringLiteral(".tif")},
        {QStringLiteral("PaintBrush (PCX)"), QStringLiteral(".pcx")},
        {QStringLiteral("Portable Network Graphics (PNG)"), QStringLiteral(".png")},
        {QStringLiteral("Targa Bitmap (TGA)"), QStringLiteral(".tga")},
    };
    return types;
}

QString RangeSaveTarget::fileFor(const QString& stamp) const
{
    return fw::media::rangeSampleFileName(folder, base, stamp, extension);
}

RangeSaveTarget planRangeSave(const QString& chosenPath, int typeIndex)
{
    const auto& types = rangeSaveTypes();
    const fw::app::SaveType& type = types.at(typeIndex >= 0 && typeIndex < types.size() ? typeIndex : 0);
    const QFileInfo info(chosenPath);
    RangeSaveTarget target;
    target.folder = QDir(info.absolutePath()).absolutePath();
    if (!target.folder.endsWith(QLatin1Char('/')))
        target.folder += QLatin1Char('/');
    const QString suffix = info.suffix();
    if (suffix.isEmpty() || !fw::imaging::canWrite(fw::imaging::formatForPath(QStringLiteral("x.") + suffix))) {
        target.base = info.fileName();
        target.extension = type.extension;
    } else {
        target.base = info.completeBaseName();
        target.extension = QLatin1Char('.') + suffix;
    }
    return target;
}

} // namespace fw::video
