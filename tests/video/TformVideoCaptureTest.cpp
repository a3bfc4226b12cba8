// The player window's capture, range sampling and display settings, on a scripted player.
#include "PlayerWindowFixture.h"

#include "platform/imaging/ImageFile.h"

#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

using namespace fw::test;
using fw::media::kUnitsPerSecond;
using fw::media::MediaTime;
using fw::media::PlayerState;

namespace {

constexpr MediaTime sec(double s) { return MediaTime(s * kUnitsPerSecond); }

void setRange(Tform_video& w, const char* in, const char* out, double interval)
{
    const QStringList i = QString::fromLatin1(in).split(QLatin1Char(':'));
    const QStringList o = QString::fromLatin1(out).split(QLatin1Char(':'));
    w.VEdit1->setText(i[0]);
    w.VEdit6->setText(i[1]);
    w.VEdit7->setText(i[2]);
    w.VEdit8->setText(o[0]);
    w.VEdit9->setText(o[1]);
    w.VEdit10->setText(o[2]);
    w.VSamplingValueTime->setValue(interval);
}

QList<MediaTime> positionsOf(const QList<PlayerWindowFixture::Frame>& frames)
{
    QList<MediaTime> out;
    for (const auto& f : frames)
        out << ScriptedPlayer::positionOf(f.picture.pixelColor(0, 0));
    return out;
}

QStringList captionsOf(const QList<PlayerWindowFixture::Frame>& frames)
{
    QStringList out;
    for (const auto& f : frames)
        out << f.caption;
    return out;
}

/// The colour drawn at the centre of the picture view, as it appears on the screen.
QColor drawnCentre(Tform_video& w)
{
    QApplication::processEvents();
    const QImage shot = w.VImageEnView1->viewport()->grab().toImage();
    return shot.pixelColor(shot.width() / 2, shot.height() / 2);
}

} // namespace

TEST(Tform_video_Capture, CaptionCarriesTheFileNameAndThePositionStamp)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    f.open("clip.avi", {sec(100), 2500, {64, 48}});
    w.OnPauseButton();
    f.player->seekAndWait(834'500'000); // 83.45 s
    QTest::mouseClick(w.VbtCapture, Qt::LeftButton);
    ASSERT_EQ(f.frames.size(), 1);
    EXPECT_EQ(f.frames[0].caption, QStringLiteral("clip.avi[0.01.23,45]"));
    EXPECT_EQ(positionsOf(f.frames), QList<MediaTime>({834'500'000}));
    EXPECT_EQ(f.player->state(), PlayerState::Paused) << "paused before: stays paused";

    // Playing: paused for the capture, then playing again.
    w.OnPlayButton();
    f.player->calls.clear();
    ASSERT_TRUE(w.VbtCaptureClick());
    EXPECT_EQ(f.player->calls, QStringList({"pause", "run", "pause", "run"}));
    EXPECT_EQ(f.player->state(), PlayerState::Playing);
    EXPECT_FALSE(w.VPlayButton->isEnabled());

    // Frame format: the frame number computed back from the position.
    w.OnPauseButton();
    w.VFormatComboBox->setCurrentIndex(1);
    f.player->seekAndWait(sec(30));
    w.VbtCaptureClick();
    EXPECT_EQ(f.frames.last().caption, QStringLiteral("clip.avi[750]"));

    // Captions follow the file last chosen with File > Open, even a GIF the player never saw.
    f.videoFileName = f.path(QStringLiteral("anim.gif"));
    w.VbtCaptureClick();
    EXPECT_EQ(f.frames.last().caption, QStringLiteral("anim.gif[750]"));
}

