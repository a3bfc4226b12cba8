#include "OpenDispatch.h"

#include <QFileInfo>

namespace fw::app {

namespace {

// The video player's extensions: the classic ones, then the containers of today.
const QStringList& classicVideo()
{
    static const QStringList list = {QStringLiteral("avi"), QStringLiteral("mpg"), QStringLiteral("mpe"),
                                     QStringLiteral("mpeg"), QStringLiteral("divx"), QStringLiteral("dat")};
    return list;
}

} // namespace

const QStringList& modernVideoExtensions()
{
    static const QStringList list = {QStringLiteral("mp4"), QStringLiteral("m4v"),  QStringLiteral("mkv"),
                                     QStringLiteral("webm"), QStringLiteral("ts"),  QStringLiteral("m2ts"),
                                     QStringLiteral("mts"), QStringLiteral("flv"),  QStringLiteral("3gp"),
                                     QStringLiteral("ogv")};
    return list;
}

OpenKind openKindForPath(const QString& path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    static const QStringList media = {QStringLiteral("wmv"), QStringLiteral("asf"), QStringLiteral("vob"),
                                      QStringLiteral("mov")};
    if (ext.isEmpty())
        return OpenKind::None;
    if (classicVideo().contains(ext) || modernVideoExtensions().contains(ext))
        return OpenKind::VideoPlayer;
    if (media.contains(ext))
        return OpenKind::MediaGrabber;
    if (ext == QLatin1String("gif"))
        return OpenKind::GifImport;
    return OpenKind::None;
}

QStringList openDialogFilters()
{
    QString modern;
    for (const QString& ext : modernVideoExtensions())
        modern += QStringLiteral(" *.") + ext;
    return {
        QStringLiteral("All files  (*.avi *.mpg *.mpe *.mpeg *.divx *.dat *.wmv *.asf *.mov *.gif") + modern
            + QLatin1Char(')'),
        QStringLiteral("AVI files (*.avi)"),
        QStringLiteral("MPEG files (*.mpg *.mpe *.mpeg)"),
        QStringLiteral("DivX files (*.divx)"),
        QStringLiteral("WMV files (*.wmv)"),
        QStringLiteral("ASF files (*.asf)"),
        QStringLiteral("MOV files (*.mov)"),
        QStringLiteral("GIF files (*.gif)"),
        QStringLiteral("DAT files (*.dat)"),
        QStringLiteral("Modern video files (") + modern.mid(1) + QLatin1Char(')'),
    };
}

} // namespace fw::app
