// The video player window driven with a scripted player: transport, open, stepping, goto,
// the ruler and the format switch. Capture, range sampling and the display settings are in
// TformVideoCaptureTest.cpp.
#include "PlayerWindowFixture.h"

#include "video/VideoRuler.h"

#include <QComboBox>
#include <QGroupBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

using namespace fw::test;
using fw::media::kUnitsPerSecond;
using fw::media::PlayerState;

namespace {

bool shown(QWidget* w) { return !w->isHidden(); }

} // namespace

TEST(Tform_video, StartsWithItsCaptionControlsAndTimers)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Video"));
    EXPECT_EQ(w.size(), QSize(695, 470));
    EXPECT_EQ(w.minimumWidth(), 695);
    w.resize(500, 300);
    EXPECT_EQ(w.size(), QSize(695, 300)) << "no minimum height";
    EXPECT_TRUE(w.VPlayButton->isEnabled());
    EXPECT_FALSE(w.VPauseButton->isEnabled());
    EXPECT_FALSE(w.VStopButton->isEnabled());
    EXPECT_EQ(w.VTimeLabel->text(), QStringLiteral("0:00:00 / 0:00:00"));
    EXPECT_EQ(w.VTimeLabel->toolTip(), QStringLiteral("Position / Duration"));
    EXPECT_EQ(w.VbtCapture->text(), QStringLiteral("Capture"));
    EXPECT_EQ(w.VbtCapture->toolTip(), QStringLiteral("Captures a current frame"));
    EXPECT_EQ(w.VStepMButton->toolTip(), QStringLiteral("Backward"));
    EXPECT_EQ(w.VStepPButton->toolTip(), QStringLiteral("Forward"));
    EXPECT_EQ(w.VEdit2->toolTip(), QStringLiteral("time position (hours/minutes/seconds)"));
    EXPECT_EQ(w.VEdit5->toolTip(), QStringLiteral("Time position (hours/minutes/seconds)"));
    EXPECT_EQ(w.VGotoButton->toolTip(), QStringLiteral("jumps to a specified position"));
    EXPECT_EQ(w.VGotoFrameEdit->text(), QStringLiteral("1"));
    EXPECT_DOUBLE_EQ(w.VStepValueTime->minimum(), 0.02);
    EXPECT_DOUBLE_EQ(w.VStepValueTime->maximum(), 10);
    EXPECT_DOUBLE_EQ(w.VStepValueTime->value(), 1);
    EXPECT_EQ(w.VStepValueFrame->maximum(), 1000);
    EXPECT_EQ(w.VLabel1->text(), QStringLiteral("Time Format:"));
    EXPECT_EQ(f.formatItems(), QStringList({"Time"}));
    EXPECT_TRUE(shown(w.VStepValueTime) && shown(w.VEdit2) && shown(w.VEdit1) && shown(w.VSamplingValueTime));
    EXPECT_FALSE(shown(w.VStepValueFrame) || shown(w.VGotoFrameEdit) || shown(w.VInFrame) || shown(w.VSamplingValueFrame));
    EXPECT_EQ(w.VImageEnView1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(w.VImageEnView1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(w.VTimer1->interval(), 1000);
    EXPECT_TRUE(w.VTimer1->isActive());
    EXPECT_EQ(w.VStepTimer->interval(), 550);
    EXPECT_FALSE(w.VStepTimer->isActive());
    EXPECT_EQ(w.VPaintBox1->height(), 42);
    EXPECT_EQ(w.VGroupBox6->title(), QStringLiteral(" selected frames "));
    EXPECT_EQ(w.VGroupBoxChannels->title(), QStringLiteral(" Channels "));
    EXPECT_EQ(w.VGroupBoxAdjust->title(), QStringLiteral(" Adjust "));
    EXPECT_EQ(w.VbtCaptureRange->toolTip(), QStringLiteral("Captures a frames of the specified range"));
    EXPECT_EQ(w.VbtRangeSave->toolTip(), QStringLiteral("Saves a frames of the specified range to disk"));
    EXPECT_EQ(w.VbtAbort->text(), QStringLiteral("Stop"));
    EXPECT_FALSE(w.VbtAbort->isEnabled());
    EXPECT_TRUE(w.VGauge1->isHidden());
    EXPECT_EQ(w.VEdit1->toolTip(), QStringLiteral("IN point (hours/minutes/seconds)"));
    EXPECT_EQ(w.VOutFrame->toolTip(), QStringLiteral("OUT point (frame)"));
    EXPECT_DOUBLE_EQ(w.VSamplingValueTime->maximum(), 100);
    EXPECT_EQ(w.VSamplingValueFrame->maximum(), 100);
    EXPECT_FALSE(w.Loaded);
    EXPECT_EQ(w.VideoDuration, 1);
    // Closing only hides it.
    w.close();
    EXPECT_TRUE(w.isHidden());
}

TEST(Tform_video, OpenPlaysAndTheFirstFrameSetsCaptionAndSize)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    w.resize(900, 700);
    f.aviCounts.insert(f.path("clip.avi"), 250);
    f.open("clip.avi", {10 * kUnitsPerSecond, 250, {320, 240}});
    EXPECT_EQ(f.player->inputFile(), f.path("clip.avi"));
    EXPECT_TRUE(f.player->calls.mid(0, 3) == QStringList({"disconnect", "connect", "run"})) << f.player->calls.join(",").toStdString();
    EXPECT_EQ(f.player->state(), PlayerState::Playing);
    EXPECT_TRUE(w.Loaded);
    EXPECT_TRUE(w.FirstFrame);
    EXPECT_EQ(w.VideoDuration, 10 * kUnitsPerSecond);
    EXPECT_EQ(w.DurationText, QStringLiteral("0:00:10"));
    EXPECT_EQ(w.VideoTitle, QStringLiteral("clip.avi"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("clip.avi  Loading..."));
    EXPECT_FALSE(w.VPlayButton->isEnabled());
    EXPECT_TRUE(w.VPauseButton->isEnabled() && w.VStopButton->isEnabled());

    f.player->advance(2 * kUnitsPerSecond);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("clip.avi [320x240]"));
    EXPECT_EQ(ScriptedPlayer::positionOf(w.VImageEnView1->image().pixelColor(0, 0)), 2 * kUnitsPerSecond);
    EXPECT_EQ(w.VTimeLabel->text(), QStringLiteral("0:00:02 / 0:00:10"));
    EXPECT_EQ(w.VideoPosition, 2 * kUnitsPerSecond);
    EXPECT_EQ(w.size(), QSize(695, 470)) << "a small first frame brings the window back to its start size";
    EXPECT_FALSE(w.FirstFrame);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    w.resize(800, 600);
    f.player->advance(kUnitsPerSecond);
    EXPECT_EQ(w.size(), QSize(800, 600)) << "only the first frame sizes the window";

    // Frames arriving while paused are left to the pause; the timer refreshes the position.
    w.OnPauseButton();
    f.player->seekAndWait(5 * kUnitsPerSecond);
    emit f.player->newFrame();
    EXPECT_EQ(w.VTimeLabel->text(), QStringLiteral("0:00:03 / 0:00:10"));
    w.VTimer1Timer();
    EXPECT_EQ(w.VTimeLabel->text(), QStringLiteral("0:00:05 / 0:00:10"));
}

