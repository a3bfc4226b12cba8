#pragma once

namespace fw::imaging {

/// Resolution in dots per inch on each axis; 0 on an axis means the file records none.
struct Resolution {
    double x = 0;
    double y = 0;

    bool known() const { return x > 0 && y > 0; }
    bool operator==(const Resolution&) const = default;
};

/// Pixels per metre <-> dots per inch, as BMP, PNG and JPEG 2000 store them.
constexpr double kMetresPerInch = 0.0254;
inline double dpiFromPixelsPerMetre(double ppm) { return ppm * kMetresPerInch; }
inline long pixelsPerMetreFromDpi(double dpi) { return static_cast<long>(dpi / kMetresPerInch + 0.5); }

} // namespace fw::imaging
