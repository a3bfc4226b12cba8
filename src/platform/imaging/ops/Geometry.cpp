#include "Geometry.h"

#include "../ImageLimits.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fw::imaging {

namespace {

QImage asBgr(const QImage& image)
{
    return image.format() == QImage::Format_BGR888 ? image : image.convertToFormat(QImage::Format_BGR888);
}

/// Exact turn by a multiple of 90 degrees counter-clockwise (quarter = 1, 2 or 3).
QImage quarterTurn(const QImage& src, int quarter)
{
    const int w = src.width(), h = src.height();
    if (quarter == 2) {
        QImage dst = allocateImage(w, h, QImage::Format_BGR888);
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* s = src.constScanLine(y);
            std::uint8_t* d = dst.scanLine(h - 1 - y) + 3 * (w - 1);
            for (int x = 0; x < w; ++x, s += 3, d -= 3) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
        }
        return dst;
    }
    QImage dst = allocateImage(h, w, QImage::Format_BGR888);
    // Counter-clockwise: source (x, y) -> (y, w - 1 - x). Clockwise: (x, y) -> (h - 1 - y, x).
    // Walk the source in blocks so both images are read and written in cache-sized pieces.
    constexpr int kBlock = 64;
    for (int by = 0; by < h; by += kBlock) {
        for (int bx = 0; bx < w; bx += kBlock) {
            const int yEnd = std::min(h, by + kBlock), xEnd = std::min(w, bx + kBlock);
            for (int y = by; y < yEnd; ++y) {
                const std::uint8_t* s = src.constScanLine(y) + 3 * bx;
                for (int x = bx; x < xEnd; ++x, s += 3) {
                    std::uint8_t* d = quarter == 1 ? dst.scanLine(w - 1 - x) + 3 * y : dst.scanLine(x) + 3 * (h - 1 - y);
                    d[0] = s[0];
                    d[1] = s[1];
                    d[2] = s[2];
                }
            }
        }
    }
    return dst;
}

} // namespace

QImage crop(const QImage& source, const QRect& rect)
{
    const QImage src = asBgr(source);
    const QRect part = rect.intersected(src.rect());
    if (part.isEmpty())
        return src;
    QImage dst = allocateImage(part.width(), part.height(), QImage::Format_BGR888);
    for (int y = 0; y < part.height(); ++y)
        std::memcpy(dst.scanLine(y), src.constScanLine(part.top() + y) + 3 * part.left(), std::size_t(part.width()) * 3);
    return dst;
}

QImage turn(const QImage& source, int degrees, bool antialias, QColor background)
{
    const QImage src = asBgr(source);
    const int normalized = ((degrees % 360) + 360) % 360;
    if (normalized == 0)
        return src.copy();
    if (normalized % 90 == 0)
        return quarterTurn(src, normalized / 90);

    const double rad = normalized * 3.14159265358979323846 / 180.0;
    const double c = std::cos(rad), s = std::sin(rad);
    const int w = src.width(), h = src.height();
    const int dw = int(std::ceil(w * std::fabs(c) + h * std::fabs(s) - 1e-9));
    const int dh = int(std::ceil(w * std::fabs(s) + h * std::fabs(c) - 1e-9));
    QImage dst = allocateImage(dw, dh, QImage::Format_BGR888);
    const std::uint8_t bg[3] = {std::uint8_t(background.blue()), std::uint8_t(background.green()),
                                std::uint8_t(background.red())};
    const double scx = w / 2.0, scy = h / 2.0, dcx = dw / 2.0, dcy = dh / 2.0;
    for (int y = 0; y < dh; ++y) {
        std::uint8_t* d = dst.scanLine(y);
        const double dy = y + 0.5 - dcy;
        for (int x = 0; x < dw; ++x, d += 3) {
            const double dx = x + 0.5 - dcx;
            // Inverse of the counter-clockwise turn (y grows downwards).
            const double sx = c * dx - s * dy + scx - 0.5;
            const double sy = s * dx + c * dy + scy - 0.5;
            if (!antialias) {
                const int ix = int(std::floor(sx + 0.5)), iy = int(std::floor(sy + 0.5));
                const std::uint8_t* p = (ix >= 0 && iy >= 0 && ix < w && iy < h) ? src.constScanLine(iy) + 3 * ix : bg;
                d[0] = p[0];
                d[1] = p[1];
                d[2] = p[2];
                continue;
            }
            // Bilinear: pixels outside the picture count as background, so the edge blends smoothly.
            const int x0 = int(std::floor(sx)), y0 = int(std::floor(sy));
            const double fx = sx - x0, fy = sy - y0;
            if (x0 < -1 || y0 < -1 || x0 >= w || y0 >= h) {
                d[0] = bg[0];
                d[1] = bg[1];
                d[2] = bg[2];
                continue;
            }
            auto at = [&](int px, int py) -> const std::uint8_t* {
                return (px >= 0 && py >= 0 && px < w && py < h) ? src.constScanLine(py) + 3 * px : bg;
            };
            const std::uint8_t *p00 = at(x0, y0), *p10 = at(x0 + 1, y0), *p01 = at(x0, y0 + 1), *p11 = at(x0 + 1, y0 + 1);
            for (int ch = 0; ch < 3; ++ch) {
                const double top = p00[ch] + (p10[ch] - p00[ch]) * fx;
                const double bottom = p01[ch] + (p11[ch] - p01[ch]) * fx;
                d[ch] = std::uint8_t(std::clamp(top + (bottom - top) * fy + 0.5, 0.0, 255.0));
            }
        }
    }
    return dst;
}

QImage mirror(const QImage& source, MirrorDirection direction)
{
    const QImage src = asBgr(source);
    const int w = src.width(), h = src.height();
    QImage dst = allocateImage(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y) {
        if (direction == MirrorDirection::TopBottom) {
            std::memcpy(dst.scanLine(h - 1 - y), src.constScanLine(y), std::size_t(w) * 3);
            continue;
        }
        const std::uint8_t* s = src.constScanLine(y);
        std::uint8_t* d = dst.scanLine(y) + 3 * (w - 1);
        for (int x = 0; x < w; ++x, s += 3, d -= 3) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    }
    return dst;
}

} // namespace fw::imaging