TEST(Tform_video, TransportButtonsFollowTheTable)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    f.open("clip.mpg", {});
    const struct {
        const char* action;
        std::function<void()> run;
        bool play, pause, stop;
        PlayerState state;
    } steps[] = {
        {"pause", [&] { QTest::mouseClick(w.VPauseButton, Qt::LeftButton); }, true, false, true, PlayerState::Paused},
        {"play", [&] { QTest::mouseClick(w.VPlayButton, Qt::LeftButton); }, false, true, true, PlayerState::Playing},
        {"stop", [&] { QTest::mouseClick(w.VStopButton, Qt::LeftButton); }, true, false, false, PlayerState::Stopped},
        {"picture click when stopped", [&] { QTest::mouseClick(w.VImageEnView1->viewport(), Qt::RightButton); }, false, true,
         true, PlayerState::Playing},
        {"picture click when playing", [&] { w.VImageEnView1MouseDown(); }, true, false, true, PlayerState::Paused},
        {"picture click when paused", [&] { w.VImageEnView1MouseDown(); }, false, true, true, PlayerState::Playing},
        {"deactivation while playing", [&] { w.FormDeactivate(); }, true, false, true, PlayerState::Paused},
        {"deactivation while paused", [&] { w.FormDeactivate(); }, true, false, true, PlayerState::Paused},
    };
    for (const auto& s : steps) {
        s.run();
        EXPECT_EQ(w.VPlayButton->isEnabled(), s.play) << s.action;
        EXPECT_EQ(w.VPauseButton->isEnabled(), s.pause) << s.action;
        EXPECT_EQ(w.VStopButton->isEnabled(), s.stop) << s.action;
        EXPECT_EQ(f.player->state(), s.state) << s.action;
    }

    // Stop rewinds; so does the end of the stream.
    w.OnPlayButton();
    f.player->calls.clear();
    f.player->advance(20 * kUnitsPerSecond); // past the end: event 1
    EXPECT_EQ(f.player->calls, QStringList({"stop", "seek 0"}));
    EXPECT_EQ(f.player->position(), 0);
    EXPECT_EQ(f.player->state(), PlayerState::Stopped);
    EXPECT_TRUE(w.VPlayButton->isEnabled());
    EXPECT_FALSE(w.VStopButton->isEnabled());
    f.player->postEvent(3); // other events are ignored
    EXPECT_EQ(f.player->calls, QStringList({"stop", "seek 0"}));
    // Closing pauses playback and hides the window.
    w.OnPlayButton();
    w.close();
    EXPECT_EQ(f.player->state(), PlayerState::Paused);
    EXPECT_TRUE(f.player->isConnected());
}

