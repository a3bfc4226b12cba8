#include "app/TForm1.h"
#include "app/TfOptions.h"
#include "platform/imaging/ImageFile.h"
#include "platform/widgets/ThumbnailStrip.h"
#include "video/TformVideo.h"
#include "support/ScriptedPlayer.h"
#include "support/ScriptedPrompts.h"
#include "support/TestImages.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace fw::app;
using namespace fw::test;

namespace {

/// A main window on a temporary documents folder with scripted prompts.
struct MainWindowFixture {
    TempDir home;
    ScriptedPrompts prompts;
    QList<QUrl> opened;
    int beeps = 0;
    ScriptedPlayer* player = nullptr; ///< the video window's, owned by it
    std::unique_ptr<TForm1> window;

    AppEnvironment environment()
    {
        AppEnvironment env;
        env.prompts = &prompts;
        env.documentsFolder = home.path(QStringLiteral("Documents"));
        env.settingsPath = home.path(QStringLiteral("config/7.6.ini"));
        env.helpFile = home.path(QStringLiteral("help/index.html"));
        env.openUrl = [this](const QUrl& url) {
            opened << url;
            return true;
        };
        env.beep = [this] { ++beeps; };
        env.makePlayer = [this] {
            auto p = std::make_unique<ScriptedPlayer>();
            player = p.get();
            return std::unique_ptr<fw::media::MediaPlayer>(std::move(p));
        };
        env.aviFrameCount = [](const QString&) { return 250u; };
        return env;
    }

    MainWindowFixture() { window = std::make_unique<TForm1>(environment()); }

    void capture(int n)
    {
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(window->AppendFrame(makeTestImage(320, 240, unsigned(i + 1)),
                                            QStringLiteral("clip.avi[0.00.%1,00]").arg(10 * (i + 1), 2, 10, QLatin1Char('0'))));
    }
};

} // namespace

TEST(TForm1, StartsWithItsCaptionPagesWorkingFolderAndSetting)
{
    MainWindowFixture f;
    TForm1& w = *f.window;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Framewell 7.6"));
    EXPECT_EQ(w.PageControl2->tabText(0), QStringLiteral("Image Editor"));
    EXPECT_EQ(w.PageControl2->tabText(1), QStringLiteral("GIF animator"));
    EXPECT_EQ(w.FramePanel->width(), 229);
    EXPECT_EQ(w.Panel1->height(), 16);
    EXPECT_EQ(w.WorkDir(), QDir(f.home.path(QStringLiteral("Documents"))).absolutePath() + QStringLiteral("/orbek/"));
    EXPECT_TRUE(QFileInfo(w.WorkDir()).isDir());
    EXPECT_EQ(w.Resolution, 100);
    w.resize(600, 400);
    EXPECT_EQ(w.size(), QSize(800, 500)); // snaps back to the smallest size
    EXPECT_TRUE(f.prompts.shown.isEmpty());
    EXPECT_EQ(w.btRemove->toolTip(), QStringLiteral("Removes the selected image"));
    EXPECT_EQ(w.btSave->toolTip(), QStringLiteral("Saves an images to disk"));
}

