// Opening a file, the transport, stepping, goto, the position display and the ruler.
#include "TformVideo.h"

#include "FirstFrameSize.h"
#include "VideoPositions.h"
#include "VideoRuler.h"
#include "platform/ui/Prompts.h"
#include "platform/widgets/ImageView.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>

#include <utility>

using namespace fw::video;
using fw::media::PlayerState;

namespace {
const QString kFrameItem = QStringLiteral("Frame");
}

bool Tform_video::frameFormat() const { return VFormatComboBox->currentIndex() == 1; }

void Tform_video::Open()
{
    AbortRequested = true; // a range still running on the previous file ends before its next sample
    if (player_->isConnected())
        player_->disconnectPlayer();
    const QString path = services_.videoFileName ? services_.videoFileName() : QString();
    const QFileInfo info(path);
    const bool avi = info.suffix().toLower() == QLatin1String("avi");
    // Every file brings its own count: the AVI stream header's first, else the player's once
    // it is connected. A count never carries over from the previous file.
    VideoFrameCount = avi && services_.aviFrameCount ? services_.aviFrameCount(path) : 0;

    setWindowTitle(info.fileName() + QStringLiteral("  Loading..."));
    QCoreApplication::processEvents();
    QApplication::setOverrideCursor(Qt::WaitCursor);

    player_->disconnectPlayer();
    OnPlayButton();
    if (!player_->isConnected()) {
        resetAfterFailedOpen();
        QApplication::restoreOverrideCursor();
        return;
    }
    if (VideoFrameCount <= 0)
        VideoFrameCount = player_->frameCount();
    resetFormatList(offersFrameFormat(VideoFrameCount));

    VideoTitle = info.fileName();
    if (VideoDuration == 0)
        VideoDuration = 1;
    VideoPosition = 0;
    Loaded = true;
    DrawRuler();
    FirstFrame = true;
    VFormatComboBoxChange();
    QApplication::restoreOverrideCursor();
    QCoreApplication::processEvents();
}

void Tform_video::resetFormatList(bool offerFrames)
{
    const QSignalBlocker block(VFormatComboBox); // the caller applies the format once
    const int frameItem = VFormatComboBox->findText(kFrameItem);
    if (frameItem >= 0)
        VFormatComboBox->removeItem(frameItem);
    VFormatComboBox->setCurrentIndex(0);
    if (offerFrames)
        VFormatComboBox->addItem(kFrameItem);
}

void Tform_video::resetAfterFailedOpen()
{
    Loaded = false;
    FirstFrame = false;
    VideoFrameCount = 0;
    VideoDuration = 1;
    VideoPosition = 0;
    DurationText = fw::media::FormatHMS(0);
    VideoTitle = QFileInfo(services_.videoFileName ? services_.videoFileName() : QString()).fileName();
    resetFormatList(false);
    VFormatComboBoxChange();
    VImageEnView1->clear();
    VTimeLabel->setText(QStringLiteral("0:00:00 / 0:00:00"));
    setWindowTitle(VideoTitle.isEmpty() ? QStringLiteral("Video") : VideoTitle);
    setTransport(true, false, false);
    DrawRuler();
}

void Tform_video::reportPlayerError()
{
    QString text = player_->lastError();
    if (text.isEmpty())
        text = QStringLiteral("Cannot play ") + QFileInfo(player_->inputFile()).fileName();
    if (services_.prompts) {
        QApplication::setOverrideCursor(Qt::ArrowCursor); // not the hourglass of a loading file
        services_.prompts->error(this, text);
        QApplication::restoreOverrideCursor();
    }
}

void Tform_video::ConnectPlayer()
{
    if (player_->isConnected())
        return;
    const QString path = services_.videoFileName ? services_.videoFileName() : QString();
    if (path.isEmpty())
        return;
    player_->setInputFile(path);
    player_->setFrameGrabbing(true);
    player_->setRenderAudio(true);
    if (!player_->connectPlayer()) {
        reportPlayerError();
        return;
    }
    VideoDuration = player_->duration();
    if (VideoDuration <= 0)
        VideoDuration = 1; // everything divides by it
    DurationText = fw::media::FormatHMS(VideoDuration);
    RefreshPosition();
}