TEST(Tform_video_Capture, RangeCaptureTakesEverySampleWithTheGaugeCountingThem)
{
    const struct {
        const char* in;
        const char* out;
        double interval;
        QList<MediaTime> positions;
        QStringList captions;
    } cases[] = {
        {"0:0:10", "0:0:15", 1, {sec(10), sec(11), sec(12), sec(13), sec(14), sec(15)},
         {"clip.avi[0.00.10,00]", "clip.avi[0.00.11,00]", "clip.avi[0.00.12,00]", "clip.avi[0.00.13,00]",
          "clip.avi[0.00.14,00]", "clip.avi[0.00.15,00]"}},
        {"0:0:0", "0:0:1", 0.5, {0, sec(0.5), sec(1)}, {"clip.avi[0.00.00,00]", "clip.avi[0.00.00,50]", "clip.avi[0.00.01,00]"}},
        {"0:0:7", "0:0:7", 1, {sec(7)}, {"clip.avi[0.00.07,00]"}},
        {"0:0:19", "0:0:20", 0.75, {sec(19), sec(19.75)}, {"clip.avi[0.00.19,00]", "clip.avi[0.00.19,75]"}},
    };
    for (const auto& c : cases) {
        PlayerWindowFixture f;
        Tform_video& w = *f.window;
        f.open("clip.avi", {sec(20), 500, {64, 48}});
        setRange(w, c.in, c.out, c.interval);
        int gaugeMaximum = -1;
        bool gaugeShown = false, stopEnabled = false;
        f.player->onSeek = [&](MediaTime) {
            gaugeMaximum = w.VGauge1->maximum();
            gaugeShown = w.VGauge1->isVisible();
            stopEnabled = w.VbtAbort->isEnabled();
        };
        QTest::mouseClick(w.VbtCaptureRange, Qt::LeftButton);
        EXPECT_EQ(positionsOf(f.frames), c.positions) << c.in << "-" << c.out;
        EXPECT_EQ(captionsOf(f.frames), c.captions) << c.in << "-" << c.out;
        EXPECT_EQ(gaugeMaximum, c.positions.size()) << c.in;
        EXPECT_TRUE(gaugeShown && stopEnabled) << c.in;
        EXPECT_FALSE(w.VGauge1->isVisible());
        EXPECT_EQ(w.VGauge1->value(), 0);
        EXPECT_FALSE(w.VbtAbort->isEnabled());
        EXPECT_TRUE(w.VbtCaptureRange->isEnabled() && w.VbtRangeSave->isEnabled());
        EXPECT_EQ(f.player->state(), PlayerState::Paused);
        EXPECT_FALSE(QApplication::overrideCursor());
        EXPECT_TRUE(f.prompts.shown.isEmpty());
    }
}

TEST(Tform_video_Capture, RangeInFrameFormatAndRangesThatAreRefused)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    f.open("clip.avi", {sec(10), 250, {64, 48}}); // a frame lasts 400,000 units
    w.VFormatComboBox->setCurrentIndex(1);
    w.VInFrame->setText(QStringLiteral("1"));
    w.VOutFrame->setText(QStringLiteral("3"));
    w.VSamplingValueFrame->setValue(1);
    w.Capture_Save(w.VbtCaptureRange);
    EXPECT_EQ(positionsOf(f.frames), QList<MediaTime>({400'000, 800'000, 1'200'000}));
    EXPECT_EQ(captionsOf(f.frames), QStringList({"clip.avi[1]", "clip.avi[2]", "clip.avi[3]"}));

    f.frames.clear();
    w.VFormatComboBox->setCurrentIndex(0);
    for (const auto& r : {std::pair("0:0:5", "0:0:4"), std::pair("0:0:9", "0:0:11"), std::pair("0:0:-1", "0:0:2")}) {
        setRange(w, r.first, r.second, 1);
        f.player->calls.clear();
        w.Capture_Save(w.VbtCaptureRange);
        EXPECT_TRUE(f.player->calls.filter(QStringLiteral("seek")).isEmpty()) << r.first;
    }
    EXPECT_EQ(f.prompts.texts(QStringLiteral("warn")), QStringList(3, QStringLiteral("Define position correctly.")));
    EXPECT_TRUE(f.frames.isEmpty());
    EXPECT_FALSE(w.VbtAbort->isEnabled());
    EXPECT_FALSE(w.VGauge1->isVisible());
}

TEST(Tform_video_Capture, AnIntervalThatTruncatesToNothingIsRefused)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    // 1000 frames in 100 units: one frame is a tenth of a unit, so the interval would be 0.
    f.open("tiny.avi", {100, 1000, {64, 48}});
    w.VFormatComboBox->setCurrentIndex(1);
    w.VInFrame->setText(QStringLiteral("1"));
    w.VOutFrame->setText(QStringLiteral("500"));
    w.Capture_Save(w.VbtCaptureRange);
    EXPECT_EQ(f.prompts.texts(QStringLiteral("warn")), QStringList({"Define position correctly."}));
    EXPECT_TRUE(f.frames.isEmpty());
}