TEST(Tform_video, EveryOpenedFileDecidesTheFrameFormatWithItsOwnCount)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    f.aviCounts.insert(f.path("a.avi"), 1500);
    f.aviCounts.insert(f.path("unreadable-header.avi"), 0);
    const struct {
        const char* name;
        std::int64_t playerCount;
        std::int64_t expectedCount;
        bool frameOffered;
    } cases[] = {
        {"a.avi", 999, 1500, true},                // the stream header's count comes first
        {"b.mpg", 0, 0, false},                    // no count: the previous file's is not kept
        {"c.mp4", 20'000'000, 20'000'000, false},  // too many for the frame format
        {"d.mkv", 300, 300, true},
        {"unreadable-header.avi", 100, 100, true}, // the player's count when the header has none
        {"e.webm", 9'999'999, 9'999'999, true},
        {"f.ts", 10'000'000, 10'000'000, false},
    };
    for (const auto& c : cases) {
        if (w.VFormatComboBox->count() > 1)
            w.VFormatComboBox->setCurrentIndex(1); // the user was looking at frames
        f.open(QLatin1String(c.name), {10 * kUnitsPerSecond, c.playerCount, {64, 48}});
        EXPECT_EQ(w.VideoFrameCount, c.expectedCount) << c.name;
        EXPECT_EQ(f.formatItems(), c.frameOffered ? QStringList({"Time", "Frame"}) : QStringList({"Time"})) << c.name;
        EXPECT_EQ(w.VFormatComboBox->currentIndex(), 0) << c.name;
        EXPECT_TRUE(shown(w.VStepValueTime) && !shown(w.VStepValueFrame)) << c.name;
    }
}

