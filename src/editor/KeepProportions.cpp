#include "KeepProportions.h"

#include <algorithm>
#include <limits>

namespace fw::app {

std::int64_t roundedQuotient(std::int64_t numerator, std::int64_t denominator)
{
    const bool negative = numerator < 0;
    const std::uint64_t n = negative ? 0 - std::uint64_t(numerator) : std::uint64_t(numerator);
    const std::uint64_t d = std::uint64_t(denominator);
    std::uint64_t q = n / d;
    const std::uint64_t twice = 2 * (n % d); // the remainder is below d, so this cannot wrap for d < 2^63
    if (twice > d || (twice == d && (q & 1)))
        ++q;
    return negative ? -std::int64_t(q) : std::int64_t(q);
}

QSize keepProportions(QSize values, ChangedSide changed, bool maintain, QSize original)
{
    const int w = values.width(), h = values.height();
    if (w == 0 || h == 0 || !maintain)
        return values;
    // A frame has at least one pixel each way; the start values are 1 x 1, so never divide by 0.
    const std::int64_t ow = std::max(1, original.width());
    const std::int64_t oh = std::max(1, original.height());
    auto fit = [](std::int64_t v) { return int(std::min<std::int64_t>(v, std::numeric_limits<int>::max())); };
    if (changed == ChangedSide::Width)
        return {w, fit(roundedQuotient(std::int64_t(w) * oh, ow))};
    return {fit(roundedQuotient(std::int64_t(h) * ow, oh)), h};
}

} // namespace fw::app
