#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

namespace fw::app {

/// The editor's options, numbered as the option list's items and the option pages.
enum class EditOption { Resize = 0, Crop, Rotate, Flip, Color, Contrast, Brightness, Rgb, Hsv, Hsl };
constexpr int kEditOptionCount = 10;

/// Which rotate radio button is on.
enum class RotateChoice { None, Clockwise90, CounterClockwise90, Half, Custom };
/// Which flip radio button is on.
enum class FlipChoice { None, Horizontal, Vertical };

/// The values of every option page, as read from its controls. Only the fields of the
/// option that runs matter.
struct EditValues {
    // Resize
    int width = 1;
    int height = 1;
    int filter = 0; ///< index into the filter list (0 " None" .. 9 " FastLinear")
    // Crop
    int cropLeft = 0;
    int cropTop = 0;
    int cropWidth = 0;
    int cropHeight = 0;
    // Rotate
    RotateChoice rotate = RotateChoice::None;
    QString customAngle = QStringLiteral("0"); ///< the custom angle box's text
    bool antialias = false;
    // Flip
    FlipChoice flip = FlipChoice::None;
    // Color
    bool equalize = false;
    bool negative = false;
    // Contrast, Brightness
    int contrast = 0;
    int brightness = 0;
    // RGB, HSV, HSL
    int red = 0, green = 0, blue = 0;
    int hsvHue = 0, hsvSaturation = 0, hsvValue = 0;
    int hslHue = 0, hslSaturation = 0, hslLuminosity = 0;
};

/// The custom angle box's text as whole degrees; anything else (letters, nothing, a
/// fraction, a number too large for an int) counts as 0.
int customAngleDegrees(const QString& text);

/// The crop rectangle of the values: (Left, Top) with Width x Height; empty when either
/// Width or Height is 0.
QRect cropRectangle(const EditValues& values);

/// The rotation the values ask for, in degrees counter-clockwise, and whether it is
/// antialiased ("90° Clockwise" is 270, the fixed angles never antialias).
struct TurnRequest {
    int degrees = 0;
    bool antialias = false;
};
TurnRequest turnRequest(const EditValues& values);

/// Runs one option's operation on `image` with `values` and returns the result (BGR888).
/// `background` fills the corners that a custom turn uncovers. Values that ask for nothing
/// return the image unchanged; a crop rectangle limited to the image keeps what lies inside
/// it, one that misses the image changes nothing. Throws fw::imaging::ImageError when the
/// result would be too large.
QImage applyEditOperation(const QImage& image, EditOption option, const EditValues& values, const QColor& background);

} // namespace fw::app