TEST(Tform_video, FormatSwitchSwapsControlsAndThePositionDisplay)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    f.open("clip.avi", {60 * kUnitsPerSecond, 1500, {64, 48}});
    w.OnPauseButton();
    f.player->seekAndWait(30 * kUnitsPerSecond);
    w.VFormatComboBox->setCurrentIndex(1);
    for (QWidget* c : std::initializer_list<QWidget*>{w.VStepValueFrame, w.VGotoFrameEdit, w.VInFrame, w.VOutFrame, w.VSamplingValueFrame})
        EXPECT_TRUE(shown(c));
    for (QWidget* c : std::initializer_list<QWidget*>{w.VStepValueTime, w.VEdit2, w.VEdit4, w.VEdit5, w.VEdit1, w.VEdit6, w.VEdit7,
                                                      w.VEdit8, w.VEdit9, w.VEdit10, w.VSamplingValueTime})
        EXPECT_FALSE(shown(c));
    // Each twin takes its partner's place.
    const QPoint timeSpinAt = w.VStepValueTime->geometry().topLeft();
    QApplication::processEvents(); // the layout runs
    EXPECT_EQ(w.VStepValueFrame->geometry().topLeft(), timeSpinAt);
    EXPECT_EQ(w.VInFrame->geometry().topLeft(), w.VEdit1->geometry().topLeft());
    EXPECT_EQ(w.VPaintBox1->layout().labels.back().text, QStringLiteral("1500"));
    w.VTimer1Timer();
    EXPECT_EQ(w.VTimeLabel->text(), QStringLiteral("750 / 1500"));
    w.VFormatComboBox->setCurrentIndex(0);
    w.VTimer1Timer();
    EXPECT_EQ(w.VTimeLabel->text(), QStringLiteral("0:00:30 / 0:01:00"));
    EXPECT_EQ(w.VPaintBox1->layout().labels.back().text, QStringLiteral("0:01:00"));
}

