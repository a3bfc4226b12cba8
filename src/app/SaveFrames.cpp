#include "SaveFrames.h"

#include "FrameStore.h"
#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "platform/ui/Prompts.h"

#include <QDir>
#include <QFileInfo>

namespace fw::app {

QString SaveType::nameFilter() const { return description + QStringLiteral(" (*") + extension + QLatin1Char(')'); }

const QList<SaveType>& saveTypes()
{
    static const QList<SaveType> types = {
        {QStringLiteral("JPEG Bitmap (JPG)"), QStringLiteral(".jpg")},
        {QStringLiteral("TIFF Bitmap (TIF)"), QStringLiteral(".tif")},
        {QStringLiteral("PaintBrush (PCX)"), QStringLiteral(".pcx")},
        {QStringLiteral("Portable Network Graphics (PNG)"), QStringLiteral(".png")},
        {QStringLiteral("Windows Bitmap (BMP)"), QStringLiteral(".bmp")},
        {QStringLiteral("OS/2 Bitmap (BMP)"), QStringLiteral(".bmp"), true},
        {QStringLiteral("Targa Bitmap (TGA)"), QStringLiteral(".tga")},
        {QStringLiteral("Portable PixMap (PXM)"), QStringLiteral(".pxm")},
        {QStringLiteral("Portable PixMap (PPM)"), QStringLiteral(".ppm")},
        {QStringLiteral("Portable GreyMap (PGM)"), QStringLiteral(".pgm")},
        {QStringLiteral("Portable Bitmap (PBM)"), QStringLiteral(".pbm")},
        {QStringLiteral("JPEG2000 (JP2)"), QStringLiteral(".jp2")},
        {QStringLiteral("JPEG2000 Code Stream (J2K)"), QStringLiteral(".j2k")},
    };
    return types;
}

SavePlan planSave(const QString& chosenPath, int typeIndex, const QString& firstCaption)
{
    const auto& types = saveTypes();
    const SaveType& type = types.at(typeIndex >= 0 && typeIndex < types.size() ? typeIndex : 0);
    const QFileInfo info(chosenPath);
    QString name = info.fileName();
    QString suffix = info.suffix();
    // Captions hold dots ("clip.avi[0.00.10,00]"): only an extension of a writable image type
    // counts as one.
    if (suffix.isEmpty() || !imaging::canWrite(imaging::formatForPath(QStringLiteral("x.") + suffix))) {
        name += type.extension;
        suffix = type.extension.mid(1);
    }
    SavePlan plan;
    plan.folder = QDir(info.absolutePath()).absolutePath();
    if (!plan.folder.endsWith(QLatin1Char('/')))
        plan.folder += QLatin1Char('/');
    plan.extension = QLatin1Char('.') + suffix.toLower();
    plan.base = name.left(name.size() - suffix.size() - 1);
    plan.numbered = plan.base != firstCaption;
    plan.os2Bitmap = type.os2Bitmap && plan.extension == QLatin1String(".bmp");
    return plan;
}

QString SavePlan::targetFor(int index, const QString& caption) const
{
    if (numbered)
        return folder + base + QLatin1Char('[') + QString::number(index + 1) + QLatin1Char(']') + extension;
    return folder + caption + extension;
}

QString replaceQuestion(const QString& target)
{
    return target + QStringLiteral(" already exists.\r\nDo you want to replace it?");
}

} // namespace fw::app

namespace fw::app {

int saveFrames(const FrameStore& store, const SavePlan& plan, imaging::WriteOptions options, ui::Prompts& prompts,
               QWidget* parent, const SaveLoopHooks& hooks)
{
    options.bmp.os2 = plan.os2Bitmap;
    int written = 0;
    for (int i = 0; i < store.count(); ++i) {
        if (hooks.step)
            hooks.step();
        if (store.frameFileExists(i)) {
            const QImage frame = store.loadFrame(i);
            const QString target = plan.targetFor(i, store.FrameCaptions.at(i));
            if (!frame.isNull() && (!QFileInfo::exists(target) || prompts.confirm(parent, replaceQuestion(target)))) {
                try {
                    imaging::writeImageFile(target, frame, options);
                    ++written;
                } catch (const imaging::ImageError& e) {
                    prompts.error(parent, QString::fromStdString(e.what()));
                    break;
                }
            }
        }
        if (hooks.progress)
            hooks.progress(i);
    }
    return written;
}

} // namespace fw::app
