// Capturing the frame shown, and sampling a range of frames into the strip or to image files.
#include "TformVideo.h"

#include "RangeRequest.h"
#include "VideoPositions.h"
#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "platform/ui/Prompts.h"
#include "platform/widgets/ImageView.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include <climits>

using namespace fw::video;
using fw::media::MediaTime;
using fw::media::PlayerState;

QString Tform_video::currentStamp() const
{
    return positionStamp(frameFormat(), player_->position(), player_->duration(), VideoFrameCount);
}

bool Tform_video::VbtCaptureClick()
{
    // Captions follow the file last chosen with File > Open, whatever it was.
    const QString name = QFileInfo(services_.videoFileName ? services_.videoFileName() : QString()).fileName();
    const bool resume = player_->state() == PlayerState::Playing;
    if (resume)
        OnPauseButton();
    const PlayerState state = player_->state();
    if (state == PlayerState::Stopped || state == PlayerState::Paused) {
        OnPlayButton();
        if (!player_->isConnected())
            return false; // nothing open: nothing to take
        OnPauseButton();
    }
    // The brief run may have moved on a frame: the picture taken and its stamp are both read now.
    const QImage current = player_->currentFrame();
    if (!current.isNull())
        VImageEnView1->setImage(current);
    // The view's image data, never the adjusted picture on the screen.
    const QImage picture = VImageEnView1->image();
    bool added = false;
    if (!picture.isNull() && services_.appendFrame)
        added = services_.appendFrame(picture, name + QLatin1Char('[') + currentStamp() + QLatin1Char(']'));
    QCoreApplication::processEvents();
    if (resume)
        OnPlayButton();
    return added;
}

void Tform_video::VbtAbortClick()
{
    AbortRequested = true;
    VbtAbort->setEnabled(false);
}

void Tform_video::endRange()
{
    VbtAbort->setEnabled(false);
    AbortRequested = false;
    rangeRunning_ = false;
    VbtCaptureRange->setEnabled(true);
    VbtRangeSave->setEnabled(true);
}

void Tform_video::Capture_Save(QPushButton* sender)
{
    // One range at a time: a second one started from inside the first one's pending events
    // would interleave their seeks.
    if (rangeRunning_ || !connectAndHold())
        return;
    const bool save = sender == VbtRangeSave;
    rangeRunning_ = true;
    VbtCaptureRange->setEnabled(false);
    VbtRangeSave->setEnabled(false);
    VbtAbort->setEnabled(true);
    AbortRequested = false;

    RangeFields fields;
    fields.frameFormat = frameFormat();
    fields.inHours = VEdit1->text();
    fields.inMinutes = VEdit6->text();
    fields.inSeconds = VEdit7->text();
    fields.outHours = VEdit8->text();
    fields.outMinutes = VEdit9->text();
    fields.outSeconds = VEdit10->text();
    fields.inFrame = VInFrame->text();
    fields.outFrame = VOutFrame->text();
    fields.intervalSeconds = VSamplingValueTime->value();
    fields.intervalFrames = VSamplingValueFrame->value();
    const auto plan = planRange(fields, VideoDuration, VideoFrameCount);
    if (!plan) {
        if (services_.prompts)
            services_.prompts->warn(this, kDefinePositionMessage);
        endRange();
        return;
    }

    VGauge1->setRange(0, int(std::min<std::int64_t>(plan->count(), INT_MAX)));
    VGauge1->setValue(0);
    VGauge1->show();
    OnPauseButton();
    auto hideGauge = [this] {
        VGauge1->setValue(VGauge1->maximum());
        VGauge1->setValue(0);
        VGauge1->hide();
    };

    RangeSaveTarget target;
    if (save) {
        QStringList filters;
        for (const fw::app::SaveType& type : rangeSaveTypes())
            filters << type.nameFilter();
        const QString proposed = fw::media::proposedRangeName(services_.videoFileName ? services_.videoFileName() : QString());
        const fw::ui::FileChoice choice =
            services_.prompts ? services_.prompts->saveImage(this, QStringLiteral("Save"), proposed, filters, 0,
                                                             VImageEnView1->image(), rangeSaveOptions)
                              : fw::ui::FileChoice{};
        if (!choice.accepted()) {
            hideGauge();
            endRange();
            return;
        }
        target = planRangeSave(choice.path, choice.filterIndex);
    }

    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (MediaTime t = plan->in; t <= plan->out;) {
        // Pending events run before every sample: "Stop", the timers and the player's
        // notifications reach the window here.
        QCoreApplication::processEvents();
        if (AbortRequested)
            break;
        if (!player_->seekAndWait(t)) {
            reportPlayerError();
            break;
        }
        VideoPosition = player_->position();
        MoveMarker();
        ShowCurrentFrame();
        RefreshPosition();

        bool last = false;
        if (save) {
            const QString file = target.fileFor(currentStamp());
            try {
                // An existing sample of the same name is replaced without a question.
                fw::imaging::writeImageFile(file, VImageEnView1->image(), rangeSaveOptions);
            } catch (const fw::imaging::ImageError& e) {
                if (services_.prompts)
                    services_.prompts->error(this, QString::fromStdString(e.what()));
                break;
            }
            const qint64 free = services_.freeBytes(target.folder);
            if (free >= 0 && free < kMinimumFreeBytes) {
                OnPauseButton();
                if (services_.prompts)
                    services_.prompts->warn(this, kLowDiskMessage);
                last = true;
            }
        } else if (!VbtCaptureClick()) {
            break; // the main window has said why
        }
        if (VGauge1->value() < VGauge1->maximum())
            VGauge1->setValue(VGauge1->value() + 1);
        if (last || plan->out - t < plan->interval)
            break;
        t += plan->interval;
    }
    QApplication::restoreOverrideCursor();
    hideGauge();
    endRange();
}
