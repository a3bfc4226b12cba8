#include "Resample.h"

#include "../ImageLimits.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace fw::imaging {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kWeightBits = 14; // fixed-point weights: 1.0 == 1 << 14
constexpr int kOne = 1 << kWeightBits;

double triangle(double x) { x = std::fabs(x); return x < 1 ? 1 - x : 0; }
double hermite(double x) { x = std::fabs(x); return x < 1 ? (2 * x - 3) * x * x + 1 : 0; }
double bell(double x)
{
    x = std::fabs(x);
    if (x < 0.5)
        return 0.75 - x * x;
    if (x < 1.5) {
        x -= 1.5;
        return 0.5 * x * x;
    }
    return 0;
}
double bspline(double x)
{
    x = std::fabs(x);
    if (x < 1)
        return (0.5 * x - 1) * x * x + 2.0 / 3;
    if (x < 2) {
        x = 2 - x;
        return x * x * x / 6;
    }
    return 0;
}
double sinc(double x) { return x == 0 ? 1 : std::sin(kPi * x) / (kPi * x); }
double lanczos3(double x) { return std::fabs(x) < 3 ? sinc(x) * sinc(x / 3) : 0; }
double mitchell(double x)
{
    constexpr double B = 1.0 / 3, C = 1.0 / 3;
    x = std::fabs(x);
    if (x < 1)
        return ((12 - 9 * B - 6 * C) * x * x * x + (-18 + 12 * B + 6 * C) * x * x + (6 - 2 * B)) / 6;
    if (x < 2)
        return ((-B - 6 * C) * x * x * x + (6 * B + 30 * C) * x * x + (-12 * B - 48 * C) * x + (8 * B + 24 * C)) / 6;
    return 0;
}

struct Kernel {
    double (*f)(double);
    double radius;
    bool widen; // widen the support when reducing
};

Kernel kernelFor(ResampleFilter filter)
{
    switch (filter) {
    case ResampleFilter::Triangle: return {triangle, 1, true};
    case ResampleFilter::Hermite: return {hermite, 1, true};
    case ResampleFilter::Bell: return {bell, 1.5, true};
    case ResampleFilter::BSpline: return {bspline, 2, true};
    case ResampleFilter::Lanczos3: return {lanczos3, 3, true};
    case ResampleFilter::Mitchell: return {mitchell, 2, true};
    case ResampleFilter::Linear:
    default: return {triangle, 1, false};
    }
}

/// For each target position: the first source index and the fixed-point weights of the
/// source pixels it takes (normalised to sum to kOne, clamped at the edges).
struct Contributions {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<std::int32_t> weights; // `stride` per target position
    int stride = 0;
};

Contributions contributions(int src, int dst, const Kernel& k)
{
    const double scale = double(src) / dst;
    const double widen = k.widen ? std::max(1.0, scale) : 1.0;
    const double support = k.radius * widen;
    Contributions c;
    c.stride = int(std::ceil(support)) * 2 + 1;
    c.first.resize(std::size_t(dst));
    c.count.resize(std::size_t(dst));
    c.weights.assign(std::size_t(dst) * std::size_t(c.stride), 0);
    std::vector<double> w(std::size_t(c.stride));
    for (int x = 0; x < dst; ++x) {
        const double centre = (x + 0.5) * scale - 0.5;
        int lo = int(std::ceil(centre - support));
        int hi = int(std::floor(centre + support));
        lo = std::max(lo, 0);
        hi = std::min(hi, src - 1);
        if (hi - lo + 1 > c.stride)
            hi = lo + c.stride - 1;
        double total = 0;
        int n = 0;
        for (int i = lo; i <= hi; ++i, ++n) {
            w[std::size_t(n)] = k.f((i - centre) / widen);
            total += w[std::size_t(n)];
        }
        if (n == 0 || total == 0) { // nothing under the kernel: take the nearest pixel
            lo = std::clamp(int(std::lround(centre)), 0, src - 1);
            n = 1;
            w[0] = total = 1;
        }
        // Round the weights and give the rounding remainder to the largest, so flat areas stay exact.
        std::int32_t* out = &c.weights[std::size_t(x) * std::size_t(c.stride)];
        std::int32_t sum = 0;
        int largest = 0;
        for (int i = 0; i < n; ++i) {
            out[i] = std::int32_t(std::lround(w[std::size_t(i)] / total * kOne));
            sum += out[i];
            if (std::abs(out[i]) > std::abs(out[largest]))
                largest = i;
        }
        out[largest] += kOne - sum;
        c.first[std::size_t(x)] = lo;
        c.count[std::size_t(x)] = n;
    }
    return c;
}

inline std::uint8_t clampRound(std::int32_t acc)
{
    acc = (acc + (kOne >> 1)) >> kWeightBits;
    return std::uint8_t(acc < 0 ? 0 : acc > 255 ? 255 : acc);
}