TEST(Tform_video, StepPressMayReachTheEndsButHoldingNeedsRoomBeyondThem)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    f.open("clip.avi", {10 * kUnitsPerSecond, 250, {64, 48}});
    const auto press = [&](QPushButton* b, double from) {
        f.player->seekAndWait(fw::media::MediaTime(from * kUnitsPerSecond));
        QTest::mousePress(b, Qt::LeftButton);
    };

    press(w.VStepPButton, 9.0);
    EXPECT_EQ(f.player->position(), 10 * kUnitsPerSecond) << "p + d = duration is allowed on press";
    EXPECT_EQ(w.VideoPosition, 10 * kUnitsPerSecond);
    EXPECT_TRUE(w.StepForwardHeld);
    EXPECT_TRUE(w.VStepTimer->isActive());
    EXPECT_EQ(f.player->state(), PlayerState::Paused) << "run and at once pause";
    w.VStepTimerTimer();
    EXPECT_EQ(f.player->position(), 10 * kUnitsPerSecond) << "holding does nothing more";
    EXPECT_TRUE(w.VStepTimer->isActive()) << "the timer keeps ticking until the release";
    QTest::mouseRelease(w.VStepPButton, Qt::LeftButton);
    EXPECT_FALSE(w.VStepTimer->isActive());
    EXPECT_FALSE(w.StepForwardHeld);

    press(w.VStepMButton, 2.0);
    EXPECT_EQ(f.player->position(), 1 * kUnitsPerSecond);
    EXPECT_TRUE(w.StepBackHeld);
    w.VStepTimerTimer();
    EXPECT_EQ(f.player->position(), 1 * kUnitsPerSecond) << "p - d must stay above 0 on repeat";
    QTest::mouseRelease(w.VStepMButton, Qt::LeftButton);

    press(w.VStepPButton, 5.0);
    w.VStepTimerTimer();
    w.VStepTimerTimer();
    EXPECT_EQ(f.player->position(), 8 * kUnitsPerSecond);
    EXPECT_EQ(ScriptedPlayer::positionOf(w.VImageEnView1->image().pixelColor(0, 0)), 8 * kUnitsPerSecond);
    EXPECT_EQ(w.VTimeLabel->text(), QStringLiteral("0:00:08 / 0:00:10"));
    QTest::mouseRelease(w.VStepPButton, Qt::LeftButton);

    // Frame format: two frames of 0.04 s.
    w.VFormatComboBox->setCurrentIndex(1);
    w.VStepValueFrame->setValue(2);
    press(w.VStepPButton, 1.0);
    EXPECT_EQ(f.player->position(), kUnitsPerSecond + 800'000);
    QTest::mouseRelease(w.VStepPButton, Qt::LeftButton);
    press(w.VStepMButton, 0.04);
    EXPECT_EQ(f.player->position(), 400'000) << "p - d < 0: no step";
    QTest::mouseRelease(w.VStepMButton, Qt::LeftButton);
    EXPECT_FALSE(w.VStepTimer->isActive());

    // A step taken during playback leaves the player paused, and the buttons say so.
    w.OnPlayButton();
    QTest::mouseClick(w.VStepPButton, Qt::LeftButton);
    EXPECT_EQ(f.player->state(), PlayerState::Paused);
    EXPECT_TRUE(w.VPlayButton->isEnabled());
    EXPECT_FALSE(w.VPauseButton->isEnabled());
    EXPECT_TRUE(w.VStopButton->isEnabled());
    EXPECT_FALSE(w.VStepTimer->isActive()) << "released at once: no repeat";

    // Released while the step's frame was being shown: no repeat starts after the release.
    f.player->onSeek = [&](fw::media::MediaTime) { QTest::mouseRelease(w.VStepPButton, Qt::LeftButton); };
    press(w.VStepPButton, 3.0);
    f.player->onSeek = nullptr;
    EXPECT_EQ(f.player->position(), 3 * kUnitsPerSecond + 800'000) << "two frames on";
    EXPECT_FALSE(w.VStepTimer->isActive());
    EXPECT_FALSE(w.StepForwardHeld);
}

TEST(Tform_video, GotoSeeksInTimeOrFrameAndRefusesBeyondTheEnd)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    f.open("clip.avi", {120 * kUnitsPerSecond, 3000, {64, 48}});
    w.VEdit2->setText(QStringLiteral("0"));
    w.VEdit4->setText(QStringLiteral("00"));
    w.VEdit5->setText(QStringLiteral("70"));
    QTest::mouseClick(w.VGotoButton, Qt::LeftButton);
    EXPECT_EQ(f.player->position(), 70 * kUnitsPerSecond);
    EXPECT_EQ(w.VideoPosition, 70 * kUnitsPerSecond);
    EXPECT_EQ(f.player->state(), PlayerState::Paused);
    EXPECT_EQ(w.MarkerX, w.VPaintBox1->layout().markerX);
    EXPECT_EQ(ScriptedPlayer::positionOf(w.VImageEnView1->image().pixelColor(0, 0)), 70 * kUnitsPerSecond);

    w.VEdit4->setText(QStringLiteral("2"));
    w.VEdit5->setText(QStringLiteral("1"));
    f.player->calls.clear();
    w.VGotoButtonClick();
    EXPECT_EQ(f.prompts.texts(QStringLiteral("warn")), QStringList({"Out of range.\r\nDefine time correctly."}));
    EXPECT_EQ(f.player->position(), 70 * kUnitsPerSecond) << "nothing moves";
    EXPECT_EQ(w.VideoPosition, 70 * kUnitsPerSecond);
    EXPECT_TRUE(f.player->calls.filter(QStringLiteral("seek")).isEmpty());

    w.VFormatComboBox->setCurrentIndex(1);
    w.VGotoFrameEdit->setText(QStringLiteral("0"));
    w.VGotoButtonClick();
    EXPECT_EQ(f.player->position(), 0);
    w.VGotoFrameEdit->setText(QStringLiteral("1500"));
    w.VGotoButtonClick();
    EXPECT_EQ(f.player->position(), 60 * kUnitsPerSecond);
    w.VGotoFrameEdit->setText(QStringLiteral("3001"));
    w.VGotoButtonClick();
    EXPECT_EQ(f.prompts.texts(QStringLiteral("warn")).size(), 2);
    EXPECT_EQ(f.player->position(), 60 * kUnitsPerSecond);
}

TEST(Tform_video, RulerClicksAndDragsSeekWithinTheBand)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    f.open("clip.avi", {95 * 60 * kUnitsPerSecond, 0, {64, 48}});
    f.player->advance(1); // the first frame sizes the window; then it is made 700 wide
    w.resize(700, 470);
    QApplication::processEvents();
    ASSERT_EQ(w.VPaintBox1->width(), 700);
    EXPECT_EQ(w.VPaintBox1->layout().labels.back().text, QStringLiteral("1:30:00"));
    w.OnPauseButton();
    const fw::media::MediaTime d = w.VideoDuration;

    QTest::mousePress(w.VPaintBox1, Qt::LeftButton, {}, QPoint(350, 22));
    EXPECT_EQ(f.player->position(), d / 2);
    EXPECT_EQ(w.MarkerX, 350);
    EXPECT_TRUE(w.RulerDragging);
    QTest::mouseMove(w.VPaintBox1, QPoint(25 + 65, 30));
    EXPECT_EQ(f.player->position(), d / 10);
    QTest::mouseMove(w.VPaintBox1, QPoint(200, 5)); // above the band: the drag ends
    EXPECT_FALSE(w.RulerDragging);
    QTest::mouseMove(w.VPaintBox1, QPoint(400, 22));
    EXPECT_EQ(f.player->position(), d / 10) << "no seeking without a drag";
    QTest::mouseRelease(w.VPaintBox1, Qt::LeftButton, {}, QPoint(400, 22));

    QTest::mousePress(w.VPaintBox1, Qt::LeftButton, {}, QPoint(22, 22)); // 3 pixels left of the axis
    EXPECT_EQ(f.player->position(), 0);
    QTest::mouseRelease(w.VPaintBox1, Qt::LeftButton, {}, QPoint(22, 22));
    EXPECT_FALSE(w.RulerDragging);
    f.player->calls.clear();
    QTest::mousePress(w.VPaintBox1, Qt::LeftButton, {}, QPoint(300, 40)); // below the band
    EXPECT_TRUE(f.player->calls.isEmpty());
    EXPECT_FALSE(w.RulerDragging);

    // Moves that arrive while a seek shows its frame are not seeked inside it; the last one
    // follows as soon as it is done. A release meanwhile ends the drag.
    QList<fw::media::MediaTime> seeks;
    int depth = 0, deepest = 0;
    f.player->onSeek = [&](fw::media::MediaTime t) {
        seeks << t;
        deepest = std::max(deepest, ++depth);
        if (seeks.size() == 1) {
            w.VPaintBox1MouseMove(25 + 65, 22);
            w.VPaintBox1MouseMove(25 + 130, 22);
            w.VPaintBox1MouseMove(25 + 195, 22);
        }
        --depth;
    };
    QTest::mousePress(w.VPaintBox1, Qt::LeftButton, {}, QPoint(25, 22));
    EXPECT_EQ(seeks, QList<fw::media::MediaTime>({0, d * 3 / 10}));
    EXPECT_EQ(deepest, 1);
    EXPECT_TRUE(w.RulerDragging);
    seeks.clear();
    f.player->onSeek = [&](fw::media::MediaTime t) {
        seeks << t;
        if (seeks.size() == 1)
            QTest::mouseRelease(w.VPaintBox1, Qt::LeftButton, {}, QPoint(100, 22));
    };
    QTest::mouseRelease(w.VPaintBox1, Qt::LeftButton, {}, QPoint(100, 22));
    QTest::mousePress(w.VPaintBox1, Qt::LeftButton, {}, QPoint(350, 22));
    EXPECT_FALSE(w.RulerDragging) << "released during the seek: no drag";
    QTest::mouseMove(w.VPaintBox1, QPoint(400, 22));
    EXPECT_EQ(seeks.size(), 1) << "a move without the button does not seek";
    f.player->onSeek = nullptr;

    // The drawn ruler: black axis, a tick, and the marker's inverted triangle.
    const QImage ruler = w.VPaintBox1->render();
    EXPECT_EQ(ruler.pixelColor(100, 22), QColor(Qt::black));
    EXPECT_EQ(ruler.pixelColor(100, 35), QColor(192, 192, 192));
    EXPECT_EQ(w.MarkerX, 350);
    EXPECT_NE(ruler.pixelColor(350, 30), QColor(192, 192, 192)) << "the marker";
    EXPECT_EQ(ruler.pixelColor(360, 30), QColor(192, 192, 192));
}