TEST(TForm1, ThreeCapturesThenRemoveTheSecond)
{
    MainWindowFixture f;
    TForm1& w = *f.window;
    f.capture(3);
    EXPECT_EQ(w.ImageEnMView1->selectedIndex(), 2);
    EXPECT_EQ(w.frames().EditIndex, 0);
    w.PageControl2->setCurrentWidget(w.TabSheet2); // on the editor page the editor takes frame 0 instead
    w.ImageEnMView1->selectIndex(1);
    f.prompts.confirmAnswers.enqueue(true);
    w.Remove();
    EXPECT_EQ(f.prompts.texts(QStringLiteral("confirm")), QStringList{QStringLiteral("Marked image will be deleted. Are you sure?")});
    EXPECT_EQ(w.frames().FrameIds, (QStringList{QStringLiteral("0"), QStringLiteral("2")}));
    EXPECT_TRUE(QFile::exists(w.WorkDir() + QStringLiteral("0.orbek")));
    EXPECT_FALSE(QFile::exists(w.WorkDir() + QStringLiteral("1.orbek")));
    EXPECT_TRUE(QFile::exists(w.WorkDir() + QStringLiteral("2.orbek")));
    EXPECT_EQ(w.ImageEnMView1->selectedIndex(), 1); // the frame that was third
    EXPECT_EQ(w.ImageEnMView1->toolTip(), QStringLiteral("2 Images"));

    // On the editor page, the editor takes up the first frame and its thumbnail is selected.
    w.PageControl2->setCurrentWidget(w.TabSheet4);
    QSignalSpy edits(&w, &TForm1::editFrameChanged);
    w.ImageEnMView1->selectIndex(1);
    f.prompts.confirmAnswers.enqueue(true);
    f.capture(1);
    w.ImageEnMView1->selectIndex(1);
    w.Remove();
    EXPECT_EQ(w.frames().FrameIds, (QStringList{QStringLiteral("0"), QStringLiteral("3")}));
    EXPECT_EQ(w.ImageEnMView1->selectedIndex(), 0);
    EXPECT_EQ(w.frames().EditIndex, 0);
    ASSERT_FALSE(edits.isEmpty());
    EXPECT_EQ(edits.last().first().toInt(), 0);

    // No changes nothing but the tooltip.
    w.ImageEnMView1->setToolTip(QString());
    f.prompts.confirmAnswers.enqueue(false);
    w.Remove();
    EXPECT_EQ(w.frames().count(), 2);
    EXPECT_EQ(w.ImageEnMView1->toolTip(), QStringLiteral("2 Images"));
}

TEST(TForm1, RemoveAllKeepsTheCounterAndTheLastRemovalBlanksTheEditor)
{
    MainWindowFixture f;
    TForm1& w = *f.window;
    QSignalSpy edits(&w, &TForm1::editFrameChanged);
    f.capture(3);
    f.prompts.confirmAnswers.enqueue(true);
    w.RemoveAll();
    EXPECT_EQ(f.prompts.texts(QStringLiteral("confirm")).last(), QStringLiteral("All images will be removed. Are you sure?"));
    EXPECT_EQ(w.frames().count(), 0);
    EXPECT_EQ(w.ImageEnMView1->toolTip(), QString());
    EXPECT_EQ(w.frames().EditIndex, -1);
    ASSERT_FALSE(edits.isEmpty());
    EXPECT_EQ(edits.last().first().toInt(), -1);
    f.capture(1);
    EXPECT_EQ(w.frames().FrameIds, QStringList{QStringLiteral("3")});
    // Removing the only frame: empty strip, empty tooltip, EditIndex -1.
    w.ImageEnMView1->selectIndex(0);
    f.prompts.confirmAnswers.enqueue(true);
    w.Remove();
    EXPECT_EQ(w.frames().count(), 0);
    EXPECT_EQ(w.ImageEnMView1->toolTip(), QString());
    EXPECT_EQ(w.frames().EditIndex, -1);
    EXPECT_EQ(w.ImageEnMView1->selectedIndex(), -1);
}

