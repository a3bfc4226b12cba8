// The player window's controls and their wiring; the handlers live in TformVideoPlayback.cpp,
// TformVideoCapture.cpp and TformVideoDisplay.cpp.
#include "TformVideo.h"

#include "FirstFrameSize.h"
#include "VideoRuler.h"
#include "platform/widgets/ImageView.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStorageInfo>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

using fw::video::VideoRuler;

namespace {

QPushButton* pictureButton(QStyle::StandardPixmap icon, const char* hint, QWidget* parent)
{
    auto* b = new QPushButton(parent);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setToolTip(QString::fromLatin1(hint));
    b->setFixedSize(24, 24);
    return b;
}

QPushButton* textButton(const char* caption, const char* hint)
{
    auto* b = new QPushButton(QString::fromLatin1(caption));
    if (hint)
        b->setToolTip(QString::fromLatin1(hint));
    return b;
}

QLineEdit* numberEdit(const char* text, const char* hint, int width)
{
    auto* e = new QLineEdit(QString::fromLatin1(text));
    e->setToolTip(QString::fromLatin1(hint));
    e->setFixedWidth(width);
    e->setAlignment(Qt::AlignRight);
    return e;
}

QSlider* slider(int minimum, int maximum, int tickInterval)
{
    auto* s = new QSlider(Qt::Horizontal);
    s->setRange(minimum, maximum);
    s->setValue(0);
    if (tickInterval > 0) {
        s->setTickInterval(tickInterval);
        s->setTickPosition(QSlider::TicksBelow);
    }
    return s;
}

QWidget* swatch(const QColor& colour, const char* hint)
{
    auto* w = new QWidget;
    w->setFixedSize(14, 14);
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    w->setPalette(pal);
    w->setToolTip(QString::fromLatin1(hint));
    return w;
}

/// A small drawn icon: a sun for luminosity, a half-dark disc for contrast.
QLabel* adjustIcon(bool contrast, const char* hint)
{
    QPixmap pm(14, 14);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    if (contrast) {
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(1.5, 1.5, 11, 11));
        p.setBrush(Qt::black);
        p.drawPie(QRectF(1.5, 1.5, 11, 11), 90 * 16, 180 * 16);
    } else {
        p.setBrush(QColor(255, 210, 0));
        p.drawEllipse(QRectF(3.5, 3.5, 7, 7));
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(7, 7);
            p.rotate(45 * i);
            p.drawLine(QPointF(0, 4.5), QPointF(0, 6.5));
            p.restore();
        }
    }
    p.end();
    auto* label = new QLabel;
    label->setPixmap(pm);
    label->setToolTip(QString::fromLatin1(hint));
    return label;
}

QHBoxLayout* row(int spacing = 3)
{
    auto* r = new QHBoxLayout;
    r->setContentsMargins(0, 0, 0, 0);
    r->setSpacing(spacing);
    return r;
}

} // namespace

Tform_video::Tform_video(std::unique_ptr<fw::media::MediaPlayer> player, Services services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint
                          | Qt::WindowStaysOnTopHint),
      player_(std::move(player)), services_(std::move(services))
{
    // The window stays on top of the others once it shows frames; it is only ever shown to
    // play a file, so it carries the flag from the start (changing it later re-creates the
    // native window, which would deactivate it and pause playback).
    setWindowTitle(QStringLiteral("Video"));
    if (!services_.freeBytes)
        services_.freeBytes = [](const QString& folder) { return QStorageInfo(folder).bytesAvailable(); };
    player_->setParent(nullptr); // owned here, not by a QObject parent

    buildControls();
    connectControls();
    setMinimumWidth(fw::video::kPlayerWindowWidth); // FormResize: never narrower than 695
    resize(fw::video::kPlayerWindowWidth, fw::video::kPlayerWindowHeight);

    VTimer1 = new QTimer(this);
    VTimer1->setInterval(1000);
    connect(VTimer1, &QTimer::timeout, this, &Tform_video::VTimer1Timer);
    VTimer1->start();
    VStepTimer = new QTimer(this);
    VStepTimer->setInterval(550);
    VStepTimer->setSingleShot(false);
    connect(VStepTimer, &QTimer::timeout, this, &Tform_video::VStepTimerTimer);

    VFormatComboBoxChange();
}