TEST(Tform_video_Capture, StopKeepsTheFramesAlreadyTakenAndErrorsEndTheRun)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    f.open("clip.avi", {sec(20), 500, {64, 48}});
    setRange(w, "0:0:0", "0:0:10", 1);
    f.player->onSeek = [&](MediaTime t) {
        if (t == sec(2))
            QTest::mouseClick(w.VbtAbort, Qt::LeftButton); // while the third sample is taken
    };
    w.Capture_Save(w.VbtCaptureRange);
    EXPECT_EQ(positionsOf(f.frames), QList<MediaTime>({0, sec(1), sec(2)}));
    EXPECT_FALSE(w.AbortRequested) << "cleared at the end of the run";
    EXPECT_FALSE(w.VbtAbort->isEnabled());

    // A seek that fails ends the run at once and says why.
    f.frames.clear();
    f.player->onSeek = nullptr;
    f.player->seekCount = 0;
    f.player->failSeeksFrom = 2;
    w.Capture_Save(w.VbtCaptureRange);
    EXPECT_EQ(f.frames.size(), 2);
    EXPECT_EQ(f.prompts.texts(QStringLiteral("error")), QStringList({"decoding error at 20000000"}));

    // A frame the strip cannot store ends it too (the main window has reported it).
    f.player->failSeeksFrom = -1;
    f.frames.clear();
    f.appendSucceeds = false;
    f.player->calls.clear();
    w.Capture_Save(w.VbtCaptureRange);
    EXPECT_EQ(f.player->calls.filter(QStringLiteral("seek")).size(), 1);
}

TEST(Tform_video_Capture, RangeSaveNamesFilesAfterTheVideoAndReplacesThemWithoutAsking)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    f.open("clip.avi", {sec(20), 500, {64, 48}});
    setRange(w, "0:0:10", "0:0:12", 1);
    const QString folder = f.path(QStringLiteral("shots"));
    QDir().mkpath(folder);
    const QString first = folder + QStringLiteral("/clip_avi[0.00.10,00].bmp");
    ASSERT_TRUE(writeAll(first, "not a picture"));

    f.prompts.fileAnswers.enqueue({folder + QStringLiteral("/clip_avi"), 0});
    QTest::mouseClick(w.VbtRangeSave, Qt::LeftButton);
    ASSERT_EQ(f.prompts.shown.size(), 1);
    const auto& dialog = f.prompts.shown[0];
    EXPECT_EQ(dialog.kind, QStringLiteral("saveImage"));
    EXPECT_EQ(dialog.proposed, QStringLiteral("clip_avi"));
    EXPECT_EQ(dialog.filters, QStringList({"Windows Bitmap (BMP) (*.bmp)", "JPEG Bitmap (JPG) (*.jpg)",
                                           "CompuServe Bitmap (GIF) (*.gif)", "TIFF Bitmap (TIF) (*.tif)",
                                           "PaintBrush (PCX) (*.pcx)", "Portable Network Graphics (PNG) (*.png)",
                                           "Targa Bitmap (TGA) (*.tga)"}));
    EXPECT_TRUE(f.frames.isEmpty()) << "a save adds nothing to the strip";
    QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, QStringList({"clip_avi[0.00.10,00].bmp", "clip_avi[0.00.11,00].bmp", "clip_avi[0.00.12,00].bmp"}));
    for (int i = 0; i < files.size(); ++i) {
        const QImage saved = fw::imaging::readImageFile(folder + QLatin1Char('/') + files[i]).image;
        EXPECT_EQ(ScriptedPlayer::positionOf(saved.pixelColor(0, 0)), sec(10 + i)) << files[i].toStdString();
    }
    EXPECT_EQ(f.freeSpaceFolders, QStringList(3, folder + QLatin1Char('/')));

    // The same range again, as PNG: new files beside; as BMP: replaced, never a question.
    f.prompts.fileAnswers.enqueue({folder + QStringLiteral("/clip_avi"), 5});
    w.Capture_Save(w.VbtRangeSave);
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/clip_avi[0.00.12,00].png")));
    f.prompts.fileAnswers.enqueue({folder + QStringLiteral("/clip_avi"), 0});
    w.Capture_Save(w.VbtRangeSave);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 6);
    EXPECT_TRUE(f.prompts.texts(QStringLiteral("confirm")).isEmpty());

    // Cancelled: nothing written, the gauge put away.
    const QString other = f.path(QStringLiteral("other"));
    QDir().mkpath(other);
    w.Capture_Save(w.VbtRangeSave);
    EXPECT_TRUE(QDir(other).entryList(QDir::Files).isEmpty());
    EXPECT_FALSE(w.VGauge1->isVisible());
    EXPECT_FALSE(w.VbtAbort->isEnabled());
}

