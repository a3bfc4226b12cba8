#include "ColorQuantizer.h"

#include "ImageError.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace fw::imaging {

namespace {

QImage toBgr888(const QImage& image)
{
    return image.format() == QImage::Format_BGR888 ? image : image.convertToFormat(QImage::Format_BGR888);
}

inline std::uint32_t packBgr(const uchar* p) { return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0]; }

/// Open-addressed set of at most `limit` (<= 256) colours with their palette index.
class SmallColourTable {
public:
    static constexpr std::uint32_t kSlots = 1024; // load factor <= 1/4

    SmallColourTable() { keys_.fill(0); }

    /// Index of `rgb`, inserting it when new; -1 when the table already holds `limit` colours.
    int findOrAdd(std::uint32_t rgb, int limit)
    {
        std::uint32_t slot = hash(rgb);
        while (true) {
            if (keys_[slot] == 0) {
                if (count_ >= limit)
                    return -1;
                keys_[slot] = rgb | 0x1000000u;
                values_[slot] = std::uint8_t(count_);
                colours_[std::size_t(count_)] = rgb;
                return count_++;
            }
            if (keys_[slot] == (rgb | 0x1000000u))
                return values_[slot];
            slot = (slot + 1) & (kSlots - 1);
        }
    }
    int find(std::uint32_t rgb) const
    {
        std::uint32_t slot = hash(rgb);
        while (keys_[slot] != 0) {
            if (keys_[slot] == (rgb | 0x1000000u))
                return values_[slot];
            slot = (slot + 1) & (kSlots - 1);
        }
        return -1;
    }
    int count() const { return count_; }
    std::uint32_t colour(int i) const { return colours_[std::size_t(i)]; }

private:
    static std::uint32_t hash(std::uint32_t rgb) { return (rgb * 2654435761u) >> 22; }

    std::array<std::uint32_t, kSlots> keys_;
    std::array<std::uint8_t, kSlots> values_{};
    std::array<std::uint32_t, 256> colours_{};
    int count_ = 0;
};

/// Collects the distinct colours of `image` when there are at most `limit`; false otherwise.
bool collectExactColours(const QImage& bgr, int limit, SmallColourTable& table)
{
    for (int y = 0; y < bgr.height(); ++y) {
        const uchar* p = bgr.constScanLine(y);
        std::uint32_t previous = 0xffffffffu;
        for (int x = 0; x < bgr.width(); ++x, p += 3) {
            const std::uint32_t c = packBgr(p);
            if (c == previous)
                continue;
            previous = c;
            if (table.findOrAdd(c, limit) < 0)
                return false;
        }
    }
    return true;
}

constexpr int kHistBits = 6;
constexpr int kLeafLevel = kHistBits; // root is level 0, leaves level 6

struct OctreeNode {
    std::int32_t child[8];
    std::uint64_t count = 0, r = 0, g = 0, b = 0;
    bool leaf = false;
    OctreeNode() { std::fill(std::begin(child), std::end(child), -1); }
};

