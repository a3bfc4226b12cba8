#include "app/FrameStore.h"
#include "app/TForm1.h"
#include "editor/EditorPage.h"
#include "platform/imaging/ImageFile.h"
#include "platform/imaging/ops/Colour.h"
#include "platform/imaging/ops/Geometry.h"
#include "platform/imaging/ops/Resample.h"
#include "platform/widgets/ImageView.h"
#include "platform/widgets/ThumbnailStrip.h"
#include "platform/widgets/TrackBar.h"
#include "platform/widgets/UpDown.h"
#include "support/ScriptedPrompts.h"
#include "support/TestImages.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace fw::app;
using namespace fw::imaging;
using namespace fw::test;
using fw::widgets::ImageView;
using fw::widgets::TrackBar;

namespace {

/// The editor page on a real frame store in a temporary folder, with the strip, progress
/// bar and work view it shares with the main window.
struct EditorFixture {
    TempDir dir;
    ScriptedPrompts prompts;
    FrameStore store{dir.root() + QStringLiteral("/")};
    fw::widgets::ThumbnailStrip strip;
    QProgressBar progress;
    ImageView work;
    int origWidth = 1;
    int origHeight = 1;
    EditorPage page{{&store, &strip, &progress, &work, &prompts, &origWidth, &origHeight}};

    EditorFixture()
    {
        strip.setModel(&store);
        page.resize(1000, 700);
        page.show();
    }

    void add(const QImage& image) { ASSERT_TRUE(store.AppendFrame(image, QStringLiteral("clip"))); }
    void load(int index)
    {
        store.EditIndex = index;
        page.showFrame(index);
    }
    QImage stored(int index) const { return readImageFile(store.frameFile(index)).image; }
    QImage thumbnail(int index) const { return store.data(store.index(index), Qt::DecorationRole).value<QImage>(); }
    const QImage& shown() const { return page.FrameEditor->image(); }
    void choose(EditOption option) { page.OptionComboBox->setCurrentIndex(int(option)); }
    QStringList cropValues() const
    {
        return {page.Edit9->text(), page.Edit10->text(), page.Edit11->text(), page.Edit12->text()};
    }
};

/// Presses the left button on the slider where it chooses the value nearest `target`, as a
/// user would; returns the value chosen.
int pressSlider(TrackBar* bar, int target)
{
    int bestX = 0;
    for (int x = 0; x < bar->width(); ++x)
        if (std::abs(bar->valueAt(x) - target) < std::abs(bar->valueAt(bestX) - target))
            bestX = x;
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(bestX, bar->height() / 2));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bestX, bar->height() / 2));
    return bar->value();
}

/// Types `text` into a box as the user does (replacing what it holds).
void typeInto(QLineEdit* box, const QString& text)
{
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

QPoint viewPoint(const ImageView* view, QPoint pixel)
{
    const QRect r = view->imageRectInView();
    const double f = view->zoom() / 100.0;
    return {r.x() + int(pixel.x() * f + f / 2), r.y() + int(pixel.y() * f + f / 2)};
}

} // namespace