/// Horizontal pass over rows [0, rows) of src (3 bytes per pixel) into dst.
void horizontalPass(const QImage& src, QImage& dst, const Contributions& c)
{
    const int w = dst.width();
    for (int y = 0; y < src.height(); ++y) {
        const std::uint8_t* s = src.constScanLine(y);
        std::uint8_t* d = dst.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const std::int32_t* wt = &c.weights[std::size_t(x) * std::size_t(c.stride)];
            const std::uint8_t* p = s + 3 * c.first[std::size_t(x)];
            std::int32_t b = 0, g = 0, r = 0;
            for (int i = 0, n = c.count[std::size_t(x)]; i < n; ++i, p += 3) {
                b += p[0] * wt[i];
                g += p[1] * wt[i];
                r += p[2] * wt[i];
            }
            d[3 * x] = clampRound(b);
            d[3 * x + 1] = clampRound(g);
            d[3 * x + 2] = clampRound(r);
        }
    }
}

/// Vertical pass: each target row is a weighted sum of whole source rows (cache friendly).
void verticalPass(const QImage& src, QImage& dst, const Contributions& c)
{
    const int bytes = dst.width() * 3;
    std::vector<std::int32_t> acc(static_cast<std::size_t>(bytes));
    for (int y = 0; y < dst.height(); ++y) {
        std::fill(acc.begin(), acc.end(), 0);
        const std::int32_t* wt = &c.weights[std::size_t(y) * std::size_t(c.stride)];
        for (int i = 0, n = c.count[std::size_t(y)]; i < n; ++i) {
            const std::uint8_t* s = src.constScanLine(c.first[std::size_t(y)] + i);
            const std::int32_t weight = wt[i];
            for (int x = 0; x < bytes; ++x)
                acc[std::size_t(x)] += s[x] * weight;
        }
        std::uint8_t* d = dst.scanLine(y);
        for (int x = 0; x < bytes; ++x)
            d[x] = clampRound(acc[std::size_t(x)]);
    }
}

QImage stretchNearest(const QImage& src, int w, int h, bool centred)
{
    QImage dst = allocateImage(w, h, QImage::Format_BGR888);
    std::vector<int> xs(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x) {
        const double sx = centred ? (x + 0.5) * src.width() / w : double(x) * src.width() / w;
        xs[std::size_t(x)] = std::min(src.width() - 1, int(sx)) * 3;
    }
    for (int y = 0; y < h; ++y) {
        const double sy = centred ? (y + 0.5) * src.height() / h : double(y) * src.height() / h;
        const std::uint8_t* s = src.constScanLine(std::min(src.height() - 1, int(sy)));
        std::uint8_t* d = dst.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = s + xs[std::size_t(x)];
            d[3 * x] = p[0];
            d[3 * x + 1] = p[1];
            d[3 * x + 2] = p[2];
        }
    }
    return dst;
}

QImage fastLinear(const QImage& src, int w, int h)
{
    QImage dst = allocateImage(w, h, QImage::Format_BGR888);
    // 8-bit weights, positions in 16.16 fixed point.
    std::vector<int> x0(static_cast<std::size_t>(w)), fx(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x) {
        const double sx = std::clamp((x + 0.5) * src.width() / w - 0.5, 0.0, double(src.width() - 1));
        x0[std::size_t(x)] = int(sx);
        fx[std::size_t(x)] = int((sx - int(sx)) * 256);
    }
    for (int y = 0; y < h; ++y) {
        const double sy = std::clamp((y + 0.5) * src.height() / h - 0.5, 0.0, double(src.height() - 1));
        const int y0 = int(sy), y1 = std::min(y0 + 1, src.height() - 1);
        const int fy = int((sy - y0) * 256);
        const std::uint8_t* r0 = src.constScanLine(y0);
        const std::uint8_t* r1 = src.constScanLine(y1);
        std::uint8_t* d = dst.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const int a = x0[std::size_t(x)] * 3;
            const int b = std::min(x0[std::size_t(x)] + 1, src.width() - 1) * 3;
            const int f = fx[std::size_t(x)];
            for (int ch = 0; ch < 3; ++ch) {
                const int top = r0[a + ch] * (256 - f) + r0[b + ch] * f;
                const int bottom = r1[a + ch] * (256 - f) + r1[b + ch] * f;
                d[3 * x + ch] = std::uint8_t((top * (256 - fy) + bottom * fy + (1 << 15)) >> 16);
            }
        }
    }
    return dst;
}

} // namespace

QImage resample(const QImage& source, int width, int height, ResampleFilter filter)
{
    if (source.isNull())
        return {};
    const QImage src = source.format() == QImage::Format_BGR888 ? source : source.convertToFormat(QImage::Format_BGR888);
    const int w = width > 0 ? width : src.width();
    const int h = height > 0 ? height : src.height();
    checkDimensions(w, h);
    if (w == src.width() && h == src.height())
        return src.copy();
    switch (filter) {
    case ResampleFilter::None: return stretchNearest(src, w, h, false);
    case ResampleFilter::Nearest: return stretchNearest(src, w, h, true);
    case ResampleFilter::FastLinear: return fastLinear(src, w, h);
    default: break;
    }
    const Kernel k = kernelFor(filter);
    QImage tmp = allocateImage(w, src.height(), QImage::Format_BGR888);
    if (w == src.width())
        tmp = src;
    else
        horizontalPass(src, tmp, contributions(src.width(), w, k));
    if (h == src.height())
        return tmp;
    QImage dst = allocateImage(w, h, QImage::Format_BGR888);
    verticalPass(tmp, dst, contributions(src.height(), h, k));
    return dst;
}

} // namespace fw::imaging