Tform_video::~Tform_video()
{
    AbortRequested = true;
    VTimer1->stop();
    VStepTimer->stop();
    // The player's notifications must not reach a half-destroyed window.
    player_->disconnect(this);
}

void Tform_video::buildControls()
{
    auto* outer = new QVBoxLayout(this);
    outer->setSizeConstraint(QLayout::SetNoConstraint); // no minimum height; the width is held at 695
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);

    auto* left = new QVBoxLayout;
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    VImageEnView1 = new fw::widgets::ImageView;
    VImageEnView1->setBackground(QColor(128, 128, 128));
    VImageEnView1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    VImageEnView1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    left->addWidget(VImageEnView1, 1);
    left->addWidget(buildTransportBar());
    body->addLayout(left, 1);
    body->addWidget(buildRightPanel());
    outer->addLayout(body, 1);

    VPaintBox1 = new VideoRuler;
    outer->addWidget(VPaintBox1);
}

QWidget* Tform_video::buildTransportBar()
{
    VPanel1 = new QWidget;
    VPanel1->setFixedHeight(34);
    auto* bar = new QHBoxLayout(VPanel1);
    bar->setContentsMargins(4, 5, 4, 5);
    bar->setSpacing(2);

    VbtCapture = textButton("Capture", "Captures a current frame");
    VbtCapture->setFixedSize(VbtCapture->fontMetrics().horizontalAdvance(VbtCapture->text()) + 14, 24);
    bar->addWidget(VbtCapture);
    VTimeLabel = new QLabel(QStringLiteral("0:00:00 / 0:00:00"));
    VTimeLabel->setToolTip(QStringLiteral("Position / Duration"));
    VTimeLabel->setStyleSheet(QStringLiteral("color: blue; font-weight: bold;"));
    // Wide enough for the longest text of either format, so the buttons never shift.
    {
        QFont bold = VTimeLabel->font();
        bold.setBold(true);
        const QFontMetrics m(bold);
        VTimeLabel->setFixedWidth(std::max(m.horizontalAdvance(QStringLiteral("0:00:00 / 0:00:00")),
                                           m.horizontalAdvance(QStringLiteral("9999999 / 9999999")))
                                  + 8);
    }
    VTimeLabel->setAlignment(Qt::AlignCenter);
    bar->addWidget(VTimeLabel);

    VPlayButton = pictureButton(QStyle::SP_MediaPlay, "Play", VPanel1);
    VPauseButton = pictureButton(QStyle::SP_MediaPause, "Pause", VPanel1);
    VStopButton = pictureButton(QStyle::SP_MediaStop, "Stop", VPanel1);
    VPauseButton->setEnabled(false);
    VStopButton->setEnabled(false);
    bar->addWidget(VPlayButton);
    bar->addWidget(VPauseButton);
    bar->addWidget(VStopButton);
    bar->addSpacing(3);

    VStepMButton = pictureButton(QStyle::SP_MediaSeekBackward, "Backward", VPanel1);
    bar->addWidget(VStepMButton);
    VStepValueTime = new QDoubleSpinBox;
    VStepValueTime->setToolTip(QStringLiteral("Step (seconds)"));
    VStepValueTime->setRange(0.02, 10);
    VStepValueTime->setDecimals(2);
    VStepValueTime->setSingleStep(0.01);
    VStepValueTime->setValue(1);
    VStepValueTime->setFixedWidth(52);
    bar->addWidget(VStepValueTime);
    VStepValueFrame = new QSpinBox;
    VStepValueFrame->setToolTip(QStringLiteral("Step (frames)"));
    VStepValueFrame->setRange(1, 1000);
    VStepValueFrame->setValue(1);
    VStepValueFrame->setFixedWidth(52);
    bar->addWidget(VStepValueFrame);
    VStepPButton = pictureButton(QStyle::SP_MediaSeekForward, "Forward", VPanel1);
    bar->addWidget(VStepPButton);
    bar->addSpacing(3);

    VEdit2 = numberEdit("0", "time position (hours/minutes/seconds)", 24);
    VEdit4 = numberEdit("0", "Time position (hours/minutes/seconds)", 24);
    VEdit5 = numberEdit("0", "Time position (hours/minutes/seconds)", 24);
    VGotoFrameEdit = numberEdit("1", "frame position", 76);
    for (QLineEdit* e : {VEdit2, VEdit4, VEdit5, VGotoFrameEdit})
        bar->addWidget(e);
    VGotoButton = pictureButton(QStyle::SP_ArrowRight, "jumps to a specified position", VPanel1);
    bar->addWidget(VGotoButton);
    bar->addStretch(1);
    return VPanel1;
}