TEST(Tform_video, AClipShorterThanASecondDrawsOneLabel)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    f.open("blink.avi", {kUnitsPerSecond / 2, 12, {64, 48}});
    const auto layout = w.VPaintBox1->layout();
    ASSERT_EQ(layout.labels.size(), 1u);
    EXPECT_EQ(layout.labels[0].text, QStringLiteral("0:00:00"));
    EXPECT_TRUE(layout.majorTicks.empty());
    EXPECT_EQ(w.VPaintBox1->render().pixelColor(200, 22), QColor(Qt::black)) << "the axis is drawn";
}

TEST(Tform_video, AFileThePlayerCannotOpenIsReportedAndLeavesTheWindowReady)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    f.aviCounts.insert(f.path("clip.avi"), 250);
    f.open("clip.avi", {10 * kUnitsPerSecond, 250, {64, 48}});
    f.player->advance(kUnitsPerSecond);
    ASSERT_FALSE(w.VImageEnView1->image().isNull());

    f.aviCounts.insert(f.path("broken.avi"), 40);
    ScriptedPlayer::Clip broken;
    broken.opens = false;
    f.open("broken.avi", broken);
    EXPECT_EQ(f.prompts.texts(QStringLiteral("error")), QStringList({"broken.avi: no playable video stream"}));
    EXPECT_FALSE(w.Loaded);
    EXPECT_TRUE(w.VImageEnView1->image().isNull());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("broken.avi"));
    EXPECT_EQ(w.VTimeLabel->text(), QStringLiteral("0:00:00 / 0:00:00"));
    EXPECT_EQ(f.formatItems(), QStringList({"Time"}));
    EXPECT_EQ(w.VideoFrameCount, 0);
    EXPECT_EQ(w.VideoDuration, 1);
    EXPECT_TRUE(w.VPlayButton->isEnabled());
    EXPECT_FALSE(w.VPauseButton->isEnabled() || w.VStopButton->isEnabled());
    EXPECT_FALSE(QApplication::overrideCursor()) << "the hourglass is gone";
    // Nothing to capture, step or sample; each try says why once more.
    EXPECT_FALSE(w.VbtCaptureClick());
    EXPECT_TRUE(f.frames.isEmpty());
    QTest::mouseClick(w.VbtCaptureRange, Qt::LeftButton);
    EXPECT_TRUE(f.frames.isEmpty());
    EXPECT_EQ(f.prompts.texts(QStringLiteral("error")).size(), 3);

    f.open("clip.avi", {10 * kUnitsPerSecond, 250, {64, 48}});
    EXPECT_TRUE(w.Loaded);
    EXPECT_EQ(f.formatItems(), QStringList({"Time", "Frame"}));
}

