#pragma once

// Shared by the PostScript and PDF writers.

#include <cstdio>
#include <string>

namespace fw::imaging {

/// A number for a page description: up to four decimals, trailing zeros dropped ("144", "72.5").
inline std::string pageNumber(double v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.4f", v);
    std::string s(buffer);
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s;
}

} // namespace fw::imaging