TEST(EditorPage, ControlsCarryTheirCaptionsRangesAndStartValues)
{
    EditorFixture f;
    EditorPage& p = f.page;
    EXPECT_EQ(p.btnApplyOne->text(), QStringLiteral("Apply"));
    EXPECT_EQ(p.btnApplyOne->toolTip(), QStringLiteral("Applys changes to current image"));
    EXPECT_EQ(p.btnApplyAll->text(), QStringLiteral("Apply All"));
    EXPECT_EQ(p.btnApplyAll->toolTip(), QStringLiteral("Applys changes to all images"));
    EXPECT_EQ(p.btnDefault->text(), QStringLiteral("Default"));
    QStringList options;
    for (int i = 0; i < p.OptionComboBox->count(); ++i)
        options << p.OptionComboBox->itemText(i);
    EXPECT_EQ(options, (QStringList{"Resize", "Crop", "Rotate", "Flip", "Color", "Contrast", "Brightness", "RGB", "HSV", "HSL"}));
    EXPECT_EQ(p.OptionComboBox->currentIndex(), 0);
    EXPECT_EQ(p.OptionComboBox->maxVisibleItems(), 10);
    EXPECT_EQ(p.PageControl1->currentWidget(), p.ResizeSheet);
    const QList<QWidget*> sheets = {p.ResizeSheet, p.CropSheet, p.RotateSheet, p.FlipSheet, p.ColorSheet,
                                    p.ContrastSheet, p.BrightnessSheet, p.RGBSheet, p.HSVSheet, p.HSLSheet};
    for (int i = 0; i < sheets.size(); ++i)
        EXPECT_EQ(p.PageControl1->widget(i), sheets[i]) << i;
    QStringList zooms;
    for (int i = 0; i < p.FrameZoom->count(); ++i)
        zooms << p.FrameZoom->itemText(i);
    EXPECT_EQ(zooms, (QStringList{"25%", "50%", "100%", "200%", "400%", "800%", "1600%"}));
    EXPECT_EQ(p.FrameZoom->currentText(), QStringLiteral("100%"));
    EXPECT_EQ(p.FrameZoom->toolTip(), QStringLiteral("Changes the zoom level"));
    EXPECT_EQ(p.FrameEditor->background(), QColor(128, 128, 128));

    // Resize: 1 x 1 before any frame, aspect on, filter " None" of ten.
    EXPECT_EQ(p.SizeGroup->title(), QStringLiteral(" Size (pixels) "));
    EXPECT_EQ(p.ResEditW->text(), QStringLiteral("1"));
    EXPECT_EQ(p.ResEditH->text(), QStringLiteral("1"));
    EXPECT_EQ(p.ResW->maximum(), 9999);
    EXPECT_EQ(p.ResH->minimum(), 0);
    EXPECT_EQ(p.CheckBox2->text(), QStringLiteral("Maintain aspect ratio"));
    EXPECT_TRUE(p.CheckBox2->isChecked());
    ASSERT_EQ(p.ResFilter->count(), 10);
    EXPECT_EQ(p.ResFilter->currentText(), QStringLiteral(" None"));
    EXPECT_EQ(p.ResFilter->itemText(5), QStringLiteral(" Lanczos3"));
    EXPECT_EQ(p.ResFilter->itemText(9), QStringLiteral(" FastLinear"));
    // Crop, Rotate, Flip, Color.
    EXPECT_EQ(f.cropValues(), (QStringList{"0", "0", "0", "0"}));
    for (auto* arrows : {p.UpDown4, p.UpDown5, p.UpDown6, p.UpDown7})
        EXPECT_EQ(arrows->maximum(), 9999);
    EXPECT_EQ(p.RadioButton6->text(), QStringLiteral("90° Clockwise"));
    EXPECT_EQ(p.RadioButton7->text(), QStringLiteral("90° Counterclockwise"));
    EXPECT_EQ(p.RadioButton8->text(), QStringLiteral("180°"));
    EXPECT_EQ(p.RadioButton9->text(), QStringLiteral("Custom:"));
    EXPECT_EQ(p.Edit13->text(), QStringLiteral("0"));
    EXPECT_EQ(p.UpDown2->minimum(), -359);
    EXPECT_EQ(p.UpDown2->maximum(), 359);
    EXPECT_EQ(p.CheckBox8->text(), QStringLiteral("Antialiasing"));
    EXPECT_EQ(p.RadioButton4->text(), QStringLiteral("Flip Horizontally"));
    EXPECT_EQ(p.RadioButton5->text(), QStringLiteral("Flip Vertically"));
    EXPECT_EQ(p.CheckBox10->text(), QStringLiteral("Auto Equalize"));
    EXPECT_EQ(p.CheckBox11->text(), QStringLiteral("Negative"));
    // Sliders: ranges, start at 0, thumb 26 wide.
    const struct {
        TrackBar* bar;
        int min, max;
    } sliders[] = {{p.TrackBar3, -100, 100}, {p.TrackBar11, -255, 255}, {p.TrackBar4, -255, 255}, {p.TrackBar5, -255, 255},
                   {p.TrackBar6, -255, 255}, {p.TrackBar7, -180, 180},  {p.TrackBar8, -100, 100}, {p.TrackBar9, -100, 100},
                   {p.TrackBar10, -180, 180}, {p.TrackBar12, -100, 100}, {p.TrackBar13, -100, 100}};
    for (const auto& s : sliders) {
        EXPECT_EQ(s.bar->minimum(), s.min);
        EXPECT_EQ(s.bar->maximum(), s.max);
        EXPECT_EQ(s.bar->value(), 0);
    }
    EXPECT_EQ(p.TrackBar3->thumbRect().width(), 26);
    // The slider pages' captions.
    auto labels = [](QWidget* sheet) {
        QStringList texts;
        for (QLabel* l : sheet->findChildren<QLabel*>())
            texts << l->text();
        return texts;
    };
    EXPECT_EQ(labels(p.RGBSheet), (QStringList{"Red", "Green", "Blue"}));
    EXPECT_EQ(labels(p.HSVSheet), (QStringList{"Hue", "Saturation", "Value"}));
    EXPECT_EQ(labels(p.HSLSheet), (QStringList{"Hue", "Saturation", "Luminosity"}));
    EXPECT_TRUE(labels(p.ContrastSheet).isEmpty());
    EXPECT_TRUE(labels(p.ResizeSheet).contains(QStringLiteral("Antialiasing filter:")));
    EXPECT_EQ(labels(p.CropSheet), (QStringList{"Left", "Top", "Width", "Height"}));
}

