#include "Geometry.h"

#include "../ImageLimits.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
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
    std::uint8_t* out = dst.bits(); // one detach check, not one per pixel
    const qsizetype outStride = dst.bytesPerLine();
    for (int by = 0; by < h; by += kBlock) {
        for (int bx = 0; bx < w; bx += kBlock) {
            const int yEnd = std::min(h, by + kBlock), xEnd = std::min(w, bx + kBlock);
            for (int y = by; y < yEnd; ++y) {
                const std::uint8_t* s = src.constScanLine(y) + 3 * bx;
                for (int x = bx; x < xEnd; ++x, s += 3) {
                    std::uint8_t* d = quarter == 1 ? out + (w - 1 - x) * outStride + 3 * y
                                                   : out + x * outStride + 3 * (h - 1 - y);
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
    // Source positions in 16.16 fixed point, stepped along each target row.
    constexpr double kFix = 65536.0;
    const std::int64_t stepX = std::llround(c * kFix), stepY = std::llround(s * kFix);
    const std::uint8_t* base = src.constBits();
    const qsizetype stride = src.bytesPerLine();
    for (int y = 0; y < dh; ++y) {
        std::uint8_t* d = dst.scanLine(y);
        const double dy = y + 0.5 - dcy;
        // Inverse of the counter-clockwise turn (y grows downwards).
        std::int64_t fxPos = std::llround((c * (0.5 - dcx) - s * dy + scx - 0.5) * kFix);
        std::int64_t fyPos = std::llround((s * (0.5 - dcx) + c * dy + scy - 0.5) * kFix);
        for (int x = 0; x < dw; ++x, d += 3, fxPos += stepX, fyPos += stepY) {
            if (!antialias) {
                const std::int64_t ix = (fxPos + 32768) >> 16, iy = (fyPos + 32768) >> 16;
                const std::uint8_t* p = (ix >= 0 && iy >= 0 && ix < w && iy < h) ? base + iy * stride + 3 * ix : bg;
                d[0] = p[0];
                d[1] = p[1];
                d[2] = p[2];
                continue;
            }
            const std::int64_t x0 = fxPos >> 16, y0 = fyPos >> 16; // arithmetic shift: floor
            if (x0 < -1 || y0 < -1 || x0 >= w || y0 >= h) {
                d[0] = bg[0];
                d[1] = bg[1];
                d[2] = bg[2];
                continue;
            }
            // Bilinear with 8-bit weights; pixels outside the picture count as background, so
            // the edge blends smoothly into it.
            const int fx = int((fxPos >> 8) & 255), fy = int((fyPos >> 8) & 255);
            const std::uint8_t *p00, *p10, *p01, *p11;
            if (x0 >= 0 && y0 >= 0 && x0 + 1 < w && y0 + 1 < h) {
                p00 = base + y0 * stride + 3 * x0;
                p10 = p00 + 3;
                p01 = p00 + stride;
                p11 = p01 + 3;
            } else {
                auto at = [&](std::int64_t px, std::int64_t py) -> const std::uint8_t* {
                    return (px >= 0 && py >= 0 && px < w && py < h) ? base + py * stride + 3 * px : bg;
                };
                p00 = at(x0, y0);
                p10 = at(x0 + 1, y0);
                p01 = at(x0, y0 + 1);
                p11 = at(x0 + 1, y0 + 1);
            }
            for (int ch = 0; ch < 3; ++ch) {
                const int top = p00[ch] * (256 - fx) + p10[ch] * fx;
                const int bottom = p01[ch] * (256 - fx) + p11[ch] * fx;
                d[ch] = std::uint8_t((top * (256 - fy) + bottom * fy + (1 << 15)) >> 16);
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