QWidget* Tform_video::buildRightPanel()
{
    VPanel3 = new QWidget;
    VPanel3->setFixedWidth(175);
    auto* panel = new QVBoxLayout(VPanel3);
    panel->setContentsMargins(4, 4, 4, 4);
    panel->setSpacing(4);

    auto* formatRow = row();
    VLabel1 = new QLabel(QStringLiteral("Time Format:"));
    VFormatComboBox = new QComboBox;
    VFormatComboBox->addItem(QStringLiteral("Time"));
    VFormatComboBox->setCurrentIndex(0);
    formatRow->addWidget(VLabel1);
    formatRow->addWidget(VFormatComboBox, 1);
    panel->addLayout(formatRow);

    // " selected frames ": IN, OUT and the interval, with each time field's frame twin in
    // the same row so that a format switch swaps them in place.
    VGroupBox6 = new QGroupBox(QStringLiteral(" selected frames "));
    auto* range = new QGridLayout(VGroupBox6);
    range->setContentsMargins(5, 4, 5, 5);
    range->setHorizontalSpacing(3);
    range->setVerticalSpacing(3);
    VEdit1 = numberEdit("0", "IN point (hours/minutes/seconds)", 28);
    VEdit6 = numberEdit("0", "IN point (hours/minutes/seconds)", 28);
    VEdit7 = numberEdit("0", "IN point (hours/minutes/seconds)", 28);
    VEdit8 = numberEdit("0", "OUT point (hours/minutes/seconds)", 28);
    VEdit9 = numberEdit("0", "OUT point (hours/minutes/seconds)", 28);
    VEdit10 = numberEdit("0", "OUT point (hours/minutes/seconds)", 28);
    VInFrame = numberEdit("1", "IN point (frame)", 90);
    VOutFrame = numberEdit("1", "OUT point (frame)", 90);
    auto* inRow = row(2);
    for (QLineEdit* e : {VEdit1, VEdit6, VEdit7, VInFrame})
        inRow->addWidget(e);
    inRow->addStretch(1);
    auto* outRow = row(2);
    for (QLineEdit* e : {VEdit8, VEdit9, VEdit10, VOutFrame})
        outRow->addWidget(e);
    outRow->addStretch(1);
    range->addWidget(new QLabel(QStringLiteral("IN point")), 0, 0);
    range->addLayout(inRow, 0, 1);
    range->addWidget(new QLabel(QStringLiteral("OUT point")), 1, 0);
    range->addLayout(outRow, 1, 1);

    auto* rateRow = row(2);
    VSamplingValueTime = new QDoubleSpinBox;
    VSamplingValueTime->setToolTip(QStringLiteral("Sampling interval (seconds)"));
    VSamplingValueTime->setRange(0.02, 100);
    VSamplingValueTime->setDecimals(2);
    VSamplingValueTime->setSingleStep(0.01);
    VSamplingValueTime->setValue(1);
    VSamplingValueFrame = new QSpinBox;
    VSamplingValueFrame->setToolTip(QStringLiteral("Sampling interval (frames)"));
    VSamplingValueFrame->setRange(1, 100);
    VSamplingValueFrame->setValue(1);
    for (QWidget* w : {static_cast<QWidget*>(VSamplingValueTime), static_cast<QWidget*>(VSamplingValueFrame)}) {
        w->setFixedWidth(62);
        rateRow->addWidget(w);
    }
    rateRow->addStretch(1);
    range->addWidget(new QLabel(QStringLiteral("Sampling rate:")), 2, 0, 1, 2);
    range->addLayout(rateRow, 3, 0, 1, 2);

    auto* runRow = row(2);
    VbtCaptureRange = textButton("Capture", "Captures a frames of the specified range");
    VbtRangeSave = textButton("Save", "Saves a frames of the specified range to disk");
    VbtAbort = textButton("Stop", nullptr);
    VbtAbort->setEnabled(false);
    for (QPushButton* b : {VbtCaptureRange, VbtRangeSave, VbtAbort}) {
        b->setFixedHeight(23);
        b->setMinimumWidth(10);
        runRow->addWidget(b);
    }
    range->addLayout(runRow, 4, 0, 1, 2);
    VGauge1 = new QProgressBar;
    VGauge1->setTextVisible(false);
    VGauge1->setFixedHeight(8);
    VGauge1->setRange(0, 1);
    VGauge1->setValue(0);
    VGauge1->setStyleSheet(QStringLiteral("QProgressBar { background: silver; border: 1px solid gray; }"
                                          "QProgressBar::chunk { background: navy; }"));
    QSizePolicy keep = VGauge1->sizePolicy();
    keep.setRetainSizeWhenHidden(true); // the group does not jump when a run starts
    VGauge1->setSizePolicy(keep);
    VGauge1->hide();
    range->addWidget(VGauge1, 5, 0, 1, 2);
    panel->addWidget(VGroupBox6);

    // Zoom.
    auto* zoomRow = row();
    VActualSizeButton = textButton("1:1", "Actual Size");
    VZoomFitButton = textButton("Fit", "Zoom Fit");
    for (QPushButton* b : {VActualSizeButton, VZoomFitButton})
        b->setFixedSize(32, 22);
    VLabel18 = new QLabel(QStringLiteral("Zoom: 100%"));
    zoomRow->addWidget(VActualSizeButton);
    zoomRow->addWidget(VZoomFitButton);
    zoomRow->addWidget(VLabel18, 1);
    panel->addLayout(zoomRow);
    VTrackBar2 = slider(25, 400, 25);
    VTrackBar2->setSingleStep(25);
    VTrackBar2->setPageStep(25);
    VTrackBar2->setValue(100);
    panel->addWidget(VTrackBar2);

    // " Channels " and " Adjust ".
    VGroupBoxChannels = new QGroupBox(QStringLiteral(" Channels "));
    auto* channels = new QGridLayout(VGroupBoxChannels);
    channels->setContentsMargins(5, 2, 5, 2);
    channels->setVerticalSpacing(0);
    VPanel5 = swatch(QColor(255, 0, 0), "Red");
    VPanel6 = swatch(QColor(0, 160, 0), "Green");
    VPanel7 = swatch(QColor(0, 0, 255), "Blue");
    VTrackBar3 = slider(-255, 255, 16);
    VTrackBar4 = slider(-255, 255, 0);
    VTrackBar5 = slider(-255, 255, 0);
    const QList<QPair<QWidget*, QSlider*>> channelRows = {{VPanel5, VTrackBar3}, {VPanel6, VTrackBar4}, {VPanel7, VTrackBar5}};
    for (int i = 0; i < channelRows.size(); ++i) {
        channels->addWidget(channelRows[i].first, i, 0);
        channels->addWidget(channelRows[i].second, i, 1);
    }
    panel->addWidget(VGroupBoxChannels);

    VGroupBoxAdjust = new QGroupBox(QStringLiteral(" Adjust "));
    auto* adjust = new QGridLayout(VGroupBoxAdjust);
    adjust->setContentsMargins(5, 2, 5, 2);
    adjust->setVerticalSpacing(0);
    VTrackBar6 = slider(-255, 255, 0);
    VTrackBar7 = slider(-100, 100, 0);
    adjust->addWidget(adjustIcon(false, "Luminosity"), 0, 0);
    adjust->addWidget(VTrackBar6, 0, 1);
    adjust->addWidget(adjustIcon(true, "Contrast"), 1, 0);
    adjust->addWidget(VTrackBar7, 1, 1);
    panel->addWidget(VGroupBoxAdjust);

    VbtnDefault = textButton("Default", "zero value for CHANNELS and ADJUST");
    VbtnDefault->setFixedHeight(23);
    panel->addWidget(VbtnDefault);
    panel->addStretch(1);
    return VPanel3;
}

