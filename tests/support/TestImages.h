#pragma once

#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

/// Lets GoogleTest print Qt strings readably in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* os) { *os << '[' << list.join(QStringLiteral(", ")).toStdString() << ']'; }

namespace fw::test {

/// A deterministic 24-bit (BGR888) test picture: gradients plus a hashed noise pattern, so
/// that swapped channels, flipped rows, shifted columns and stride errors all show.
QImage makeTestImage(int width, int height, unsigned seed = 1);

/// A deterministic 8-bit palette image with `colours` palette entries.
QImage makeIndexedImage(int width, int height, int colours = 256, unsigned seed = 1);

/// makeTestImage with an alpha channel that runs through every level (ARGB32).
QImage makeAlphaImage(int width, int height);

/// Largest difference of any A, R, G or B value (not premultiplied) between two images of the
/// same size; 256 when the sizes differ.
int maxArgbDifference(const QImage& a, const QImage& b);

/// Peak signal-to-noise ratio in dB between two images of the same size (both converted to
/// 24 bits); infinity when identical.
double psnr(const QImage& a, const QImage& b);

/// True when both images have the same size and the same RGB value at every pixel
/// (formats may differ: a palette image equals its 24-bit expansion).
bool samePixels(const QImage& a, const QImage& b);

/// A temporary folder removed at the end of the test.
class TempDir {
public:
    TempDir();
    QString path(const QString& name) const;
    QString root() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

/// Bytes of a file, or an empty array.
QByteArray readAll(const QString& path);
bool writeAll(const QString& path, const QByteArray& bytes);

} // namespace fw::test