TEST(EditorPage, LoadingAFrameSetsTheSizeValuesAndEveryPreviewStartsFromTheStoredFrame)
{
    EditorFixture f;
    f.add(makeTestImage(640, 480));
    f.load(0);
    const QImage original = f.stored(0);
    EXPECT_TRUE(samePixels(f.shown(), original));
    EXPECT_EQ(f.origWidth, 640);
    EXPECT_EQ(f.origHeight, 480);
    EXPECT_EQ(f.page.ResEditW->text(), QStringLiteral("640"));
    EXPECT_EQ(f.page.ResEditH->text(), QStringLiteral("480"));

    // Two successive slider values: each preview is one operation on the stored frame.
    f.choose(EditOption::Contrast);
    const int first = pressSlider(f.page.TrackBar3, 40);
    EXPECT_TRUE(samePixels(f.shown(), contrast(original, first)));
    const int second = pressSlider(f.page.TrackBar3, 60);
    ASSERT_NE(first, second);
    EXPECT_TRUE(samePixels(f.shown(), contrast(original, second)));
    f.choose(EditOption::Brightness);
    const int bright = pressSlider(f.page.TrackBar11, 30);
    EXPECT_TRUE(samePixels(f.shown(), addToChannels(original, bright, bright, bright))) << "the contrast is not kept";
    // Holding the button and moving previews every new value.
    TrackBar* red = f.page.TrackBar4;
    f.choose(EditOption::Rgb);
    QTest::mousePress(red, Qt::LeftButton, {}, QPoint(red->width() / 4, 5));
    QTest::mouseMove(red, QPoint(red->width() * 3 / 4, 5));
    EXPECT_GT(red->value(), 0);
    EXPECT_TRUE(samePixels(f.shown(), addToChannels(original, red->value(), 0, 0)));
    QTest::mouseRelease(red, Qt::LeftButton, {}, QPoint(red->width() * 3 / 4, 5));

    // Buttons and boxes preview their own option.
    f.choose(EditOption::Flip);
    f.page.RadioButton5->click();
    EXPECT_TRUE(samePixels(f.shown(), mirror(original, MirrorDirection::TopBottom)));
    f.choose(EditOption::Color);
    f.page.CheckBox11->click();
    EXPECT_TRUE(samePixels(f.shown(), negative(original)));
    f.choose(EditOption::Rotate);
    f.page.RadioButton6->click();
    EXPECT_EQ(f.shown().size(), QSize(480, 640));
    f.page.RadioButton9->click();
    typeInto(f.page.Edit13, QStringLiteral("ab"));
    EXPECT_TRUE(samePixels(f.shown(), original)) << "letters turn by 0";
    typeInto(f.page.Edit13, QStringLiteral("45"));
    EXPECT_TRUE(samePixels(f.shown(), turn(original, 45, false, QColor(128, 128, 128))));
    f.page.CheckBox8->click();
    EXPECT_TRUE(samePixels(f.shown(), turn(original, 45, true, QColor(128, 128, 128))));
    f.page.UpDown2->step(1);
    EXPECT_EQ(f.page.Edit13->text(), QStringLiteral("46"));
    EXPECT_TRUE(samePixels(f.shown(), turn(original, 46, true, QColor(128, 128, 128))));
    // The stored frame itself is never touched by a preview.
    EXPECT_TRUE(samePixels(f.stored(0), original));
}