TEST(TForm1, SelectingAThumbnailOnTheEditorPageSetsTheEditIndex)
{
    MainWindowFixture f;
    TForm1& w = *f.window;
    f.capture(3);
    QSignalSpy edits(&w, &TForm1::editFrameChanged);
    w.PageControl2->setCurrentWidget(w.TabSheet4);
    w.ImageEnMView1->show();
    const QRect second = w.ImageEnMView1->visualRect(w.ImageEnMView1->model()->index(1, 0));
    QTest::mouseClick(w.ImageEnMView1->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(w.frames().EditIndex, 1);
    ASSERT_FALSE(edits.isEmpty());
    EXPECT_EQ(edits.last().first().toInt(), 1);
    // A new capture sets EditIndex to the first frame, not the new one.
    f.capture(1);
    EXPECT_EQ(w.frames().EditIndex, 0);
    // On the GIF animator page a selection leaves EditIndex alone.
    w.PageControl2->setCurrentWidget(w.TabSheet2);
    const QRect third = w.ImageEnMView1->visualRect(w.ImageEnMView1->model()->index(2, 0));
    QTest::mouseClick(w.ImageEnMView1->viewport(), Qt::LeftButton, {}, third.center());
    EXPECT_EQ(w.ImageEnMView1->selectedIndex(), 2);
    EXPECT_EQ(w.frames().EditIndex, 0);
}

TEST(TForm1, CommandStateFollowsTheStrip)
{
    MainWindowFixture f;
    TForm1& w = *f.window;
    w.ControlTimerTimer();
    EXPECT_FALSE(w.btRemove->isEnabled());
    EXPECT_FALSE(w.btSave->isEnabled());
    EXPECT_FALSE(w.mnuPrint->isEnabled());
    f.capture(3);
    w.ImageEnMView1->selectIndex(-1);
    // The timer, not the capture, updates the buttons.
    QTest::qWait(600);
    EXPECT_FALSE(w.btRemove->isEnabled());
    EXPECT_TRUE(w.btRemoveAll->isEnabled());
    EXPECT_TRUE(w.btPrint->isEnabled());
    EXPECT_TRUE(w.btSave->isEnabled());
    EXPECT_TRUE(w.mnuSave->isEnabled());
    EXPECT_EQ(w.ControlTimer->interval(), 500);
    w.ImageEnMView1->selectIndex(0);
    w.ControlTimerTimer();
    EXPECT_TRUE(w.btRemove->isEnabled());
}

TEST(TForm1, OpenDispatchesByExtension)
{
    MainWindowFixture f;
    TForm1& w = *f.window;
    QSignalSpy requests(&w, &TForm1::openRequested);
    const struct {
        const char* name;
        OpenKind kind;
    } cases[] = {{"CLIP.AVI", OpenKind::VideoPlayer}, {"VTS_01_1.vob", OpenKind::MediaGrabber},
                 {"anim.gif", OpenKind::GifImport}, {"notes.txt", OpenKind::None}};
    for (const auto& c : cases) {
        const QString path = f.home.path(QLatin1String(c.name));
        f.prompts.fileAnswers.enqueue({path, 0});
        requests.clear();
        w.Open();
        EXPECT_EQ(w.VideoFileName, path);
        EXPECT_EQ(w.OpenKind, c.kind) << c.name;
        EXPECT_EQ(requests.size(), c.kind == OpenKind::None ? 0 : 1) << c.name;
    }
    EXPECT_EQ(f.prompts.shown.first().filters.size(), 10);
    // Cancelling sets OpenKind to none and keeps the last file name.
    w.Open();
    EXPECT_EQ(w.OpenKind, OpenKind::None);
    EXPECT_TRUE(w.VideoFileName.endsWith(QStringLiteral("notes.txt")));
}

TEST(TForm1, FileOpenShowsTheVideoWindowWhichCapturesIntoTheStrip)
{
    MainWindowFixture f;
    TForm1& w = *f.window;
    ASSERT_NE(w.form_video, nullptr);
    ASSERT_NE(f.player, nullptr);
    Tform_video& video = *w.form_video;
    EXPECT_TRUE(video.isHidden()) << "created hidden at start";
    EXPECT_EQ(video.windowTitle(), QStringLiteral("Video"));

    for (const char* name : {"CLIP.AVI", "movie.mp4"}) {
        const QString path = f.home.path(QLatin1String(name));
        f.player->addFile(path, {100 * fw::media::kUnitsPerSecond, 500, {64, 48}});
        f.prompts.fileAnswers.enqueue({path, 0});
        w.Open();
        EXPECT_TRUE(video.isVisible()) << name;
        EXPECT_EQ(f.player->inputFile(), path) << name;
        EXPECT_TRUE(video.Loaded) << name;
        EXPECT_EQ(f.player->state(), fw::media::PlayerState::Playing) << name;
    }
    EXPECT_EQ(video.VideoFrameCount, 500) << "not an AVI: the player's count";

    // A capture lands in the strip with the file's name; a GIF opened later names the next one.
    video.OnPauseButton();
    f.player->seekAndWait(834'500'000);
    ASSERT_TRUE(video.VbtCaptureClick());
    ASSERT_EQ(w.frames().count(), 1);
    EXPECT_EQ(w.frames().FrameCaptions[0], QStringLiteral("movie.mp4[0.01.23,45]"));
    EXPECT_EQ(ScriptedPlayer::positionOf(w.frames().loadFrame(0).pixelColor(0, 0)), 834'500'000);
    f.prompts.fileAnswers.enqueue({f.home.path(QStringLiteral("anim.gif")), 0});
    w.Open();
    EXPECT_EQ(f.player->inputFile(), f.home.path(QStringLiteral("movie.mp4"))) << "the player keeps its file";
    ASSERT_TRUE(video.VbtCaptureClick());
    EXPECT_EQ(w.frames().FrameCaptions[1], QStringLiteral("anim.gif[0.01.23,45]"));

    // Closing hides it; the window lives on.
    video.close();
    EXPECT_TRUE(video.isHidden());
    EXPECT_EQ(w.form_video, &video);
}

TEST(TForm1, OptionsAlwaysShow100AndOkTakesTheTypedValue)
{
    MainWindowFixture f;
    TForm1& w = *f.window;
    const struct {
        const char* typed;
        bool ok;
        int expected;
    } steps[] = {{"300", true, 300}, {nullptr, false, 300}, {"abc", true, 100}, {"-5", true, -5}, {nullptr, true, 100}};
    for (const auto& s : steps) {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TfOptions*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Options"));
            EXPECT_EQ(dialog->ResolutionEdit->text(), QStringLiteral("100"));
            EXPECT_EQ(dialog->ResolutionEdit->toolTip(), QStringLiteral("changes the resolution of an images"));
            if (s.typed)
                dialog->ResolutionEdit->setText(QLatin1String(s.typed));
            if (s.ok)
                QTest::mouseClick(dialog->btOK, Qt::LeftButton);
            else
                dialog->reject(); // the title-bar close button
        });
        w.Options1Click();
        EXPECT_EQ(w.Resolution, s.expected) << (s.typed ? s.typed : "(untouched)");
    }
}