QList<QRgb> octreePalette(const QImage& bgr, int maxColours)
{
    // Histogram at 6 bits per channel with exact colour sums, so leaves average real colours.
    constexpr std::size_t kBins = std::size_t(1) << (3 * kHistBits);
    struct Bin {
        std::uint64_t r, g, b;
        std::uint32_t count;
    };
    std::vector<Bin> bins(kBins, Bin{0, 0, 0, 0});
    for (int y = 0; y < bgr.height(); ++y) {
        const uchar* p = bgr.constScanLine(y);
        for (int x = 0; x < bgr.width(); ++x, p += 3) {
            const std::size_t key = std::size_t(p[2] >> 2) << 12 | std::size_t(p[1] >> 2) << 6 | (p[0] >> 2);
            Bin& bin = bins[key];
            bin.r += p[2];
            bin.g += p[1];
            bin.b += p[0];
            ++bin.count;
        }
    }

    std::vector<OctreeNode> nodes(1);
    std::vector<std::int32_t> levels[kLeafLevel]; // internal nodes by level
    levels[0].push_back(0);
    int leaves = 0;
    for (std::size_t key = 0; key < kBins; ++key) {
        const Bin& bin = bins[key];
        if (!bin.count)
            continue;
        const unsigned r6 = unsigned(key >> 12) & 63, g6 = unsigned(key >> 6) & 63, b6 = unsigned(key) & 63;
        std::int32_t n = 0;
        for (int level = 0;; ++level) {
            OctreeNode& node = nodes[std::size_t(n)];
            node.count += bin.count;
            node.r += bin.r;
            node.g += bin.g;
            node.b += bin.b;
            if (level == kLeafLevel)
                break;
            const int shift = kHistBits - 1 - level;
            const int c = int((r6 >> shift) & 1) << 2 | int((g6 >> shift) & 1) << 1 | int((b6 >> shift) & 1);
            std::int32_t next = node.child[c];
            if (next < 0) {
                next = std::int32_t(nodes.size());
                nodes[std::size_t(n)].child[c] = next; // `node` may dangle after the push below
                nodes.emplace_back();
                if (level + 1 == kLeafLevel) {
                    nodes.back().leaf = true;
                    ++leaves;
                } else {
                    levels[level + 1].push_back(next);
                }
            }
            n = next;
        }
    }

    // Merge the deepest reducible nodes first, fewest pixels first, until the leaves fit.
    for (int level = kLeafLevel - 1; level >= 0 && leaves > maxColours; --level) {
        auto& list = levels[level];
        std::stable_sort(list.begin(), list.end(),
                         [&](std::int32_t a, std::int32_t b) { return nodes[std::size_t(a)].count < nodes[std::size_t(b)].count; });
        for (std::int32_t n : list) {
            if (leaves <= maxColours)
                break;
            OctreeNode& node = nodes[std::size_t(n)];
            int children = 0;
            for (std::int32_t& c : node.child) {
                if (c >= 0) {
                    ++children;
                    c = -1;
                }
            }
            node.leaf = true;
            leaves -= children - 1;
        }
    }

    QList<QRgb> palette;
    palette.reserve(leaves);
    std::vector<std::int32_t> stack{0};
    while (!stack.empty()) {
        const OctreeNode& node = nodes[std::size_t(stack.back())];
        stack.pop_back();
        if (node.leaf) {
            const std::uint64_t half = node.count / 2;
            palette.append(qRgb(int((node.r + half) / node.count), int((node.g + half) / node.count),
                                int((node.b + half) / node.count)));
            continue;
        }
        for (std::int32_t c : node.child)
            if (c >= 0)
                stack.push_back(c);
    }
    return palette;
}

/// Nearest palette entry (squared RGB distance) with a direct-mapped cache of recent answers.
/// The palette is searched in green order, stopping once green alone is farther than the best.
class NearestColour {
public:
    explicit NearestColour(const QList<QRgb>& palette)
    {
        for (int i = 0; i < palette.size(); ++i)
            entries_.push_back({qRed(palette[i]), qGreen(palette[i]), qBlue(palette[i]), i});
        std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.g < b.g; });
        for (int g = 0; g < 256; ++g) {
            const auto it = std::lower_bound(entries_.begin(), entries_.end(), g,
                                             [](const Entry& e, int v) { return e.g < v; });
            start_[std::size_t(g)] = int(std::min<std::ptrdiff_t>(it - entries_.begin(), std::ptrdiff_t(entries_.size()) - 1));
        }
        cacheKeys_.assign(kCacheSize, 0xffffffffu);
        cacheValues_.assign(kCacheSize, 0);
    }

    int operator()(int r, int g, int b)
    {
        const std::uint32_t key = std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
        const std::uint32_t slot = ((key * 2654435761u) >> 16) & (kCacheSize - 1);
        if (cacheKeys_[slot] == key)
            return cacheValues_[slot];
        const int index = search(r, g, b);
        cacheKeys_[slot] = key;
        cacheValues_[slot] = std::uint8_t(index);
        return index;
    }

    /// Nearest entry to the centre of the 8x8x8 cell holding (r, g, b), from a 32x32x32 table
    /// filled on demand. Used while dithering, where the diffused error absorbs the difference.
    int approximate(int r, int g, int b)
    {
        if (cells_.empty())
            cells_.assign(32 * 32 * 32, 0xffff);
        const std::size_t cell = std::size_t(r >> 3) << 10 | std::size_t(g >> 3) << 5 | std::size_t(b >> 3);
        if (cells_[cell] == 0xffff)
            cells_[cell] = std::uint16_t(search((r & ~7) | 4, (g & ~7) | 4, (b & ~7) | 4));
        return cells_[cell];
    }

private:
    struct Entry {
        int r, g, b, index;
    };
    static constexpr std::uint32_t kCacheSize = 1u << 16;

    int search(int r, int g, int b) const
    {
        const int n = int(entries_.size());
        int best = -1, bestDist = 1 << 30;
        auto consider = [&](const Entry& e) {
            const int d = (e.r - r) * (e.r - r) + (e.g - g) * (e.g - g) + (e.b - b) * (e.b - b);
            if (d < bestDist || (d == bestDist && e.index < best)) {
                bestDist = d;
                best = e.index;
            }
        };
        const int s = start_[std::size_t(g)];
        for (int up = s, down = s - 1; up < n || down >= 0;) {
            if (up < n) {
                const int dg = entries_[std::size_t(up)].g - g;
                if (dg * dg > bestDist)
                    up = n;
                else
                    consider(entries_[std::size_t(up++)]);
            }
            if (down >= 0) {
                const int dg = g - entries_[std::size_t(down)].g;
                if (dg * dg > bestDist)
                    down = -1;
                else
                    consider(entries_[std::size_t(down--)]);
            }
        }
        return best;
    }

    std::vector<Entry> entries_;
    std::array<int, 256> start_{};
    std::vector<std::uint32_t> cacheKeys_;
    std::vector<std::uint8_t> cacheValues_;
    std::vector<std::uint16_t> cells_;
};