TEST(EditorPage, ResizeValuesFollowTheAspectRuleOfTheLoadedFrame)
{
    EditorFixture f;
    f.add(makeTestImage(640, 480));
    f.load(0);
    typeInto(f.page.ResEditW, QStringLiteral("320"));
    EXPECT_EQ(f.page.ResEditH->text(), QStringLiteral("240"));
    EXPECT_EQ(f.shown().size(), QSize(320, 240));
    typeInto(f.page.ResEditW, QStringLiteral("101"));
    EXPECT_EQ(f.page.ResEditH->text(), QStringLiteral("76"));
    typeInto(f.page.ResEditW, QStringLiteral("102"));
    EXPECT_EQ(f.page.ResEditH->text(), QStringLiteral("76"));
    EXPECT_EQ(f.page.ResEditW->text(), QStringLiteral("102")) << "the value the rule set does not drive the rule back";
    EXPECT_EQ(f.shown().size(), QSize(102, 76));
    typeInto(f.page.ResEditH, QStringLiteral("240"));
    EXPECT_EQ(f.page.ResEditW->text(), QStringLiteral("320"));
    // A 0 stops the rule but still previews: 0 keeps the frame's own width.
    typeInto(f.page.ResEditW, QStringLiteral("0"));
    typeInto(f.page.ResEditH, QStringLiteral("100"));
    EXPECT_EQ(f.page.ResEditW->text(), QStringLiteral("0"));
    EXPECT_EQ(f.shown().size(), QSize(640, 100));
    // Arrows: nothing while a value is 0; otherwise the rule and a preview.
    f.page.ResH->step(1);
    EXPECT_EQ(f.page.ResEditW->text(), QStringLiteral("0"));
    EXPECT_EQ(f.shown().size(), QSize(640, 100));
    f.page.ResW->setPosition(320);
    f.page.ResH->setPosition(240);
    f.page.ResW->step(1);
    EXPECT_EQ(f.page.ResEditH->text(), QStringLiteral("241")); // 240.75
    EXPECT_EQ(f.shown().size(), QSize(321, 241));
    // The filter list previews with the chosen filter.
    f.page.ResFilter->setCurrentIndex(5);
    emit f.page.ResFilter->activated(5);
    EXPECT_TRUE(samePixels(f.shown(), resample(f.stored(0), 321, 241, ResampleFilter::Lanczos3)));
    // Without "Maintain aspect ratio" each value stands alone.
    f.page.CheckBox2->click();
    typeInto(f.page.ResEditW, QStringLiteral("50"));
    EXPECT_EQ(f.page.ResEditH->text(), QStringLiteral("241"));
}