TEST(Tform_video_Capture, RangeSaveStopsWhenTheDiskFillsOrAFileCannotBeWritten)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    f.open("clip.avi", {sec(20), 500, {64, 48}});
    setRange(w, "0:0:0", "0:0:5", 1);
    const QString folder = f.path(QStringLiteral("shots"));
    QDir().mkpath(folder);
    f.freeBytes = 1'999'999;
    f.prompts.fileAnswers.enqueue({folder + QStringLiteral("/clip_avi"), 1});
    w.Capture_Save(w.VbtRangeSave);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList({"clip_avi[0.00.00,00].jpg"})) << "that sample is the last";
    EXPECT_EQ(f.prompts.texts(QStringLiteral("warn")), QStringList({"Not enough free disk space.\r\nProcess is stopped."}));
    EXPECT_EQ(f.player->state(), PlayerState::Paused);

    // Exactly 2,000,000 bytes free is enough.
    f.freeBytes = 2'000'000;
    f.prompts.fileAnswers.enqueue({folder + QStringLiteral("/full"), 1});
    w.Capture_Save(w.VbtRangeSave);
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("full*")}, QDir::Files).size(), 6);

    // A folder that does not exist: the first write fails, the run ends and says why.
    f.prompts.fileAnswers.enqueue({f.path(QStringLiteral("missing/clip_avi")), 0});
    w.Capture_Save(w.VbtRangeSave);
    ASSERT_EQ(f.prompts.texts(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(f.prompts.texts(QStringLiteral("error"))[0].contains(QStringLiteral("clip_avi[0.00.00,00].bmp")));
    EXPECT_FALSE(w.VbtAbort->isEnabled());
}

TEST(Tform_video_Display, AdjustmentsChangeTheDrawnPictureButNeverTheCapturedFrame)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    f.open("clip.avi", {sec(20), 500, {320, 240}});
    w.OnPauseButton();
    w.VideoPosition = 0;
    w.SeekTo(); // a black frame: position 0
    ASSERT_EQ(w.VImageEnView1->image().pixelColor(0, 0), QColor(0, 0, 0));
    EXPECT_EQ(drawnCentre(w), QColor(0, 0, 0));

    w.VTrackBar3->setValue(255);
    EXPECT_EQ(drawnCentre(w), QColor(255, 0, 0));
    w.VTrackBar7->setValue(-100);
    EXPECT_EQ(drawnCentre(w), QColor(128, 128, 128)) << "contrast -100 draws mid grey";
    w.VTrackBar7->setValue(0);
    w.VTrackBar3->setValue(100);
    EXPECT_EQ(drawnCentre(w), QColor(100, 0, 0));
    ASSERT_TRUE(w.VbtCaptureClick());
    EXPECT_EQ(f.frames[0].picture.pixelColor(10, 10), QColor(0, 0, 0)) << "the strip gets the video's colours";

    // The settings stay for the following frames and files.
    f.open("other.avi", {sec(20), 500, {320, 240}});
    w.OnPauseButton();
    w.SeekTo();
    EXPECT_EQ(drawnCentre(w), QColor(100, 0, 0));
    EXPECT_EQ(w.VImageEnView1->displayAdjustments().red, 100);
}

