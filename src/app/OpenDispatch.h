#pragma once

#include <QString>
#include <QStringList>

namespace fw::app {

/// Which viewer File > Open sends a file to (`OpenKind`).
enum class OpenKind { None = 0, VideoPlayer = 1, MediaGrabber = 2, GifImport = 3 };

/// The kind for a file, from its lower-cased extension.
OpenKind openKindForPath(const QString& path);

/// The open dialog's file types, in order, as Qt name filters.
QStringList openDialogFilters();

} // namespace fw::app
