#pragma once

// Small helpers shared by the codec tests: byte conversions, decoding from memory, running
// ImageMagick to make fixtures and reference decodings, and patching header fields.

#include "platform/imaging/Bytes.h"
#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "support/ExternalTools.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <string>

namespace fw::test {

inline QByteArray toBytes(const imaging::ByteBuffer& b)
{
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

inline imaging::ByteView viewOf(const QByteArray& bytes)
{
    return imaging::ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
}

/// Decodes as the file-level API would for a file called `name`.
inline imaging::LoadedImage decodeNamed(const QByteArray& bytes, const QString& name)
{
    return imaging::readImageData(viewOf(bytes), name, imaging::formatForPath(name));
}

/// Stores `value` little-endian (or big-endian) in `width` bytes at `offset`.
inline void patchLe(QByteArray& bytes, int offset, quint32 value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[offset + i] = char((value >> (8 * i)) & 0xff);
}
inline void patchBe(QByteArray& bytes, int offset, quint32 value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[offset + i] = char((value >> (8 * (width - 1 - i))) & 0xff);
}

/// Runs ImageMagick's convert; fails the test with its message when it does not succeed.
inline bool magick(const QStringList& args)
{
    const ToolResult t = runTool(QStringLiteral("convert"), args);
    EXPECT_TRUE(t.ok()) << args.join(QLatin1Char(' ')).toStdString() << ": " << t.err.toStdString();
    return t.ok();
}

/// ImageMagick's own decoding of `path`, through a PNG it writes (alpha kept when `alpha`).
/// ImageMagick keeps Targa rows in file order and records the origin separately: -auto-orient
/// applies it.
inline QImage magickReference(const TempDir& dir, const QString& path, bool alpha = false, int frame = 0)
{
    const QString png = dir.path(QFileInfo(path).completeBaseName() + QStringLiteral("-ref.png"));
    if (!magick({path + QStringLiteral("[%1]").arg(frame), QStringLiteral("-auto-orient"), QStringLiteral("-alpha"),
                 alpha ? QStringLiteral("on") : QStringLiteral("off"),
                 QStringLiteral("-depth"), QStringLiteral("8"), png}))
        return {};
    return QImage(png);
}

/// True when both images have the same size, the same alpha everywhere and the same colour
/// wherever a pixel is not fully transparent (writers may drop the colour of those).
inline bool sameArgb(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    const QImage ca = a.convertToFormat(QImage::Format_ARGB32), cb = b.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < ca.height(); ++y) {
        for (int x = 0; x < ca.width(); ++x) {
            const QRgb pa = ca.pixel(x, y), pb = cb.pixel(x, y);
            if (qAlpha(pa) != qAlpha(pb) || (qAlpha(pa) != 0 && (pa & 0xffffff) != (pb & 0xffffff))) {
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << pa << " vs " << pb;
                return false;
            }
        }
    }
    return true;
}

/// Expects decoding `bytes` under `name` to fail with a message naming the file and holding `expected`.
inline void expectRefused(const QByteArray& bytes, const QString& name, const char* expected, const std::string& label)
{
    try {
        decodeNamed(bytes, name);
        ADD_FAILURE() << label << ": accepted a forged file";
    } catch (const imaging::ImageError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(name.toStdString()), std::string::npos) << label << ": " << message;
        EXPECT_NE(message.find(expected), std::string::npos) << label << ": " << message;
    }
}

} // namespace fw::test