TEST(EditorPage, ApplyRewritesTheFrameFileAndThumbnailThenResets)
{
    EditorFixture f;
    f.add(makeTestImage(320, 240, 3));
    f.add(makeTestImage(320, 240, 4));
    f.load(1);
    const QImage original = f.stored(1);
    const QImage oldThumb = f.thumbnail(1);
    f.choose(EditOption::Flip);
    f.page.RadioButton4->click();
    f.page.btnApplyOne->click();
    const QImage mirrored = mirror(original, MirrorDirection::LeftRight);
    EXPECT_TRUE(samePixels(f.stored(1), mirrored));
    EXPECT_TRUE(samePixels(f.stored(0), makeTestImage(320, 240, 3))) << "only the edited frame";
    const QImage newThumb = f.thumbnail(1);
    const QImage expectedThumb = FrameStore::makeThumbnail(mirrored);
    EXPECT_GT(psnr(newThumb, expectedThumb), 30.0);
    EXPECT_LT(psnr(oldThumb, expectedThumb), psnr(newThumb, expectedThumb));
    EXPECT_FALSE(f.page.RadioButton4->isChecked());
    EXPECT_TRUE(samePixels(f.shown(), mirrored));
    EXPECT_TRUE(f.prompts.shown.isEmpty());

    // Values asking for nothing still rewrite the frame.
    QFile file(f.store.frameFile(1));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime));
    file.close();
    const QDateTime before = QFileInfo(f.store.frameFile(1)).lastModified();
    f.page.btnApplyOne->click();
    EXPECT_GT(QFileInfo(f.store.frameFile(1)).lastModified(), before);
    EXPECT_TRUE(samePixels(f.stored(1), mirrored));
}

TEST(EditorPage, ContrastPreviewIsLostWhenApplyRunsAnotherOption)
{
    EditorFixture f;
    f.add(makeTestImage(200, 150));
    f.load(0);
    const QImage original = f.stored(0);
    f.choose(EditOption::Contrast);
    pressSlider(f.page.TrackBar3, 40);
    EXPECT_FALSE(samePixels(f.shown(), original));
    f.choose(EditOption::Brightness);
    EXPECT_FALSE(samePixels(f.shown(), original)) << "changing the option does not redraw";
    f.page.btnApplyOne->click();
    EXPECT_TRUE(samePixels(f.stored(0), original));
    EXPECT_TRUE(samePixels(f.shown(), original));
    EXPECT_EQ(f.page.TrackBar3->value(), 0);
}

TEST(EditorPage, ApplyOnCropSetsTheResizeValuesToTheCutSize)
{
    EditorFixture f;
    f.add(makeTestImage(320, 240));
    f.load(0);
    const QImage original = f.stored(0);
    f.choose(EditOption::Crop);
    typeInto(f.page.Edit11, QStringLiteral("100"));
    typeInto(f.page.Edit12, QStringLiteral("50"));
    EXPECT_FALSE(f.page.FrameEditor->hasSelection()) << "typing draws no selection";
    f.page.btnApplyOne->click();
    EXPECT_TRUE(samePixels(f.stored(0), crop(original, QRect(0, 0, 100, 50))));
    EXPECT_EQ(f.page.ResEditW->text(), QStringLiteral("100"));
    EXPECT_EQ(f.page.ResEditH->text(), QStringLiteral("50"));
    EXPECT_EQ(f.cropValues(), (QStringList{"0", "0", "0", "0"}));
    // The aspect rule now keeps the proportions of the cut frame, not those it had at loading.
    EXPECT_EQ(f.origWidth, 100);
    EXPECT_EQ(f.origHeight, 50);
    f.choose(EditOption::Resize);
    typeInto(f.page.ResEditW, QStringLiteral("50"));
    EXPECT_EQ(f.page.ResEditH->text(), QStringLiteral("25"));
}