void Tform_video::setTransport(bool play, bool pause, bool stop)
{
    VPlayButton->setEnabled(play);
    VPauseButton->setEnabled(pause);
    VStopButton->setEnabled(stop);
}

void Tform_video::OnPlayButton()
{
    setTransport(false, true, true);
    ConnectPlayer();
    if (!player_->isConnected()) {
        setTransport(true, false, false); // nothing to play: Play stays ready for another try
        return;
    }
    player_->run();
}

void Tform_video::OnPauseButton()
{
    setTransport(true, false, true);
    player_->pause();
}

void Tform_video::OnStopButton()
{
    setTransport(true, false, false);
    player_->stop();
    if (player_->isConnected())
        player_->seekAndWait(0);
}

void Tform_video::VImageEnView1MouseDown()
{
    if (!player_->isConnected())
        return;
    if (player_->state() == PlayerState::Playing)
        OnPauseButton();
    else
        OnPlayButton();
}

void Tform_video::FormDeactivate()
{
    if (player_->isConnected() && player_->state() == PlayerState::Playing)
        OnPauseButton();
}

void Tform_video::VImageEnView1DShowEvent()
{
    for (int code : player_->takeEvents())
        if (code == fw::media::kEventComplete)
            OnStopButton(); // rewinds to the start and stops
}

void Tform_video::VImageEnView1DShowNewFrame()
{
    // Showing a frame lets pending events run, and with them the next new-frame notice. A
    // notice that arrives meanwhile is not handled inside this one (a fast decoder on a slow
    // screen would nest handlers without end); this one shows the frame current then instead.
    if (showingNewFrame_) {
        missedNewFrame_ = true;
        return;
    }
    showingNewFrame_ = true;
    do {
        missedNewFrame_ = false;
        if (!player_->isConnected() || player_->state() != PlayerState::Playing)
            break;
        RefreshPosition();
        ShowCurrentFrame();
    } while (missedNewFrame_);
    showingNewFrame_ = false;
}

void Tform_video::VTimer1Timer() { RefreshPosition(); }

void Tform_video::RefreshPosition()
{
    if (!Loaded)
        return;
    const fw::media::MediaTime position = player_->position();
    VTimeLabel->setText(positionText(frameFormat(), position, player_->duration(), DurationText, VideoFrameCount));
    VideoPosition = position;
    MoveMarker();
}

void Tform_video::ShowCurrentFrame()
{
    const QImage frame = player_->currentFrame();
    if (frame.isNull())
        return; // nothing decoded yet: the picture stays as it is
    VImageEnView1->setImage(frame);
    setWindowTitle(VideoTitle + QStringLiteral(" [%1x%2]").arg(frame.width()).arg(frame.height()));
    if (FirstFrame) {
        const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
        const QSize screenSize = s ? s->geometry().size() : QSize(1920, 1080);
        resize(firstFrameWindowSize(size(), VImageEnView1->size(), frame.size(), screenSize));
        FirstFrame = false;
    }
    QCoreApplication::processEvents();
}

void Tform_video::SeekTo()
{
    MoveMarker();
    if (player_->isConnected()) {
        player_->seekAndWait(VideoPosition);
        ShowCurrentFrame();
        RefreshPosition();
    }
}

bool Tform_video::connectAndHold()
{
    ConnectPlayer();
    if (!player_->isConnected())
        return false;
    player_->run();
    player_->pause();
    // The player now rests paused whatever it did before; the buttons say so, or Play would
    // stay disabled after a step taken during playback.
    setTransport(true, false, true);
    return true;
}

void Tform_video::stepOnce(bool forward, fw::media::MediaTime target)
{
    player_->seekAndWait(target);
    VideoPosition = player_->position();
    MoveMarker();
    ShowCurrentFrame();
    RefreshPosition();
    if (forward)
        StepForwardHeld = true;
    else
        StepBackHeld = true;
}

void Tform_video::StepButtonDown(QPushButton* sender)
{
    if (!connectAndHold())
        return;
    const bool forward = sender == VStepPButton;
    const fw::media::MediaTime d = spanToMediaTime(frameFormat(), VStepValueTime->value(), VStepValueFrame->value(),
                                                   VideoDuration, VideoFrameCount);
    const fw::media::MediaTime p = player_->position();
    if (const auto target = stepTarget(forward ? StepDirection::Forward : StepDirection::Backward, p, d, VideoDuration, false))
        stepOnce(forward, *target);
    // The button may have been released while the frame was shown (pending events ran);
    // repeating then would never stop.
    if (!sender->isDown()) {
        StepButtonUp();
        return;
    }
    VStepTimer->start();
}