TEST(TForm1, TheSettingIsWrittenWhenTheWindowGoes)
{
    TempDir keep;
    QString settings;
    {
        MainWindowFixture f;
        settings = f.environment().settingsPath;
        f.window->Resolution = 300;
        f.window.reset();
        EXPECT_TRUE(readAll(settings).contains("Resolution=300"));
        MainWindowFixture again;
        Q_UNUSED(again);
    }
}

TEST(TForm1, CloseRemovesTheWorkingFolderAndReportsFilesThatStay)
{
    MainWindowFixture f;
    TForm1& w = *f.window;
    f.capture(2);
    const QString work = w.WorkDir();
    QDir().mkpath(work + QStringLiteral("sub"));
    ASSERT_TRUE(writeAll(work + QStringLiteral("sub/g0.orbek"), "x"));
    w.close();
    EXPECT_FALSE(QFileInfo::exists(work));
    EXPECT_TRUE(f.prompts.texts(QStringLiteral("warn")).isEmpty());
    EXPECT_EQ(f.beeps, 2); // the working folder and its subfolder
    EXPECT_EQ(w.ImageEnMView1->model(), nullptr);
}

TEST(TForm1, SaveProposesTheFirstCaptionAndWritesTheResolution)
{
    MainWindowFixture f;
    TForm1& w = *f.window;
    f.capture(2);
    w.Resolution = 300;
    TempDir out;
    f.prompts.fileAnswers.enqueue({out.path(QStringLiteral("holiday.bmp")), 4});
    w.Save();
    ASSERT_EQ(f.prompts.shown.size(), 1);
    const auto& dialog = f.prompts.shown.first();
    EXPECT_EQ(dialog.kind, QStringLiteral("saveImage"));
    EXPECT_EQ(dialog.proposed, QStringLiteral("clip.avi[0.00.10,00].jpg"));
    EXPECT_EQ(dialog.filters.size(), 13);
    EXPECT_EQ(dialog.selectedFilter, 0);
    EXPECT_EQ(f.prompts.lastSavePreview.size(), QSize(320, 240));
    for (int i = 1; i <= 2; ++i) {
        const auto loaded = fw::imaging::readImageFile(out.path(QStringLiteral("holiday[%1].bmp").arg(i)));
        EXPECT_NEAR(loaded.dpi.x, 300, 0.05);
        EXPECT_TRUE(samePixels(loaded.image, makeTestImage(320, 240, unsigned(i))));
    }
    EXPECT_EQ(w.ProgressBar->value(), 0);
}

