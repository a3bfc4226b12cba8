#pragma once

#include "KeepProportions.h"
#include "EditOperation.h"

#include <QWidget>

#include <exception>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;

namespace fw::ui {
class Prompts;
}

namespace fw::widgets {
class ImageView;
class ThumbnailStrip;
class TrackBar;
class UpDown;
} // namespace fw::widgets

namespace fw::app {

class FrameStore;

/// The "Image Editor" page: the Apply, Apply All and Default buttons, the option list with
/// its ten option pages, the zoom list, and the editor view `FrameEditor` below them.
///
///   [Apply    ]  Option:      +------------------------------+
///   [Apply All]  [Resize  v]  | the option's page            |
///   [Default  ]  Zoom:        |                              |
///                [100%    v]  +------------------------------+
///   +--------------------------------------------------------------------+
///   |                 FrameEditor (grey 128 background)                  |
///   +--------------------------------------------------------------------+
///
/// The frame being edited (`EditIndex` of the frame store) is always read from its frame
/// file: every value change previews one option on a fresh copy of it, Apply and Apply All
/// run the shown option on the work view `IEn` and rewrite the frame files and thumbnails.
/// The option controls hold the only edit state. Values set from code (the reset, the
/// aspect rule) never start a preview: previews follow user signals only (textEdited,
/// clicked, changedValue).
///
/// Lives on the user-interface thread. Errors of reading, editing or writing a frame are
/// reported through Prompts; a missing frame file is passed over in silence.
class EditorPage : public QWidget {
    Q_OBJECT

public:
    /// What the page uses of the main window.
    struct Links {
        FrameStore* store = nullptr;                ///< frame files, `EditIndex`, thumbnails
        fw::widgets::ThumbnailStrip* strip = nullptr;
        QProgressBar* progress = nullptr;           ///< the main window's `ProgressBar`
        fw::widgets::ImageView* work = nullptr;     ///< the hidden work view `IEn`
        fw::ui::Prompts* prompts = nullptr;
        int* origWidth = nullptr;                   ///< `EditOrigWidth`
        int* origHeight = nullptr;                  ///< `EditOrigHeight`
    };

    /// The zoom list's percentages, by item index.
    static constexpr int kZooms[7] = {25, 50, 100, 200, 400, 800, 1600};

    enum class ResizeSource { Width, Height, Filter };

    explicit EditorPage(Links links, QWidget* parent = nullptr);

    /// The main window's `editFrameChanged`: shows the frame at `editIndex` (the option page
    /// and mouse mode brought in step, then LoadEditFrame), or blanks the view for -1.
    void showFrame(int editIndex);

    // Operations.
    void LoadEditFrame();
    void ResetEditControls();
    /// Runs the shown page's operation on the view's image with the page's current values.
    void ApplyEditOperation(fw::widgets::ImageView* view);
    void PreviewResize();

    /// The values on the option pages now; the shown option.
    EditValues values() const;
    EditOption shownOption() const;
    /// True while Apply All runs.
    bool applyingAll() const { return applyingAll_; }

    // Handlers, named after their controls.
    void ResEditWChange(ResizeSource source);
    void ResWClick(ChangedSide side);
    void UpDown4Click();
    void RadioButton6Click();
    void RadioButton4Click();
    void CheckBox10Click();
    void TrackBar3ChangedValue();
    void TrackBar11ChangedValue();
    void TrackBar4ChangedValue();
    void TrackBar7ChangedValue();
    void TrackBar10ChangedValue();
    void OptionComboBoxChange(int index);
    void FrameZoomChange(int index);
    void FrameEditorMouseMove();
    void btnApplyOneClick();
    void btnApplyAllClick();
    void btnDefaultClick();

    // Controls.
    QPushButton* btnApplyOne;
    QPushButton* btnApplyAll;
    QPushButton* btnDefault;
    QComboBox* OptionComboBox;
    QStackedWidget* PageControl1;
    QComboBox* FrameZoom;
    fw::widgets::ImageView* FrameEditor;

    QWidget* ResizeSheet;
    QGroupBox* SizeGroup; ///< " Size (pixels) "
    QLineEdit* ResEditW;
    fw::widgets::UpDown* ResW;
    QLineEdit* ResEditH;
    fw::widgets::UpDown* ResH;
    QCheckBox* CheckBox2; ///< "Maintain aspect ratio"
    QComboBox* ResFilter;

    QWidget* CropSheet;
    QLineEdit* Edit11; ///< width
    fw::widgets::UpDown* UpDown4;
    QLineEdit* Edit12; ///< height
    fw::widgets::UpDown* UpDown5;
    QLineEdit* Edit9; ///< left
    fw::widgets::UpDown* UpDown6;
    QLineEdit* Edit10; ///< top
    fw::widgets::UpDown* UpDown7;

    QWidget* RotateSheet;
    QRadioButton* RadioButton6; ///< "90° Clockwise"
    QRadioButton* RadioButton7; ///< "90° Counterclockwise"
    QRadioButton* RadioButton8; ///< "180°"
    QRadioButton* RadioButton9; ///< "Custom:"
    QLineEdit* Edit13;          ///< custom angle
    fw::widgets::UpDown* UpDown2;
    QCheckBox* CheckBox8; ///< "Antialiasing"

    QWidget* FlipSheet;
    QRadioButton* RadioButton4; ///< "Flip Horizontally"
    QRadioButton* RadioButton5; ///< "Flip Vertically"

    QWidget* ColorSheet;
    QCheckBox* CheckBox10; ///< "Auto Equalize"
    QCheckBox* CheckBox11; ///< "Negative"

    QWidget* ContrastSheet;
    fw::widgets::TrackBar* TrackBar3;
    QWidget* BrightnessSheet;
    fw::widgets::TrackBar* TrackBar11;
    QWidget* RGBSheet;
    fw::widgets::TrackBar* TrackBar4;
    fw::widgets::TrackBar* TrackBar5;
    fw::widgets::TrackBar* TrackBar6;
    QWidget* HSVSheet;
    fw::widgets::TrackBar* TrackBar7;
    fw::widgets::TrackBar* TrackBar8;
    fw::widgets::TrackBar* TrackBar9;
    QWidget* HSLSheet;
    fw::widgets::TrackBar* TrackBar10;
    fw::widgets::TrackBar* TrackBar12;
    fw::widgets::TrackBar* TrackBar13;

private:
    void buildControls();
    QWidget* buildResizeSheet();
    QWidget* buildCropSheet();
    QWidget* buildRotateSheet();
    QWidget* buildFlipSheet();
    QWidget* buildColorSheet();
    QWidget* buildSliderSheet(const QStringList& captions, const QList<fw::widgets::TrackBar*>& bars);
    void connectHandlers();

    int editIndex() const;
    /// True when a frame is being edited and its frame file exists.
    bool editFrameExists() const;
    /// Reads the frame file of strip index i (throws fw::imaging::ImageError).
    QImage readFrame(int index) const;
    /// Reloads the stored frame into FrameEditor and previews one option on it.
    void preview(EditOption option);
    /// ResetEditControls with the frame already read.
    void resetControls(const QImage& frame);
    void setCropValues(const QRect& r);
    /// Runs `work`, reporting any failure; false when it failed.
    template <typename Work>
    bool guarded(Work work);
    void report(const std::exception& e);

    Links links_;
    QButtonGroup* rotateGroup_;
    QButtonGroup* flipGroup_;
    bool applyingAll_ = false;
};

} // namespace fw::app
