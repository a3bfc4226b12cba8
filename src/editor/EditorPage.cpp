#include "EditorPage.h"

#include "app/FrameStore.h"
#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "platform/ui/Prompts.h"
#include "platform/widgets/ImageView.h"
#include "platform/widgets/ThumbnailStrip.h"
#include "platform/widgets/TrackBar.h"
#include "platform/widgets/UpDown.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <iterator>
#include <memory>
#include <new>
#include <vector>

namespace fw::app {

using fw::widgets::ImageView;
using fw::widgets::TrackBar;
using fw::widgets::UpDown;

namespace {

constexpr int kEditWidth = 52; // the number boxes hold up to four digits (five for "-359")
constexpr int kPageHeight = 104;

QLineEdit* numberBox(int minimum, int maximum, bool validate = true)
{
    auto* e = new QLineEdit(QStringLiteral("0"));
    e->setFixedWidth(kEditWidth);
    if (validate)
        e->setValidator(new QIntValidator(minimum, maximum, e));
    return e;
}

/// A number box with its arrows side by side.
QWidget* boxWithArrows(QLineEdit* edit, UpDown* arrows)
{
    auto* w = new QWidget;
    auto* l = new QHBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    l->addWidget(edit);
    l->addWidget(arrows);
    l->addStretch(1);
    return w;
}

} // namespace

EditorPage::EditorPage(Links links, QWidget* parent) : QWidget(parent), links_(links)
{
    buildControls();
    connectHandlers();
}

// ---------------------------------------------------------------------------------------
// Controls

void EditorPage::buildControls()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(4);

    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(4);
    btnApplyOne = new QPushButton(QStringLiteral("Apply"));
    btnApplyOne->setToolTip(QStringLiteral("Applys changes to current image"));
    btnApplyAll = new QPushButton(QStringLiteral("Apply All"));
    btnApplyAll->setToolTip(QStringLiteral("Applys changes to all images"));
    btnDefault = new QPushButton(QStringLiteral("Default"));
    for (QPushButton* b : {btnApplyOne, btnApplyAll, btnDefault}) {
        b->setFixedWidth(76);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    top->addLayout(buttons);

    // The option list with the zoom list below it, so the option page gets the width.
    auto* lists = new QVBoxLayout;
    lists->setSpacing(2);
    lists->addWidget(new QLabel(QStringLiteral("Option:")));
    OptionComboBox = new QComboBox;
    OptionComboBox->addItems({QStringLiteral("Resize"), QStringLiteral("Crop"), QStringLiteral("Rotate"),
                              QStringLiteral("Flip"), QStringLiteral("Color"), QStringLiteral("Contrast"),
                              QStringLiteral("Brightness"), QStringLiteral("RGB"), QStringLiteral("HSV"),
                              QStringLiteral("HSL")});
    OptionComboBox->setMaxVisibleItems(10);
    OptionComboBox->setFixedWidth(100);
    lists->addWidget(OptionComboBox);
    lists->addSpacing(4);
    lists->addWidget(new QLabel(QStringLiteral("Zoom:")));
    FrameZoom = new QComboBox;
    for (int z : kZooms)
        FrameZoom->addItem(QString::number(z) + QLatin1Char('%'));
    FrameZoom->setCurrentIndex(2);
    FrameZoom->setToolTip(QStringLiteral("Changes the zoom level"));
    FrameZoom->setFixedWidth(100);
    lists->addWidget(FrameZoom);
    lists->addStretch(1);
    top->addLayout(lists);

    // The option pages; their tabs are hidden, so the option list is the only way between them.
    PageControl1 = new QStackedWidget;
    PageControl1->setFrameShape(QFrame::StyledPanel);
    PageControl1->setFixedHeight(kPageHeight);
    PageControl1->setMaximumWidth(560);
    ResizeSheet = buildResizeSheet();
    CropSheet = buildCropSheet();
    RotateSheet = buildRotateSheet();
    FlipSheet = buildFlipSheet();
    ColorSheet = buildColorSheet();
    TrackBar3 = new TrackBar(-100, 100);
    ContrastSheet = buildSliderSheet({QString()}, {TrackBar3});
    TrackBar11 = new TrackBar(-255, 255);
    BrightnessSheet = buildSliderSheet({QString()}, {TrackBar11});
    TrackBar4 = new TrackBar(-255, 255);
    TrackBar5 = new TrackBar(-255, 255);
    TrackBar6 = new TrackBar(-255, 255);
    RGBSheet = buildSliderSheet({QStringLiteral("Red"), QStringLiteral("Green"), QStringLiteral("Blue")},
                                {TrackBar4, TrackBar5, TrackBar6});
    TrackBar7 = new TrackBar(-180, 180);
    TrackBar8 = new TrackBar(-100, 100);
    TrackBar9 = new TrackBar(-100, 100);
    HSVSheet = buildSliderSheet({QStringLiteral("Hue"), QStringLiteral("Saturation"), QStringLiteral("Value")},
                                {TrackBar7, TrackBar8, TrackBar9});
    TrackBar10 = new TrackBar(-180, 180);
    TrackBar12 = new TrackBar(-100, 100);
    TrackBar13 = new TrackBar(-100, 100);
    HSLSheet = buildSliderSheet({QStringLiteral("Hue"), QStringLiteral("Saturation"), QStringLiteral("Luminosity")},
                                {TrackBar10, TrackBar12, TrackBar13});
    for (QWidget* sheet : {ResizeSheet, CropSheet, RotateSheet, FlipSheet, ColorSheet, ContrastSheet, BrightnessSheet,
                           RGBSheet, HSVSheet, HSLSheet})
        PageControl1->addWidget(sheet);
    PageControl1->setCurrentWidget(ResizeSheet);
    top->addWidget(PageControl1, 3);

    top->addStretch(1);
    outer->addLayout(top);

    FrameEditor = new ImageView;
    FrameEditor->setObjectName(QStringLiteral("FrameEditor"));
    FrameEditor->setBackground(QColor(128, 128, 128));
    outer->addWidget(FrameEditor, 1);
}

QWidget* EditorPage::buildResizeSheet()
{
    auto* sheet = new QWidget;
    auto* l = new QHBoxLayout(sheet);
    l->setContentsMargins(6, 2, 6, 4);
    SizeGroup = new QGroupBox(QStringLiteral(" Size (pixels) "));
    auto* g = new QGridLayout(SizeGroup);
    g->setContentsMargins(6, 2, 6, 4);
    g->setVerticalSpacing(4);
    ResEditW = numberBox(0, 9999);
    ResW = new UpDown(ResEditW, 0, 9999);
    ResEditH = numberBox(0, 9999);
    ResH = new UpDown(ResEditH, 0, 9999);
    ResW->setPosition(1); // no frame loaded yet
    ResH->setPosition(1);
    g->addWidget(new QLabel(QStringLiteral("Width")), 0, 0);
    g->addWidget(boxWithArrows(ResEditW, ResW), 0, 1);
    g->addWidget(new QLabel(QStringLiteral("Height")), 1, 0);
    g->addWidget(boxWithArrows(ResEditH, ResH), 1, 1);
    l->addWidget(SizeGroup);

    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    CheckBox2 = new QCheckBox(QStringLiteral("Maintain aspect ratio"));
    CheckBox2->setChecked(true);
    right->addWidget(CheckBox2);
    right->addWidget(new QLabel(QStringLiteral("Antialiasing filter:")));
    ResFilter = new QComboBox;
    ResFilter->addItems({QStringLiteral(" None"), QStringLiteral(" Triangle"), QStringLiteral(" Hermite"),
                         QStringLiteral(" Bell"), QStringLiteral(" BSpline"), QStringLiteral(" Lanczos3"),
                         QStringLiteral(" Mitchell"), QStringLiteral(" Nearest"), QStringLiteral(" Linear"),
                         QStringLiteral(" FastLinear")});
    ResFilter->setMaxVisibleItems(10);
    ResFilter->setFixedWidth(130);
    right->addWidget(ResFilter);
    right->addStretch(1);
    l->addLayout(right);
    l->addStretch(1);
    return sheet;
}

QWidget* EditorPage::buildCropSheet()
{
    auto* sheet = new QWidget;
    auto* g = new QGridLayout(sheet);
    g->setContentsMargins(10, 8, 10, 8);
    g->setHorizontalSpacing(8);
    Edit9 = numberBox(0, 9999);
    UpDown6 = new UpDown(Edit9, 0, 9999);
    Edit10 = numberBox(0, 9999);
    UpDown7 = new UpDown(Edit10, 0, 9999);
    Edit11 = numberBox(0, 9999);
    UpDown4 = new UpDown(Edit11, 0, 9999);
    Edit12 = numberBox(0, 9999);
    UpDown5 = new UpDown(Edit12, 0, 9999);
    g->addWidget(new QLabel(QStringLiteral("Left")), 0, 0);
    g->addWidget(boxWithArrows(Edit9, UpDown6), 0, 1);
    g->addWidget(new QLabel(QStringLiteral("Top")), 1, 0);
    g->addWidget(boxWithArrows(Edit10, UpDown7), 1, 1);
    g->addWidget(new QLabel(QStringLiteral("Width")), 0, 2);
    g->addWidget(boxWithArrows(Edit11, UpDown4), 0, 3);
    g->addWidget(new QLabel(QStringLiteral("Height")), 1, 2);
    g->addWidget(boxWithArrows(Edit12, UpDown5), 1, 3);
    g->setColumnStretch(4, 1);
    g->setRowStretch(2, 1);
    return sheet;
}

QWidget* EditorPage::buildRotateSheet()
{
    auto* sheet = new QWidget;
    auto* g = new QGridLayout(sheet);
    g->setContentsMargins(10, 6, 10, 6);
    g->setHorizontalSpacing(16);
    RadioButton6 = new QRadioButton(QStringLiteral("90° Clockwise"));
    RadioButton7 = new QRadioButton(QStringLiteral("90° Counterclockwise"));
    RadioButton8 = new QRadioButton(QStringLiteral("180°"));
    RadioButton9 = new QRadioButton(QStringLiteral("Custom:"));
    rotateGroup_ = new QButtonGroup(this);
    for (QRadioButton* r : {RadioButton6, RadioButton7, RadioButton8, RadioButton9})
        rotateGroup_->addButton(r);
    Edit13 = numberBox(-359, 359, false); // any text may be typed: what is not a whole number counts as 0
    UpDown2 = new UpDown(Edit13, -359, 359);
    CheckBox8 = new QCheckBox(QStringLiteral("Antialiasing"));
    g->addWidget(RadioButton6, 0, 0);
    g->addWidget(RadioButton7, 1, 0);
    g->addWidget(RadioButton8, 2, 0);
    auto* custom = new QHBoxLayout;
    custom->setSpacing(6);
    custom->addWidget(RadioButton9);
    custom->addWidget(boxWithArrows(Edit13, UpDown2));
    g->addLayout(custom, 0, 1);
    g->addWidget(CheckBox8, 1, 1);
    g->setColumnStretch(2, 1);
    g->setRowStretch(3, 1);
    return sheet;
}

QWidget* EditorPage::buildFlipSheet()
{
    auto* sheet = new QWidget;
    auto* l = new QVBoxLayout(sheet);
    l->setContentsMargins(10, 8, 10, 8);
    RadioButton4 = new QRadioButton(QStringLiteral("Flip Horizontally"));
    RadioButton5 = new QRadioButton(QStringLiteral("Flip Vertically"));
    flipGroup_ = new QButtonGroup(this);
    flipGroup_->addButton(RadioButton4);
    flipGroup_->addButton(RadioButton5);
    l->addWidget(RadioButton4);
    l->addWidget(RadioButton5);
    l->addStretch(1);
    return sheet;
}

QWidget* EditorPage::buildColorSheet()
{
    auto* sheet = new QWidget;
    auto* l = new QVBoxLayout(sheet);
    l->setContentsMargins(10, 8, 10, 8);
    CheckBox10 = new QCheckBox(QStringLiteral("Auto Equalize"));
    CheckBox11 = new QCheckBox(QStringLiteral("Negative"));
    l->addWidget(CheckBox10);
    l->addWidget(CheckBox11);
    l->addStretch(1);
    return sheet;
}

QWidget* EditorPage::buildSliderSheet(const QStringList& captions, const QList<TrackBar*>& bars)
{
    auto* sheet = new QWidget;
    auto* g = new QGridLayout(sheet);
    g->setContentsMargins(10, 6, 10, 6);
    g->setVerticalSpacing(6);
    for (int i = 0; i < bars.size(); ++i) {
        if (!captions.value(i).isEmpty())
            g->addWidget(new QLabel(captions[i]), i, 0);
        g->addWidget(bars[i], i, 1);
    }
    g->setColumnStretch(1, 1);
    g->setRowStretch(int(bars.size()), 1);
    return sheet;
}

void EditorPage::connectHandlers()
{
    connect(ResEditW, &QLineEdit::textEdited, this, [this] { ResEditWChange(ResizeSource::Width); });
    connect(ResEditH, &QLineEdit::textEdited, this, [this] { ResEditWChange(ResizeSource::Height); });
    connect(ResFilter, &QComboBox::activated, this, [this] { ResEditWChange(ResizeSource::Filter); });
    connect(ResW, &UpDown::clicked, this, [this] { ResWClick(ChangedSide::Width); });
    connect(ResH, &UpDown::clicked, this, [this] { ResWClick(ChangedSide::Height); });
    for (UpDown* arrows : {UpDown6, UpDown7, UpDown4, UpDown5})
        connect(arrows, &UpDown::clicked, this, &EditorPage::UpDown4Click);
    for (QRadioButton* r : {RadioButton6, RadioButton7, RadioButton8, RadioButton9})
        connect(r, &QRadioButton::clicked, this, &EditorPage::RadioButton6Click);
    connect(Edit13, &QLineEdit::textEdited, this, &EditorPage::RadioButton6Click);
    connect(UpDown2, &UpDown::clicked, this, &EditorPage::RadioButton6Click);
    connect(CheckBox8, &QCheckBox::clicked, this, &EditorPage::RadioButton6Click);
    connect(RadioButton4, &QRadioButton::clicked, this, &EditorPage::RadioButton4Click);
    connect(RadioButton5, &QRadioButton::clicked, this, &EditorPage::RadioButton4Click);
    connect(CheckBox10, &QCheckBox::clicked, this, &EditorPage::CheckBox10Click);
    connect(CheckBox11, &QCheckBox::clicked, this, &EditorPage::CheckBox10Click);
    connect(TrackBar3, &TrackBar::changedValue, this, &EditorPage::TrackBar3ChangedValue);
    connect(TrackBar11, &TrackBar::changedValue, this, &EditorPage::TrackBar11ChangedValue);
    for (TrackBar* t : {TrackBar4, TrackBar5, TrackBar6})
        connect(t, &TrackBar::changedValue, this, &EditorPage::TrackBar4ChangedValue);
    for (TrackBar* t : {TrackBar7, TrackBar8, TrackBar9})
        connect(t, &TrackBar::changedValue, this, &EditorPage::TrackBar7ChangedValue);
    for (TrackBar* t : {TrackBar10, TrackBar12, TrackBar13})
        connect(t, &TrackBar::changedValue, this, &EditorPage::TrackBar10ChangedValue);
    connect(OptionComboBox, &QComboBox::currentIndexChanged, this, &EditorPage::OptionComboBoxChange);
    connect(FrameZoom, &QComboBox::currentIndexChanged, this, &EditorPage::FrameZoomChange);
    connect(FrameEditor, &ImageView::mouseMoved, this, &EditorPage::FrameEditorMouseMove);
    connect(btnApplyOne, &QPushButton::clicked, this, &EditorPage::btnApplyOneClick);
    connect(btnApplyAll, &QPushButton::clicked, this, &EditorPage::btnApplyAllClick);
    connect(btnDefault, &QPushButton::clicked, this, &EditorPage::btnDefaultClick);
}

// ---------------------------------------------------------------------------------------
// State

int EditorPage::editIndex() const { return links_.store->EditIndex; }

bool EditorPage::editFrameExists() const
{
    return editIndex() >= 0 && links_.store->frameFileExists(editIndex());
}

QImage EditorPage::readFrame(int index) const
{
    QImage image = fw::imaging::readImageFile(links_.store->frameFile(index)).image;
    if (image.isNull())
        throw fw::imaging::ImageError("the frame file holds no picture");
    return image;
}

EditOption EditorPage::shownOption() const { return EditOption(PageControl1->currentIndex()); }

EditValues EditorPage::values() const
{
    EditValues v;
    v.width = ResW->position();
    v.height = ResH->position();
    v.filter = ResFilter->currentIndex();
    v.cropLeft = UpDown6->position();
    v.cropTop = UpDown7->position();
    v.cropWidth = UpDown4->position();
    v.cropHeight = UpDown5->position();
    v.rotate = RadioButton6->isChecked()   ? RotateChoice::Clockwise90
               : RadioButton7->isChecked() ? RotateChoice::CounterClockwise90
               : RadioButton8->isChecked() ? RotateChoice::Half
               : RadioButton9->isChecked() ? RotateChoice::Custom
                                           : RotateChoice::None;
    v.customAngle = Edit13->text();
    v.antialias = CheckBox8->isChecked();
    v.flip = RadioButton4->isChecked() ? FlipChoice::Horizontal
             : RadioButton5->isChecked() ? FlipChoice::Vertical
                                         : FlipChoice::None;
    v.equalize = CheckBox10->isChecked();
    v.negative = CheckBox11->isChecked();
    v.contrast = TrackBar3->value();
    v.brightness = TrackBar11->value();
    v.red = TrackBar4->value();
    v.green = TrackBar5->value();
    v.blue = TrackBar6->value();
    v.hsvHue = TrackBar7->value();
    v.hsvSaturation = TrackBar8->value();
    v.hsvValue = TrackBar9->value();
    v.hslHue = TrackBar10->value();
    v.hslSaturation = TrackBar12->value();
    v.hslLuminosity = TrackBar13->value();
    return v;
}

void EditorPage::report(const std::exception& e)
{
    if (links_.prompts)
        links_.prompts->error(this, QStringLiteral("The frame could not be edited: ") + QString::fromStdString(e.what()));
}

template <typename Work>
bool EditorPage::guarded(Work work)
{
    try {
        work();
        return true;
    } catch (const std::bad_alloc&) {
        report(fw::imaging::ImageError("not enough memory"));
    } catch (const std::exception& e) {
        report(e);
    }
    return false;
}

void EditorPage::setCropValues(const QRect& r)
{
    UpDown6->setPosition(r.isEmpty() ? 0 : r.left());
    UpDown7->setPosition(r.isEmpty() ? 0 : r.top());
    UpDown4->setPosition(r.isEmpty() ? 0 : r.width());
    UpDown5->setPosition(r.isEmpty() ? 0 : r.height());
}

// ---------------------------------------------------------------------------------------
// Operations

void EditorPage::showFrame(int index)
{
    if (index < 0) {
        FrameEditor->clearSelection();
        FrameEditor->clear();
        return;
    }
    OptionComboBoxChange(OptionComboBox->currentIndex());
    LoadEditFrame();
}

void EditorPage::LoadEditFrame()
{
    if (!editFrameExists())
        return;
    FrameZoomChange(FrameZoom->currentIndex());
    guarded([this] { resetControls(readFrame(editIndex())); });
}

void EditorPage::ResetEditControls()
{
    if (!editFrameExists())
        return;
    guarded([this] { resetControls(readFrame(editIndex())); });
}

void EditorPage::resetControls(const QImage& frame)
{
    FrameEditor->setImage(frame);
    // The crop values go back to 0, so the rectangle they describe goes too.
    FrameEditor->clearSelection();
    // The aspect rule keeps the proportions of the stored frame: after an Apply that cut or
    // turned it, those of the edited frame, not of the frame as it was first loaded.
    *links_.origWidth = frame.width();
    *links_.origHeight = frame.height();
    // Values set here take effect as set: they start neither a preview nor the aspect rule.
    // (Previews follow the user's signals only; the blockers keep every other listener quiet.)
    std::vector<std::unique_ptr<QSignalBlocker>> quiet;
    for (QObject* control : std::initializer_list<QObject*>{
             ResEditW, ResEditH, Edit9, Edit10, Edit11, Edit12, Edit13, RadioButton6, RadioButton7, RadioButton8,
             RadioButton9, RadioButton4, RadioButton5, CheckBox8, CheckBox10, CheckBox11, TrackBar3, TrackBar11,
             TrackBar4, TrackBar5, TrackBar6, TrackBar7, TrackBar8, TrackBar9, TrackBar10, TrackBar12, TrackBar13})
        quiet.push_back(std::make_unique<QSignalBlocker>(control));
    ResW->setPosition(frame.width());
    ResH->setPosition(frame.height());
    setCropValues({});
    for (QButtonGroup* group : {rotateGroup_, flipGroup_}) {
        group->setExclusive(false); // an exclusive group cannot have all its buttons off
        for (QAbstractButton* b : group->buttons())
            b->setChecked(false);
        group->setExclusive(true);
    }
    UpDown2->setPosition(0);
    CheckBox8->setChecked(false);
    CheckBox10->setChecked(false);
    CheckBox11->setChecked(false);
    for (TrackBar* t : {TrackBar3, TrackBar11, TrackBar4, TrackBar5, TrackBar6, TrackBar7, TrackBar8, TrackBar9,
                        TrackBar10, TrackBar12, TrackBar13})
        t->setValue(0);
}

void EditorPage::ApplyEditOperation(ImageView* view)
{
    const EditOption option = shownOption();
    if (option == EditOption::Crop)
        view->clearSelection(); // the crop replaces any selection with its own rectangle
    view->setImage(applyEditOperation(view->image(), option, values(), view->background()));
}

void EditorPage::preview(EditOption option)
{
    if (!editFrameExists())
        return;
    guarded([&] {
        const QImage frame = readFrame(editIndex());
        FrameEditor->setImage(applyEditOperation(frame, option, values(), FrameEditor->background()));
    });
}

void EditorPage::PreviewResize() { preview(EditOption::Resize); }

// ---------------------------------------------------------------------------------------
// Handlers

void EditorPage::ResEditWChange(ResizeSource source)
{
    if (source != ResizeSource::Filter) {
        const QSize entered(ResW->position(), ResH->position());
        const ChangedSide side = source == ResizeSource::Width ? ChangedSide::Width : ChangedSide::Height;
        const QSize result =
            keepProportions(entered, side, CheckBox2->isChecked(), {*links_.origWidth, *links_.origHeight});
        // Only the other field is written: the one being typed in keeps its text and cursor.
        if (side == ChangedSide::Width && result.height() != entered.height())
            ResH->setPosition(result.height());
        if (side == ChangedSide::Height && result.width() != entered.width())
            ResW->setPosition(result.width());
    }
    PreviewResize();
}

void EditorPage::ResWClick(ChangedSide side)
{
    const QSize entered(ResW->position(), ResH->position());
    if (entered.width() == 0 || entered.height() == 0)
        return;
    const QSize result = keepProportions(entered, side, CheckBox2->isChecked(), {*links_.origWidth, *links_.origHeight});
    ResW->setPosition(result.width());
    ResH->setPosition(result.height());
    PreviewResize();
}

void EditorPage::UpDown4Click()
{
    if (!editFrameExists())
        return;
    const QRect r = cropRectangle(values());
    if (!r.isEmpty())
        FrameEditor->setSelection(r); // shows the rectangle; the picture is cropped on Apply
}

void EditorPage::RadioButton6Click() { preview(EditOption::Rotate); }
void EditorPage::RadioButton4Click() { preview(EditOption::Flip); }
void EditorPage::CheckBox10Click() { preview(EditOption::Color); }
void EditorPage::TrackBar3ChangedValue() { preview(EditOption::Contrast); }
void EditorPage::TrackBar11ChangedValue() { preview(EditOption::Brightness); }
void EditorPage::TrackBar4ChangedValue() { preview(EditOption::Rgb); }
void EditorPage::TrackBar7ChangedValue() { preview(EditOption::Hsv); }
void EditorPage::TrackBar10ChangedValue() { preview(EditOption::Hsl); }

void EditorPage::OptionComboBoxChange(int index)
{
    if (index < 0 || index >= kEditOptionCount)
        return;
    PageControl1->setCurrentIndex(index);
    if (editIndex() < 0)
        return;
    if (shownOption() == EditOption::Crop) {
        FrameEditor->setSelectionMode(true);
        FrameEditor->clearSelection();
        const QRect r = cropRectangle(values());
        if (!r.isEmpty())
            FrameEditor->setSelection(r);
    } else {
        FrameEditor->setSelectionMode(false);
        if (FrameEditor->hasSelection()) {
            FrameEditor->clearSelection();
            setCropValues({});
        }
    }
    // The view keeps the last preview until the next value change.
}

void EditorPage::FrameZoomChange(int index)
{
    if (editIndex() < 0 || index < 0 || index >= int(std::size(kZooms)))
        return;
    FrameEditor->setZoom(kZooms[index]);
}

void EditorPage::FrameEditorMouseMove()
{
    // The crop values follow the rectangle being drawn. Without a selection the values stand
    // as they are, so numbers typed into the crop boxes survive the mouse crossing the picture.
    if (editIndex() < 0 || !FrameEditor->hasSelection())
        return;
    setCropValues(FrameEditor->selection());
}

void EditorPage::btnApplyOneClick()
{
    if (applyingAll_ || !editFrameExists())
        return;
    const int index = editIndex();
    ImageView* work = links_.work;
    guarded([&] {
        work->setImage(readFrame(index));
        ApplyEditOperation(work);
        QString error;
        if (!links_.store->replaceFrame(index, work->image(), &error))
            throw fw::imaging::ImageError(error.toStdString());
        // The frame just written is the stored frame: the reset starts from it.
        resetControls(work->image());
    });
}

void EditorPage::btnApplyAllClick()
{
    FrameStore& store = *links_.store;
    if (applyingAll_ || editIndex() < 0 || store.count() == 0)
        return;
    // The value controls stay live (later frames take the values as they then stand); the
    // three buttons wait, so a second run cannot edit frames this one has already edited.
    applyingAll_ = true;
    for (QPushButton* b : {btnApplyOne, btnApplyAll, btnDefault})
        b->setEnabled(false);
    QProgressBar* progress = links_.progress;
    const int count = store.count();
    progress->setRange(0, count);
    progress->setValue(0);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ImageView* work = links_.work;
    guarded([&] {
        for (int i = 0; i < count; ++i) {
            QCoreApplication::processEvents();
            if (store.frameFileExists(i)) { // frames removed meanwhile are passed over too
                work->setImage(readFrame(i));
                ApplyEditOperation(work);
                QString error;
                if (!store.replaceFrame(i, work->image(), &error))
                    throw fw::imaging::ImageError(error.toStdString());
                FrameEditor->setImage(work->image()); // the editor shows each frame as it is done
            }
            progress->setValue(i + 1);
        }
    });
    // Whether the loop finished or stopped at an error.
    QApplication::restoreOverrideCursor();
    progress->setValue(progress->maximum());
    progress->setValue(0);
    for (QPushButton* b : {btnApplyOne, btnApplyAll, btnDefault})
        b->setEnabled(true);
    applyingAll_ = false;
    ResetEditControls();
}

void EditorPage::btnDefaultClick()
{
    if (applyingAll_ || editIndex() < 0)
        return;
    ResetEditControls();
}

} // namespace fw::app
