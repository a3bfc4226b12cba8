#pragma once

#include <QSize>

#include <cstdint>

namespace fw::app {

/// Which Resize value the user changed.
enum class ChangedSide { Width, Height };

/// numerator / denominator (denominator > 0) rounded to the nearest whole number, an exact
/// half going to the even neighbour (75.5 -> 76, 76.5 -> 76). Exact: no floating point.
std::int64_t roundedQuotient(std::int64_t numerator, std::int64_t denominator);

/// The Resize page's aspect rule. `values` are the width and height now entered, `changed`
/// the one the user changed, `original` the size of the frame last loaded into the editor
/// (whose proportions are kept). With `maintain` on and neither value 0, the other side
/// becomes Round(changed side / original's same side * original's other side), an exact
/// half rounding to even; otherwise `values` come back unchanged.
///
///   640 x 480 frame:  width 320 -> height 240,  101 -> 76 (75.75),  102 -> 76 (76.5)
QSize keepProportions(QSize values, ChangedSide changed, bool maintain, QSize original);

} // namespace fw::app