TEST(EditorPage, ApplyAllResizesEveryFrameAndSkipsMissingFiles)
{
    EditorFixture f;
    f.add(makeTestImage(640, 480, 1));
    f.add(makeTestImage(200, 400, 2));
    f.add(makeTestImage(100, 100, 3));
    f.load(0);
    const QImage untouchedThumb = f.thumbnail(2);
    ASSERT_TRUE(QFile::remove(f.store.frameFile(2)));
    QList<int> positions;
    QObject::connect(&f.progress, &QProgressBar::valueChanged, [&](int v) { positions << v; });
    f.page.ResW->setPosition(320);
    f.page.ResH->setPosition(240);
    f.page.btnApplyAll->click();
    EXPECT_EQ(f.stored(0).size(), QSize(320, 240));
    EXPECT_EQ(f.stored(1).size(), QSize(320, 240));
    EXPECT_FALSE(QFile::exists(f.store.frameFile(2)));
    EXPECT_TRUE(samePixels(f.thumbnail(2), untouchedThumb));
    EXPECT_EQ(f.thumbnail(1).size(), QSize(160, 120));
    EXPECT_EQ(f.progress.maximum(), 3);
    EXPECT_EQ(positions, (QList<int>{0, 1, 2, 3, 0})) << "from 0, every frame counts, the bar ends at 0";
    EXPECT_EQ(f.progress.value(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(f.page.btnApplyAll->isEnabled());
    EXPECT_TRUE(samePixels(f.shown(), f.stored(0))) << "the editor shows the frame at EditIndex again";
    EXPECT_EQ(f.page.ResEditW->text(), QStringLiteral("320"));
    EXPECT_TRUE(f.prompts.shown.isEmpty());
}

TEST(EditorPage, AnUnreadableFrameStopsApplyAllWithAReportAndTheRestoreStillRuns)
{
    EditorFixture f;
    for (unsigned i = 1; i <= 3; ++i)
        f.add(makeTestImage(64, 48, i));
    f.load(0);
    ASSERT_TRUE(writeAll(f.store.frameFile(1), QByteArray("BM not really a bitmap")));
    f.choose(EditOption::Flip);
    f.page.RadioButton5->click();
    f.page.btnApplyAll->click();
    ASSERT_EQ(f.prompts.texts(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(f.prompts.texts(QStringLiteral("error")).first().startsWith(QStringLiteral("The frame could not be edited: ")));
    EXPECT_TRUE(samePixels(f.stored(0), mirror(makeTestImage(64, 48, 1), MirrorDirection::TopBottom)));
    EXPECT_TRUE(samePixels(f.stored(2), makeTestImage(64, 48, 3))) << "the frames after the error are left";
    EXPECT_EQ(f.progress.value(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(f.page.RadioButton5->isChecked()) << "the controls were reset";
    EXPECT_TRUE(samePixels(f.shown(), f.stored(0)));

    // Loading, Apply and a preview on the unreadable frame report too, and change nothing.
    f.load(1);
    f.page.btnApplyOne->click();
    pressSlider(f.page.TrackBar3, 50);
    EXPECT_EQ(f.prompts.texts(QStringLiteral("error")).size(), 4);
    EXPECT_EQ(readAll(f.store.frameFile(1)), QByteArray("BM not really a bitmap"));
}

TEST(EditorPage, DefaultPutsTheValuesBackAndShowsTheStoredFrame)
{
    EditorFixture f;
    f.add(makeTestImage(160, 120));
    f.load(0);
    f.choose(EditOption::Hsv);
    pressSlider(f.page.TrackBar7, 90);
    pressSlider(f.page.TrackBar8, -50);
    EXPECT_FALSE(samePixels(f.shown(), f.stored(0)));
    f.choose(EditOption::Rotate);
    f.page.RadioButton9->click();
    typeInto(f.page.Edit13, QStringLiteral("30"));
    f.page.CheckBox8->click();
    f.page.CheckBox2->click(); // left as it is by the reset
    f.page.btnDefault->click();
    for (TrackBar* t : {f.page.TrackBar7, f.page.TrackBar8, f.page.TrackBar9, f.page.TrackBar3})
        EXPECT_EQ(t->value(), 0);
    EXPECT_FALSE(f.page.RadioButton9->isChecked());
    EXPECT_EQ(f.page.Edit13->text(), QStringLiteral("0"));
    EXPECT_FALSE(f.page.CheckBox8->isChecked());
    EXPECT_FALSE(f.page.CheckBox2->isChecked());
    EXPECT_EQ(f.page.OptionComboBox->currentIndex(), int(EditOption::Rotate));
    EXPECT_TRUE(samePixels(f.shown(), f.stored(0)));
    EXPECT_EQ(f.page.ResEditW->text(), QStringLiteral("160"));
}

TEST(EditorPage, CropRectangleAndSelectionStayInStep)
{
    EditorFixture f;
    f.add(makeTestImage(200, 150));
    f.load(0);
    ImageView* view = f.page.FrameEditor;
    f.choose(EditOption::Crop);
    EXPECT_TRUE(view->selectionMode());
    // Dragging draws the rectangle and the values follow it.
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, viewPoint(view, {10, 20}));
    QTest::mouseMove(view->viewport(), viewPoint(view, {60, 50}));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, viewPoint(view, {60, 50}));
    EXPECT_EQ(view->selection(), QRect(QPoint(10, 20), QPoint(60, 50)));
    EXPECT_EQ(f.cropValues(), (QStringList{"10", "20", "51", "31"}));
    // Another option drops the selection and the values; back on Crop there is none.
    f.choose(EditOption::Rotate);
    EXPECT_FALSE(view->hasSelection());
    EXPECT_FALSE(view->selectionMode());
    EXPECT_EQ(f.cropValues(), (QStringList{"0", "0", "0", "0"}));
    f.choose(EditOption::Crop);
    EXPECT_FALSE(view->hasSelection());

    // Arrows draw the rectangle of the values (limited to the picture); typing does not.
    typeInto(f.page.Edit9, QStringLiteral("150"));
    typeInto(f.page.Edit11, QStringLiteral("80"));
    EXPECT_FALSE(view->hasSelection());
    f.page.UpDown5->step(1); // height 0 -> 1
    EXPECT_EQ(view->selection(), QRect(150, 0, 50, 1));
    EXPECT_TRUE(samePixels(f.shown(), f.stored(0))) << "the preview does not crop";
    // The values stand for Apply; a mouse crossing the picture without a selection keeps them.
    view->clearSelection();
    QTest::mouseMove(view->viewport(), viewPoint(view, {5, 5}));
    EXPECT_EQ(f.cropValues(), (QStringList{"150", "0", "80", "1"}));
    // Choosing Crop again selects the values' rectangle.
    f.choose(EditOption::Flip);
    EXPECT_EQ(f.cropValues(), (QStringList{"150", "0", "80", "1"})) << "no selection, nothing to drop";
    f.choose(EditOption::Crop);
    EXPECT_EQ(view->selection(), QRect(150, 0, 50, 1));
}

TEST(EditorPage, WithoutAFrameOnlyTheOptionListAndTheAspectRuleWork)
{
    EditorFixture f;
    f.add(makeTestImage(64, 48));
    EXPECT_EQ(f.store.EditIndex, 0);
    f.store.EditIndex = -1;
    f.page.FrameZoom->setCurrentIndex(3);
    EXPECT_DOUBLE_EQ(f.page.FrameEditor->zoom(), 100.0) << "no frame: the zoom waits";
    f.choose(EditOption::Crop);
    EXPECT_EQ(f.page.PageControl1->currentWidget(), f.page.CropSheet);
    EXPECT_FALSE(f.page.FrameEditor->selectionMode());
    f.choose(EditOption::Resize);
    typeInto(f.page.ResEditW, QStringLiteral("8"));
    EXPECT_EQ(f.page.ResEditH->text(), QStringLiteral("8")) << "proportions 1 x 1 before any frame";
    f.page.btnApplyOne->click();
    f.page.btnApplyAll->click();
    f.page.btnDefault->click();
    EXPECT_TRUE(f.shown().isNull());
    EXPECT_TRUE(samePixels(f.stored(0), makeTestImage(64, 48)));
    EXPECT_EQ(f.page.ResEditW->text(), QStringLiteral("8"));

    // The zoom chosen is applied when a frame is next loaded.
    f.load(0);
    EXPECT_DOUBLE_EQ(f.page.FrameEditor->zoom(), 200.0);
    f.page.FrameZoom->setCurrentIndex(0);
    EXPECT_DOUBLE_EQ(f.page.FrameEditor->zoom(), 25.0);

    // A missing frame file: loading, previews and Apply do nothing, silently.
    ASSERT_TRUE(QFile::remove(f.store.frameFile(0)));
    f.page.btnDefault->click();
    pressSlider(f.page.TrackBar3, 50);
    f.page.btnApplyOne->click();
    EXPECT_FALSE(QFile::exists(f.store.frameFile(0)));
    EXPECT_TRUE(f.prompts.shown.isEmpty());
    // Blanking on -1.
    f.page.showFrame(-1);
    EXPECT_TRUE(f.shown().isNull());
}

namespace {

struct MainWindowFixture {
    TempDir home;
    ScriptedPrompts prompts;
    std::unique_ptr<TForm1> window;

    MainWindowFixture()
    {
        AppEnvironment env;
        env.prompts = &prompts;
        env.documentsFolder = home.path(QStringLiteral("Documents"));
        env.settingsPath = home.path(QStringLiteral("config/7.6.ini"));
        env.helpFile = home.path(QStringLiteral("help/index.html"));
        env.openUrl = [](const QUrl&) { return true; };
        env.beep = [] {};
        window = std::make_unique<TForm1>(env);
    }
};

} // namespace

TEST(EditorPage, EnteringThePageLoadsTheSelectedFrameOrTheFirst)
{
    MainWindowFixture f;
    TForm1& w = *f.window;
    EditorPage& page = *w.ImageEditor;
    EXPECT_EQ(page.parentWidget(), w.TabSheet4);
    w.PageControl2->setCurrentWidget(w.TabSheet2);
    for (int i = 0; i < 7; ++i)
        ASSERT_TRUE(w.AppendFrame(makeTestImage(80 + 10 * i, 60, unsigned(i + 1)), QStringLiteral("f%1").arg(i)));
    w.ImageEnMView1->selectIndex(5);
    w.PageControl2->setCurrentWidget(w.TabSheet4);
    EXPECT_EQ(w.frames().EditIndex, 5);
    EXPECT_TRUE(samePixels(page.FrameEditor->image(), makeTestImage(130, 60, 6)));
    EXPECT_EQ(w.EditOrigWidth, 130);
    EXPECT_EQ(page.ResEditW->text(), QStringLiteral("130"));

    w.PageControl2->setCurrentWidget(w.TabSheet2);
    w.ImageEnMView1->selectIndex(-1);
    w.PageControl2->setCurrentWidget(w.TabSheet4);
    EXPECT_EQ(w.frames().EditIndex, 0);
    EXPECT_EQ(w.ImageEnMView1->selectedIndex(), 0);
    EXPECT_TRUE(samePixels(page.FrameEditor->image(), makeTestImage(80, 60, 1)));

    // A strip selection on the page loads that frame; Remove All blanks the editor.
    w.ImageEditor->OptionComboBox->setCurrentIndex(int(EditOption::Crop));
    w.ImageEnMView1ImageSelect(3);
    EXPECT_TRUE(samePixels(page.FrameEditor->image(), makeTestImage(110, 60, 4)));
    EXPECT_TRUE(page.FrameEditor->selectionMode());
    f.prompts.confirmAnswers.enqueue(true);
    w.RemoveAll();
    EXPECT_TRUE(page.FrameEditor->image().isNull());
    EXPECT_EQ(w.frames().EditIndex, -1);
}

TEST(EditorPage, RotateInTheAppliedFrameUsesTheSameGreyAsThePreview)
{
    MainWindowFixture f;
    TForm1& w = *f.window;
    QImage red(100, 100, QImage::Format_BGR888);
    red.fill(Qt::red);
    ASSERT_TRUE(w.AppendFrame(red, QStringLiteral("red")));
    w.PageControl2->setCurrentWidget(w.TabSheet2);
    w.PageControl2->setCurrentWidget(w.TabSheet4);
    EditorPage& page = *w.ImageEditor;
    page.OptionComboBox->setCurrentIndex(int(EditOption::Rotate));
    page.RadioButton9->click();
    typeInto(page.Edit13, QStringLiteral("45"));
    const QImage preview = page.FrameEditor->image();
    EXPECT_EQ(preview.pixelColor(0, 0), QColor(128, 128, 128));
    page.btnApplyOne->click();
    const QImage applied = readImageFile(w.frames().frameFile(0)).image;
    EXPECT_TRUE(samePixels(applied, preview));
}