TEST(TForm1, PrintLeavesOutMissingFramesAndHidesTheProgressBar)
{
    MainWindowFixture f;
    TForm1& w = *f.window;
    f.capture(5);
    QFile::remove(w.frames().frameFile(2));
    QList<QImage> printed;
    w.printPreview = [&](const QList<QImage>& images) { printed = images; };
    w.Print();
    ASSERT_EQ(printed.size(), 4);
    EXPECT_TRUE(samePixels(printed[2], makeTestImage(320, 240, 4)));
    EXPECT_TRUE(w.ProgressBar->isHidden());
}

TEST(TForm1, HelpCommandsAskTheDesktop)
{
    MainWindowFixture f;
    TForm1& w = *f.window;
    w.Content1Click();
    w.Emailus1Click();
    w.Webpage1Click();
    ASSERT_EQ(f.opened.size(), 3);
    EXPECT_TRUE(f.opened[0].isLocalFile());
    EXPECT_TRUE(f.opened[0].toLocalFile().endsWith(QStringLiteral("help/index.html")));
    EXPECT_EQ(f.opened[1].scheme(), QStringLiteral("mailto"));
    EXPECT_TRUE(f.opened[1].toString().contains(QStringLiteral("subject=Feedback (Framewell)")));
    EXPECT_EQ(f.opened[2].scheme(), QStringLiteral("https"));
}

TEST(TForm1, AFrameThatCannotBeStoredIsReportedAndLeavesNoThumbnail)
{
    MainWindowFixture f;
    TForm1& w = *f.window;
    f.capture(1);
    QDir(w.WorkDir()).removeRecursively();
    EXPECT_FALSE(w.AppendFrame(makeTestImage(8, 8), QStringLiteral("lost")));
    const QStringList errors = f.prompts.texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("The frame could not be stored: 1.orbek"))) << errors[0].toStdString();
    EXPECT_EQ(w.frames().count(), 1);
    EXPECT_EQ(w.ImageEnMView1->model()->rowCount(), 1);
}

TEST(TForm1, ScreenshotWithFrames)
{
    // Renders the window with a few frames so it can be looked at (FW_SCREENSHOT_DIR).
    MainWindowFixture f;
    TForm1& w = *f.window;
    f.capture(4);
    w.ImageEnMView1->selectIndex(1);
    w.ControlTimerTimer();
    w.show();
    QTest::qWait(50);
    const QImage shot = w.grab().toImage();
    EXPECT_EQ(shot.size(), w.size() * w.devicePixelRatio());
    if (const QString dir = qEnvironmentVariable("FW_SCREENSHOT_DIR"); !dir.isEmpty())
        shot.save(dir + QStringLiteral("/main-window.png"));
}