namespace {

/// Visible direct controls of a bar, left to right, must neither overlap nor leave the bar.
void expectInRowWithoutOverlap(QWidget* bar, const char* what)
{
    QList<QWidget*> controls;
    for (QWidget* c : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (c->isVisible())
            controls << c;
    std::sort(controls.begin(), controls.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
    for (int i = 0; i < controls.size(); ++i) {
        EXPECT_TRUE(bar->rect().contains(controls[i]->geometry())) << what << " " << i;
        if (i > 0) {
            EXPECT_LT(controls[i - 1]->geometry().right(), controls[i]->x()) << what << " " << i;
        }
    }
}

void saveShot(QWidget& w, const char* name)
{
    QApplication::processEvents();
    if (const QString dir = qEnvironmentVariable("FW_SCREENSHOT_DIR"); !dir.isEmpty())
        w.grab().save(dir + QLatin1Char('/') + QLatin1String(name));
}

} // namespace

TEST(Tform_video, LayoutFitsInBothFormatsAtTheStartSize)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    f.open("clip.avi", {95 * 60 * kUnitsPerSecond, 142'500, {320, 240}});
    f.player->advance(47 * 60 * kUnitsPerSecond);
    w.OnPauseButton();
    QApplication::processEvents();
    ASSERT_EQ(w.size(), QSize(695, 470));
    // Transport bar under the picture, ruler along the bottom, the panel on the right.
    EXPECT_EQ(w.VPaintBox1->geometry(), QRect(0, 470 - 42, 695, 42));
    EXPECT_EQ(w.VPanel1->geometry().bottom() + 1, w.VPaintBox1->y());
    EXPECT_EQ(w.VImageEnView1->geometry().bottom() + 1, w.VPanel1->y());
    EXPECT_EQ(w.VPanel3->geometry().right(), 694);
    EXPECT_LE(w.VbtnDefault->mapTo(&w, QPoint(0, w.VbtnDefault->height())).y(), w.VPaintBox1->y()) << "the panel fits";
    expectInRowWithoutOverlap(w.VPanel1, "time format");
    EXPECT_EQ(w.VTimeLabel->text(), QStringLiteral("0:47:00 / 1:35:00"));
    const auto textFits = [&] {
        QFont bold = w.VTimeLabel->font();
        bold.setBold(true);
        return QFontMetrics(bold).horizontalAdvance(w.VTimeLabel->text()) <= w.VTimeLabel->width();
    };
    EXPECT_TRUE(textFits());
    saveShot(w, "player-time.png");

    w.VFormatComboBox->setCurrentIndex(1);
    w.VTimer1Timer();
    QApplication::processEvents();
    expectInRowWithoutOverlap(w.VPanel1, "frame format");
    EXPECT_EQ(w.VTimeLabel->text(), QStringLiteral("70500 / 142500"));
    EXPECT_TRUE(textFits());
    saveShot(w, "player-frame.png");

    w.VTrackBar3->setValue(80);
    w.VTrackBar7->setValue(30);
    w.VZoomFitButtonClick();
    saveShot(w, "player-adjusted.png");
}

TEST(Tform_video, ANewFrameNoticeArrivingWhileAFrameIsShownDoesNotNest)
{
    PlayerWindowFixture f;
    Tform_video& w = *f.window;
    f.open("clip.avi", {10 * kUnitsPerSecond, 250, {64, 48}});
    // While a notice shows its frame (and lets events run), the decoder moves on and posts the
    // next notice, again and again, as a fast decoder on a slow screen would. Handlers never
    // nest more than one deep.
    int depth = 0, deepest = 0, posted = 0;
    std::function<void()> decodeOne = [&] {
        deepest = std::max(deepest, ++depth);
        if (++posted <= 50)
            QTimer::singleShot(0, f.player, decodeOne); // the next frame is already on its way
        f.player->advance(100'000);                     // raises newFrame at once
        --depth;
    };
    decodeOne();
    for (int i = 0; i < 1000 && posted <= 50; ++i)
        QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_GT(posted, 50);
    EXPECT_EQ(deepest, 2) << "a notice inside a notice is deferred, not handled there";
    // No notice is left behind: the picture is the frame now current.
    EXPECT_EQ(ScriptedPlayer::positionOf(w.VImageEnView1->image().pixelColor(0, 0)), f.player->position());
    EXPECT_EQ(w.VideoPosition, f.player->position());
    EXPECT_EQ(f.player->position(), 51 * 100'000); // every decoded frame was played
}