inline int clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

/// The table's colours as an opaque palette.
QList<QRgb> opaquePalette(const SmallColourTable& table)
{
    QList<QRgb> palette;
    for (int i = 0; i < table.count(); ++i)
        palette.append(0xff000000u | table.colour(i));
    return palette;
}

QImage newIndexed(const QImage& like, const QList<QRgb>& palette)
{
    QImage out(like.size(), QImage::Format_Indexed8);
    if (out.isNull())
        throw ImageError("not enough memory to reduce the colours");
    out.setColorTable(palette);
    return out;
}

} // namespace

QList<QRgb> buildPalette(const QImage& image, int maxColours)
{
    maxColours = std::clamp(maxColours, 1, 256);
    if (image.isNull())
        return {};
    const QImage bgr = toBgr888(image);
    SmallColourTable table;
    if (collectExactColours(bgr, maxColours, table)) {
        const QList<QRgb> palette = opaquePalette(table);
        return palette;
    }
    return octreePalette(bgr, maxColours);
}

QImage mapToPalette(const QImage& image, const QList<QRgb>& palette, bool dither, bool serpentine)
{
    if (palette.isEmpty() || palette.size() > 256)
        throw ImageError("a palette needs 1 to 256 colours");
    if (image.isNull())
        return {};
    const QImage bgr = toBgr888(image);
    QImage out = newIndexed(bgr, palette);
    NearestColour nearest(palette);
    const int w = bgr.width(), h = bgr.height();

    if (!dither) {
        for (int y = 0; y < h; ++y) {
            const uchar* p = bgr.constScanLine(y);
            uchar* dst = out.scanLine(y);
            for (int x = 0; x < w; ++x, p += 3)
                dst[x] = uchar(nearest(p[2], p[1], p[0]));
        }
        return out;
    }

    // Errors are kept in sixteenths; one guard cell at each end of the row.
    std::vector<int> current(std::size_t(w + 2) * 3, 0), next(std::size_t(w + 2) * 3, 0);
    for (int y = 0; y < h; ++y) {
        const uchar* src = bgr.constScanLine(y);
        uchar* dst = out.scanLine(y);
        const bool reverse = serpentine && (y & 1);
        const int step = reverse ? -1 : 1;
        std::fill(next.begin(), next.end(), 0);
        for (int i = 0, x = reverse ? w - 1 : 0; i < w; ++i, x += step) {
            int* e = &current[std::size_t(x + 1) * 3];
            const uchar* p = src + 3 * x;
            const int r = clamp255(p[2] + ((e[0] + 8) >> 4));
            const int g = clamp255(p[1] + ((e[1] + 8) >> 4));
            const int b = clamp255(p[0] + ((e[2] + 8) >> 4));
            const int index = nearest.approximate(r, g, b);
            dst[x] = uchar(index);
            const QRgb c = palette[index];
            const int err[3] = {r - qRed(c), g - qGreen(c), b - qBlue(c)};
            int* ahead = &current[std::size_t(x + 1 + step) * 3];
            int* below = &next[std::size_t(x + 1) * 3];
            int* belowAhead = &next[std::size_t(x + 1 + step) * 3];
            int* belowBehind = &next[std::size_t(x + 1 - step) * 3];
            for (int k = 0; k < 3; ++k) {
                ahead[k] += err[k] * 7;
                belowBehind[k] += err[k] * 3;
                below[k] += err[k] * 5;
                belowAhead[k] += err[k];
            }
        }
        std::swap(current, next);
    }
    return out;
}

QImage quantize(const QImage& image, int maxColours, bool dither)
{
    maxColours = std::clamp(maxColours, 1, 256);
    if (image.isNull())
        return {};
    const QImage bgr = toBgr888(image);
    SmallColourTable table;
    if (collectExactColours(bgr, maxColours, table)) {
        const QList<QRgb> palette = opaquePalette(table);
        QImage out = newIndexed(bgr, palette);
        for (int y = 0; y < bgr.height(); ++y) {
            const uchar* p = bgr.constScanLine(y);
            uchar* dst = out.scanLine(y);
            for (int x = 0; x < bgr.width(); ++x, p += 3)
                dst[x] = uchar(table.find(packBgr(p)));
        }
        return out;
    }
    return mapToPalette(bgr, octreePalette(bgr, maxColours), dither);
}

} // namespace fw::imaging