void Tform_video::connectControls()
{
    connect(VPlayButton, &QPushButton::clicked, this, &Tform_video::OnPlayButton);
    connect(VPauseButton, &QPushButton::clicked, this, &Tform_video::OnPauseButton);
    connect(VStopButton, &QPushButton::clicked, this, &Tform_video::OnStopButton);
    for (QPushButton* step : {VStepPButton, VStepMButton}) {
        connect(step, &QPushButton::pressed, this, [this, step] { StepButtonDown(step); });
        connect(step, &QPushButton::released, this, &Tform_video::StepButtonUp);
    }
    connect(VGotoButton, &QPushButton::clicked, this, &Tform_video::VGotoButtonClick);
    connect(VFormatComboBox, &QComboBox::currentIndexChanged, this, &Tform_video::VFormatComboBoxChange);
    connect(VImageEnView1, &fw::widgets::ImageView::mousePressed, this, &Tform_video::VImageEnView1MouseDown);
    connect(VPaintBox1, &VideoRuler::mousePressed, this, &Tform_video::VPaintBox1MouseDown);
    connect(VPaintBox1, &VideoRuler::mouseMoved, this, &Tform_video::VPaintBox1MouseMove);
    connect(VPaintBox1, &VideoRuler::mouseReleased, this, &Tform_video::VPaintBox1MouseUp);
    connect(player_.get(), &fw::media::MediaPlayer::newFrame, this, &Tform_video::VImageEnView1DShowNewFrame);
    connect(player_.get(), &fw::media::MediaPlayer::eventPending, this, &Tform_video::VImageEnView1DShowEvent);

    connect(VbtCapture, &QPushButton::clicked, this, [this] { VbtCaptureClick(); });
    connect(VbtCaptureRange, &QPushButton::clicked, this, [this] { Capture_Save(VbtCaptureRange); });
    connect(VbtRangeSave, &QPushButton::clicked, this, [this] { Capture_Save(VbtRangeSave); });
    connect(VbtAbort, &QPushButton::clicked, this, &Tform_video::VbtAbortClick);

    connect(VTrackBar2, &QSlider::valueChanged, this, &Tform_video::VTrackBar2Change);
    connect(VActualSizeButton, &QPushButton::clicked, this, &Tform_video::VActualSizeButtonClick);
    connect(VZoomFitButton, &QPushButton::clicked, this, &Tform_video::VZoomFitButtonClick);
    connect(VTrackBar3, &QSlider::valueChanged, this, &Tform_video::VTrackBar3Change);
    connect(VTrackBar4, &QSlider::valueChanged, this, &Tform_video::VTrackBar4Change);
    connect(VTrackBar5, &QSlider::valueChanged, this, &Tform_video::VTrackBar5Change);
    connect(VTrackBar6, &QSlider::valueChanged, this, &Tform_video::VTrackBar6Change);
    connect(VTrackBar7, &QSlider::valueChanged, this, &Tform_video::VTrackBar7Change);
    connect(VbtnDefault, &QPushButton::clicked, this, &Tform_video::VbtnDefaultClick);
}

void Tform_video::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        FormDeactivate();
}

void Tform_video::closeEvent(QCloseEvent* event)
{
    // Closing only hides the window; playback pauses as on any deactivation.
    FormDeactivate();
    event->ignore();
    hide();
}
