#pragma once

#include "platform/imaging/WriteOptions.h"
#include "platform/media/MediaPlayer.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;

namespace fw::ui {
class Prompts;
}
namespace fw::widgets {
class ImageView;
}
namespace fw::video {
class VideoRuler;
}

/// The video player window: plays the file last chosen with File > Open, steps and jumps by
/// time or frame, follows the position on a ruler that also seeks, captures the frame shown or
/// samples a range into the frame strip or to image files, and adjusts how the picture is drawn.
///
///     +--------------------------------------------+----------------+
///     |                                            | Time Format    |
///     |          VImageEnView1 (the picture)       | selected frames|
///     |                                            | zoom           |
///     |                                            | Channels       |
///     +--------------------------------------------+ Adjust         |
///     | VPanel1: Capture, time, transport, goto    | Default        |
///     +--------------------------------------------+----------------+
///     | VPaintBox1: the ruler, 42 pixels                            |
///     +-------------------------------------------------------------+
///
/// Created hidden at start and kept for the run; closing it hides it. Everything runs on the
/// user-interface thread; the player's notifications arrive there as queued signals.
class Tform_video : public QWidget {
    Q_OBJECT

public:
    /// What the window needs from the main window and the system.
    struct Services {
        fw::ui::Prompts* prompts = nullptr;
        /// `VideoFileName` of the main window, read whenever it is needed (so captions follow
        /// the file last chosen with File > Open).
        std::function<QString()> videoFileName;
        /// The main window's AppendFrame; false when the frame could not be stored.
        std::function<bool(const QImage& picture, const QString& caption)> appendFrame;
        /// Frame count from an AVI file's stream header (0 when unknown).
        std::function<std::uint32_t(const QString& path)> aviFrameCount;
        /// Free bytes on the volume of a folder; negative when unknown. Defaults to QStorageInfo.
        std::function<qint64(const QString& folder)> freeBytes;
    };

    Tform_video(std::unique_ptr<fw::media::MediaPlayer> player, Services services, QWidget* parent = nullptr);
    ~Tform_video() override;

    fw::media::MediaPlayer& player() { return *player_; }
    bool frameFormat() const;

    // Operations.
    void Open();
    void ConnectPlayer();
    void RefreshPosition();
    void ShowCurrentFrame();
    void SeekTo();
    void DrawRuler();
    void MoveMarker();

    // Handlers (part 1: playback and the ruler).
    void FormDeactivate();
    void OnPlayButton();
    void OnPauseButton();
    void OnStopButton();
    void VImageEnView1DShowNewFrame();
    void VImageEnView1DShowEvent();
    void VImageEnView1MouseDown();
    void VTimer1Timer();
    void StepButtonDown(QPushButton* sender);
    void StepButtonUp();
    void VStepTimerTimer();
    void VGotoButtonClick();
    void VFormatComboBoxChange();
    void VPaintBox1MouseDown(int x, int y);
    void VPaintBox1MouseMove(int x, int y);
    void VPaintBox1MouseUp();

    // Handlers (part 2: capture and range sampling).
    /// Captures the frame shown; false when nothing could be added to the strip.
    bool VbtCaptureClick();
    void Capture_Save(QPushButton* sender);
    void VbtAbortClick();

    // Handlers (part 3: zoom and display adjustments).
    void VTrackBar2Change();
    void VActualSizeButtonClick();
    void VZoomFitButtonClick();
    void VTrackBar3Change();
    void VTrackBar4Change();
    void VTrackBar5Change();
    void VTrackBar6Change();
    void VTrackBar7Change();
    void VbtnDefaultClick();

    // State.
    std::int64_t VideoFrameCount = 0;
    fw::media::MediaTime VideoDuration = 1;
    fw::media::MediaTime VideoPosition = 0;
    QString DurationText;
    QString VideoTitle;
    bool Loaded = false;
    bool FirstFrame = false;
    bool StepForwardHeld = false;
    bool StepBackHeld = false;
    bool RulerDragging = false;
    std::int64_t MarkerX = 0;
    bool AbortRequested = false;
    fw::imaging::WriteOptions rangeSaveOptions; ///< the options the range save dialog edits

    // Controls: the picture, the transport bar and the ruler.
    fw::widgets::ImageView* VImageEnView1;
    QWidget* VPanel1;
    QPushButton* VbtCapture;
    QLabel* VTimeLabel;
    QPushButton* VPlayButton;
    QPushButton* VPauseButton;
    QPushButton* VStopButton;
    QPushButton* VStepMButton;
    QDoubleSpinBox* VStepValueTime;
    QSpinBox* VStepValueFrame;
    QPushButton* VStepPButton;
    QLineEdit* VEdit2;
    QLineEdit* VEdit4;
    QLineEdit* VEdit5;
    QLineEdit* VGotoFrameEdit;
    QPushButton* VGotoButton;
    fw::video::VideoRuler* VPaintBox1;
    QTimer* VTimer1;
    QTimer* VStepTimer;

    // The right-hand panel: format, range group, zoom and adjustments.
    QWidget* VPanel3;
    QLabel* VLabel1;
    QComboBox* VFormatComboBox;
    QGroupBox* VGroupBox6;
    QLineEdit* VEdit1;
    QLineEdit* VEdit6;
    QLineEdit* VEdit7;
    QLineEdit* VEdit8;
    QLineEdit* VEdit9;
    QLineEdit* VEdit10;
    QLineEdit* VInFrame;
    QLineEdit* VOutFrame;
    QDoubleSpinBox* VSamplingValueTime;
    QSpinBox* VSamplingValueFrame;
    QPushButton* VbtCaptureRange;
    QPushButton* VbtRangeSave;
    QPushButton* VbtAbort;
    QProgressBar* VGauge1;
    QPushButton* VActualSizeButton;
    QPushButton* VZoomFitButton;
    QLabel* VLabel18;
    QSlider* VTrackBar2;
    QGroupBox* VGroupBoxChannels;
    QWidget* VPanel5;
    QWidget* VPanel6;
    QWidget* VPanel7;
    QSlider* VTrackBar3;
    QSlider* VTrackBar4;
    QSlider* VTrackBar5;
    QGroupBox* VGroupBoxAdjust;
    QSlider* VTrackBar6;
    QSlider* VTrackBar7;
    QPushButton* VbtnDefault;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    QWidget* buildTransportBar();
    QWidget* buildRightPanel();
    void connectControls();
    /// Play, Pause and Stop enabled as given (the transport table).
    void setTransport(bool play, bool pause, bool stop);
    /// Run and at once pause, so a paused frame is available; false when not connected.
    bool connectAndHold();
    void stepOnce(bool forward, fw::media::MediaTime target);
    /// After a file could not be opened: no picture, nothing loaded, Play ready to try again.
    void resetAfterFailedOpen();
    /// "Time" selected, "Frame" after it only when offered.
    void resetFormatList(bool offerFrames);
    void reportPlayerError();
    void applyAdjustments();
    QString currentStamp() const;
    void endRange();
    void seekFromRuler(int x);

    std::unique_ptr<fw::media::MediaPlayer> player_;
    Services services_;
    bool rangeRunning_ = false;
    bool showingNewFrame_ = false;
    bool rulerPressed_ = false;
    bool rulerSeeking_ = false;
    std::optional<int> pendingRulerX_;
    bool missedNewFrame_ = false;
};
