// Zoom and the display adjustments of the player's picture. They change how the picture is
// drawn only; captures and saved samples take the view's image data, which they never touch.
#include "TformVideo.h"

#include "platform/widgets/ImageView.h"

#include <QLabel>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace {
QString zoomText(int percent) { return QStringLiteral("Zoom: %1%").arg(percent); }
} // namespace

void Tform_video::VTrackBar2Change()
{
    VImageEnView1->setZoom(VTrackBar2->value());
    VLabel18->setText(zoomText(VTrackBar2->value()));
}

void Tform_video::VActualSizeButtonClick()
{
    VImageEnView1->setZoom(100);
    VTrackBar2->setValue(100);
    VLabel18->setText(zoomText(100));
}

void Tform_video::VZoomFitButtonClick()
{
    const double fit = VImageEnView1->zoomFit();
    // The slider holds whole percents within 25..400; when it moves, its handler replaces the
    // exact fitting zoom by the slider's value.
    VTrackBar2->setValue(int(std::trunc(std::clamp(fit, double(VTrackBar2->minimum()), double(VTrackBar2->maximum())))));
    VLabel18->setText(zoomText(VTrackBar2->value()));
}

void Tform_video::applyAdjustments()
{
    fw::imaging::DisplayAdjustments a;
    a.red = VTrackBar3->value();
    a.green = VTrackBar4->value();
    a.blue = VTrackBar5->value();
    a.contrast = VTrackBar7->value();
    VImageEnView1->setDisplayAdjustments(a);
}

void Tform_video::VTrackBar3Change() { applyAdjustments(); }
void Tform_video::VTrackBar4Change() { applyAdjustments(); }
void Tform_video::VTrackBar5Change() { applyAdjustments(); }
void Tform_video::VTrackBar7Change() { applyAdjustments(); }

void Tform_video::VTrackBar6Change()
{
    // Luminosity is the same offset on all three channels; the channel sliders show it.
    const int v = VTrackBar6->value();
    VTrackBar3->setValue(v);
    VTrackBar4->setValue(v);
    VTrackBar5->setValue(v);
}

void Tform_video::VbtnDefaultClick()
{
    for (QSlider* s : {VTrackBar3, VTrackBar4, VTrackBar5, VTrackBar6, VTrackBar7})
        s->setValue(0);
    VActualSizeButtonClick();
}
