#include "EditOperation.h"

#include "platform/imaging/ops/Colour.h"
#include "platform/imaging/ops/Geometry.h"
#include "platform/imaging/ops/Resample.h"

#include <algorithm>

namespace fw::app {

using namespace fw::imaging;

int customAngleDegrees(const QString& text)
{
    bool ok = false;
    const int degrees = text.trimmed().toInt(&ok);
    return ok ? degrees : 0;
}

QRect cropRectangle(const EditValues& v)
{
    if (v.cropWidth <= 0 || v.cropHeight <= 0)
        return {};
    return {v.cropLeft, v.cropTop, v.cropWidth, v.cropHeight};
}

TurnRequest turnRequest(const EditValues& v)
{
    switch (v.rotate) {
    case RotateChoice::Clockwise90: return {270, false};
    case RotateChoice::CounterClockwise90: return {90, false};
    case RotateChoice::Half: return {180, false};
    case RotateChoice::Custom: return {customAngleDegrees(v.customAngle), v.antialias};
    case RotateChoice::None: break;
    }
    return {};
}

QImage applyEditOperation(const QImage& image, EditOption option, const EditValues& v, const QColor& background)
{
    if (image.isNull())
        return image;
    switch (option) {
    case EditOption::Resize:
        return resample(image, std::max(0, v.width), std::max(0, v.height),
                        ResampleFilter(std::clamp(v.filter, 0, int(ResampleFilter::FastLinear))));
    case EditOption::Crop: {
        const QRect r = cropRectangle(v);
        return r.isEmpty() ? image : crop(image, r);
    }
    case EditOption::Rotate: {
        if (v.rotate == RotateChoice::None)
            return image;
        const TurnRequest t = turnRequest(v);
        return t.degrees % 360 == 0 ? image : turn(image, t.degrees, t.antialias, background);
    }
    case EditOption::Flip:
        if (v.flip == FlipChoice::None)
            return image;
        return mirror(image, v.flip == FlipChoice::Horizontal ? MirrorDirection::LeftRight : MirrorDirection::TopBottom);
    case EditOption::Color: {
        QImage out = image;
        if (v.equalize)
            out = equalize(out);
        if (v.negative)
            out = negative(out);
        return out;
    }
    case EditOption::Contrast: return v.contrast == 0 ? image : contrast(image, v.contrast);
    case EditOption::Brightness:
        return v.brightness == 0 ? image : addToChannels(image, v.brightness, v.brightness, v.brightness);
    case EditOption::Rgb:
        return v.red == 0 && v.green == 0 && v.blue == 0 ? image : addToChannels(image, v.red, v.green, v.blue);
    case EditOption::Hsv: return hsvShift(image, v.hsvHue, v.hsvSaturation, v.hsvValue);
    case EditOption::Hsl: return hslShift(image, v.hslHue, v.hslSaturation, v.hslLuminosity);
    }
    return image;
}

} // namespace fw::app
