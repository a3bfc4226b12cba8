#include "OpenDispatch.h"

#include <QFileInfo>

namespace fw::app {

OpenKind openKindForPath(const QString& path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    static const QStringList video = {QStringLiteral("avi"), QStringLiteral("mpg"), QStringLiteral("mpe"),
                                      QStringLiteral("mpeg"), QStringLiteral("divx"), QStringLiteral("dat")};
    static const QStringList media = {QStringLiteral("wmv"), QStringLiteral("asf"), QStringLiteral("vob"),
                                      QStringLiteral("mov")};
    if (ext.isEmpty())
        return OpenKind::None;
    if (video.contains(ext))
        return OpenKind::VideoPlayer;
    if (media.contains(ext))
        return OpenKind::MediaGrabber;
    if (ext == QLatin1String("gif"))
        return OpenKind::GifImport;
    return OpenKind::None;
}

QStringList openDialogFilters()
{
    return {
        QStringLiteral("All files  (*.avi *.mpg *.mpe *.mpeg *.divx *.dat *.wmv *.asf *.mov *.gif)"),
        QStringLiteral("AVI files (*.avi)"),
        QStringLiteral("MPEG files (*.mpg *.mpe *.mpeg)"),
        QStringLiteral("DivX files (*.divx)"),
        QStringLiteral("WMV files (*.wmv)"),
        QStringLiteral("ASF files (*.asf)"),
        QStringLiteral("MOV files (*.mov)"),
        QStringLiteral("GIF files (*.gif)"),
        QStringLiteral("DAT files (*.dat)"),
    };
}

} // namespace fw::app