void Tform_video::VStepTimerTimer()
{
    VStepTimer->stop();
    if (player_->isConnected()) {
        const fw::media::MediaTime d = spanToMediaTime(frameFormat(), VStepValueTime->value(), VStepValueFrame->value(),
                                                       VideoDuration, VideoFrameCount);
        const fw::media::MediaTime p = player_->position();
        if (StepForwardHeld)
            if (const auto target = stepTarget(StepDirection::Forward, p, d, VideoDuration, true))
                stepOnce(true, *target);
        if (StepBackHeld)
            if (const auto target = stepTarget(StepDirection::Backward, p, d, VideoDuration, true))
                stepOnce(false, *target);
    }
    if (StepForwardHeld || StepBackHeld)
        VStepTimer->start();
}

void Tform_video::StepButtonUp()
{
    VStepTimer->stop();
    StepForwardHeld = false;
    StepBackHeld = false;
}

void Tform_video::VGotoButtonClick()
{
    if (!connectAndHold())
        return;
    const auto target = frameFormat() ? gotoFrameTarget(VGotoFrameEdit->text(), VideoDuration, VideoFrameCount)
                                      : gotoTimeTarget(VEdit2->text(), VEdit4->text(), VEdit5->text(), VideoDuration);
    if (!target) {
        if (services_.prompts)
            services_.prompts->warn(this, kOutOfRangeMessage);
        return;
    }
    VideoPosition = *target;
    SeekTo();
}

void Tform_video::VFormatComboBoxChange()
{
    if (Loaded)
        DrawRuler();
    const bool frames = frameFormat();
    for (QWidget* w : std::initializer_list<QWidget*>{VStepValueTime, VEdit2, VEdit4, VEdit5, VEdit1, VEdit6, VEdit7,
                                                      VEdit8, VEdit9, VEdit10, VSamplingValueTime})
        w->setVisible(!frames);
    for (QWidget* w : std::initializer_list<QWidget*>{VStepValueFrame, VGotoFrameEdit, VInFrame, VOutFrame, VSamplingValueFrame})
        w->setVisible(frames);
}

void Tform_video::DrawRuler()
{
    RulerInput in;
    in.width = VPaintBox1->width();
    in.duration = VideoDuration;
    in.frameFormat = frameFormat();
    in.frameCount = VideoFrameCount;
    in.position = VideoPosition;
    VPaintBox1->setContent(Loaded, in);
    MarkerX = rulerMarkerX(VPaintBox1->width(), VideoDuration, VideoPosition);
}

void Tform_video::MoveMarker()
{
    if (!Loaded)
        return;
    DrawRuler(); // the ruler widget repaints whole, with the marker at the new place
}

void Tform_video::VPaintBox1MouseDown(int x, int y)
{
    if (!Loaded || !rulerHit(VPaintBox1->width(), x, y))
        return;
    rulerPressed_ = true;
    RulerDragging = true;
    seekFromRuler(x);
    // The button may have come up while the frame was shown; then there is no drag.
    if (!rulerPressed_)
        RulerDragging = false;
}

void Tform_video::seekFromRuler(int x)
{
    // A seek shows its frame and lets pending events run, among them further mouse moves:
    // they are not seeked inside this one (a fast drag over slow seeks would nest without
    // end); the last of them is seeked as soon as this one is done.
    if (rulerSeeking_) {
        pendingRulerX_ = x;
        return;
    }
    rulerSeeking_ = true;
    for (std::optional<int> next = x; next; next = std::exchange(pendingRulerX_, std::nullopt)) {
        VideoPosition = rulerPositionAt(VPaintBox1->width(), VideoDuration, *next);
        SeekTo();
    }
    rulerSeeking_ = false;
}

void Tform_video::VPaintBox1MouseMove(int x, int y)
{
    if (!RulerDragging)
        return;
    if (rulerHit(VPaintBox1->width(), x, y))
        seekFromRuler(x);
    else
        RulerDragging = false;
}

void Tform_video::VPaintBox1MouseUp()
{
    RulerDragging = false;
    rulerPressed_ = false;
}
