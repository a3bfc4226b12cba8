#pragma once

#include <QString>
#include <QStringList>

namespace fw::app {

/// Which viewer File > Open sends a file to (`OpenKind`).
enum class OpenKind { None = 0, VideoPlayer = 1, MediaGrabber = 2, GifImport = 3 };

/// The kind for a file, from its lower-cased extension.
OpenKind openKindForPath(const QString& path);

/// Today's video containers the player also opens ("mp4", "mkv", ...), without dots.
const QStringList& modernVideoExtensions();

/// The open dialog's file types, in order, as Qt name filters: "All files " (every type the
/// dispatch knows, ".vob" aside), one type per classic family, then "Modern video files".
QStringList openDialogFilters();

} // namespace fw::app