TEST(Tform_video_Display, LuminosityMovesTheChannelSlidersAndDefaultResetsAll)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    EXPECT_EQ(w.VTrackBar3->minimum(), -255);
    EXPECT_EQ(w.VTrackBar6->maximum(), 255);
    EXPECT_EQ(w.VTrackBar7->minimum(), -100);
    EXPECT_EQ(w.VTrackBar7->maximum(), 100);
    EXPECT_EQ(w.VbtnDefault->text(), QStringLiteral("Default"));
    EXPECT_EQ(w.VbtnDefault->toolTip(), QStringLiteral("zero value for CHANNELS and ADJUST"));
    EXPECT_EQ(w.VPanel5->toolTip(), QStringLiteral("Red"));

    w.VTrackBar6->setValue(40);
    EXPECT_EQ(w.VTrackBar3->value(), 40);
    EXPECT_EQ(w.VTrackBar4->value(), 40);
    EXPECT_EQ(w.VTrackBar5->value(), 40);
    w.VTrackBar4->setValue(0);
    EXPECT_EQ(w.VTrackBar3->value(), 40);
    EXPECT_EQ(w.VTrackBar5->value(), 40);
    EXPECT_EQ(w.VImageEnView1->displayAdjustments(), (fw::imaging::DisplayAdjustments{40, 0, 40, 0}));
    w.VTrackBar7->setValue(55);
    w.VTrackBar2->setValue(150);
    EXPECT_EQ(w.VLabel18->text(), QStringLiteral("Zoom: 150%"));
    EXPECT_DOUBLE_EQ(w.VImageEnView1->zoom(), 150);

    QTest::mouseClick(w.VbtnDefault, Qt::LeftButton);
    for (QSlider* s : {w.VTrackBar3, w.VTrackBar4, w.VTrackBar5, w.VTrackBar6, w.VTrackBar7})
        EXPECT_EQ(s->value(), 0);
    EXPECT_TRUE(w.VImageEnView1->displayAdjustments().neutral());
    EXPECT_EQ(w.VTrackBar2->value(), 100);
    EXPECT_DOUBLE_EQ(w.VImageEnView1->zoom(), 100);
    EXPECT_EQ(w.VLabel18->text(), QStringLiteral("Zoom: 100%"));
}

TEST(Tform_video_Display, ZoomFitIsLimitedToTheSliderAndActualSizeReturnsTo100)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    EXPECT_EQ(w.VTrackBar2->minimum(), 25);
    EXPECT_EQ(w.VTrackBar2->maximum(), 400);
    EXPECT_EQ(w.VTrackBar2->singleStep(), 25);
    EXPECT_EQ(w.VActualSizeButton->toolTip(), QStringLiteral("Actual Size"));
    EXPECT_EQ(w.VZoomFitButton->toolTip(), QStringLiteral("Zoom Fit"));
    f.open("small.avi", {sec(20), 500, {40, 30}});
    f.player->advance(1);
    QApplication::processEvents();

    QTest::mouseClick(w.VZoomFitButton, Qt::LeftButton);
    EXPECT_EQ(w.VTrackBar2->value(), 400);
    EXPECT_DOUBLE_EQ(w.VImageEnView1->zoom(), 400) << "the slider's value replaces the larger fitting zoom";
    EXPECT_EQ(w.VLabel18->text(), QStringLiteral("Zoom: 400%"));

    f.open("large.avi", {sec(20), 500, {2000, 1000}});
    f.player->advance(1);
    w.resize(695, 470);
    QApplication::processEvents();
    const double fit = w.VImageEnView1->fitZoom();
    ASSERT_LT(fit, 100);
    w.VZoomFitButtonClick();
    EXPECT_EQ(w.VTrackBar2->value(), int(fit));
    EXPECT_EQ(w.VLabel18->text(), QStringLiteral("Zoom: %1%").arg(int(fit)));

    QTest::mouseClick(w.VActualSizeButton, Qt::LeftButton);
    EXPECT_EQ(w.VTrackBar2->value(), 100);
    EXPECT_DOUBLE_EQ(w.VImageEnView1->zoom(), 100);
    EXPECT_EQ(w.VLabel18->text(), QStringLiteral("Zoom: 100%"));
}
