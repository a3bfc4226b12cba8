#pragma once

#include <QString>
#include <QStringList>

namespace fw::test {

struct ToolResult {
    int exitCode = -1;
    QString out;
    QString err;
    bool ok() const { return exitCode == 0; }
};

/// Runs an external program (ImageMagick, ffmpeg, exiftool, ...) and waits up to `timeoutMs`.
ToolResult runTool(const QString& program, const QStringList& args, int timeoutMs = 60000);

/// What ImageMagick's identify reports of an image file.
struct IdentifyResult {
    bool ok = false;
    int width = 0;
    int height = 0;
    double resolutionX = 0; ///< in the unit identify reports (see `units`)
    double resolutionY = 0;
    QString units;          ///< "PixelsPerInch", "PixelsPerCentimeter" or "Undefined"
    QString format;         ///< ImageMagick's format name ("PNG")
    QString error;

    /// Resolution converted to dots per inch (0 when undefined).
    double dpiX() const;
    double dpiY() const;
};

/// Identifies the first image of `path` with ImageMagick (format as `prefix:` when given).
IdentifyResult identify(const QString& path, const QString& prefix = QString());

} // namespace fw::test
