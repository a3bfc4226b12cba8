#pragma once

#include "Bytes.h"
#include "ImageFormat.h"
#include "LoadedImage.h"
#include "WriteOptions.h"

#include <QImage>
#include <QString>

namespace fw::imaging {

/// Reads an image file. The format is found from the content first (a BMP named .orbek reads
/// as BMP) and from the extension for formats without a signature.
/// Throws ImageError "NAME: problem" when the file cannot be read.
LoadedImage readImageFile(const QString& path);

/// Reads an image held in memory; `name` only labels errors.
LoadedImage readImageData(ByteView data, const QString& name, ImageFormat hint = ImageFormat::Unknown);

/// Writes `image` in the format that the extension of `path` names (case-insensitive).
/// The file is replaced atomically: on any failure the old file (if any) stays as it was.
/// Throws ImageError "NAME: problem" on an unknown extension, an encoder error or an I/O error.
void writeImageFile(const QString& path, const QImage& image, const WriteOptions& options = {});

/// Writes `image` in the given format whatever the file is called (frame files are BMP
/// under their own extension).
void writeImageFile(const QString& path, const QImage& image, ImageFormat format,
                    const WriteOptions& options = {});

/// Encodes into memory.
ByteBuffer encodeImage(const QImage& image, ImageFormat format, const WriteOptions& options = {});

/// The format the extension of `path` names, or Unknown.
ImageFormat formatForPath(const QString& path);

/// Human name of a format ("JPEG"), or "unknown".
QString formatName(ImageFormat format);

/// True when the format can be written / read.
bool canWrite(ImageFormat format);
bool canRead(ImageFormat format);

} // namespace fw::imaging
