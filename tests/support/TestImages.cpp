#include "support/TestImages.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace fw::test {

QImage makeTestImage(int width, int height, unsigned seed)
{
    QImage image(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            unsigned h = (unsigned(x) * 73856093u) ^ (unsigned(y) * 19349663u) ^ (seed * 83492791u);
            h ^= h >> 13;
            h *= 0x5bd1e995u;
            h ^= h >> 15;
            row[3 * x + 0] = uchar((x * 255) / std::max(1, width - 1));       // blue: left to right
            row[3 * x + 1] = uchar((y * 255) / std::max(1, height - 1));      // green: top to bottom
            row[3 * x + 2] = uchar(((x + y) & 1) ? (h & 0xff) : 255 - (h & 0x7f)); // red: noise
        }
    }
    return image;
}

QImage makeIndexedImage(int width, int height, int colours, unsigned seed)
{
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> palette;
    for (int i = 0; i < colours; ++i)
        palette.append(qRgb((i * 37 + int(seed)) & 0xff, (i * 91) & 0xff, (255 - i * 13) & 0xff));
    image.setColorTable(palette);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x)
            row[x] = uchar(((x / 3) + (y / 2) * 7 + int(seed) + x * y) % colours);
    }
    return image;
}

QImage makeAlphaImage(int width, int height)
{
    QImage image = makeTestImage(width, height).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgba(qRed(row[x]), qGreen(row[x]), qBlue(row[x]), (x * 31 + y * 17) & 0xff);
    }
    return image;
}

int maxArgbDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 256;
    const QImage ca = a.convertToFormat(QImage::Format_ARGB32);
    const QImage cb = b.convertToFormat(QImage::Format_ARGB32);
    int worst = 0;
    for (int y = 0; y < ca.height(); ++y) {
        const uchar* ra = ca.constScanLine(y);
        const uchar* rb = cb.constScanLine(y);
        for (int i = 0; i < ca.width() * 4; ++i)
            worst = std::max(worst, std::abs(int(ra[i]) - int(rb[i])));
    }
    return worst;
}

double psnr(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 0;
    const QImage ca = a.convertToFormat(QImage::Format_RGB888);
    const QImage cb = b.convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    for (int y = 0; y < ca.height(); ++y) {
        const uchar* ra = ca.constScanLine(y);
        const uchar* rb = cb.constScanLine(y);
        for (int x = 0; x < ca.width() * 3; ++x) {
            const double d = double(ra[x]) - double(rb[x]);
            sum += d * d;
        }
    }
    const double mse = sum / (double(ca.width()) * ca.height() * 3);
    if (mse == 0)
        return std::numeric_limits<double>::infinity();
    return 10 * std::log10(255.0 * 255.0 / mse);
}

bool samePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    const QImage ca = a.convertToFormat(QImage::Format_RGB888);
    const QImage cb = b.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < ca.height(); ++y)
        if (memcmp(ca.constScanLine(y), cb.constScanLine(y), size_t(ca.width()) * 3) != 0)
            return false;
    return true;
}

TempDir::TempDir() { EXPECT_TRUE(dir_.isValid()); }

QString TempDir::path(const QString& name) const { return dir_.filePath(name); }

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace fw::test
