// The player window on the real FFmpeg player and files made by ffmpeg: what the window shows,
// captures and saves is the frame ffmpeg itself decodes at that time.
#include "platform/imaging/ImageFile.h"
#include "platform/media/RangePlan.h"
#include "platform/widgets/ImageView.h"
#include "support/MediaFixtures.h"
#include "support/ScriptedPrompts.h"
#include "support/TestImages.h"
#include "video/TformVideo.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace fw::test;
using fw::media::kUnitsPerSecond;
using fw::media::MediaTime;

namespace {

struct RealPlayerWindow {
    TempDir dir;
    ScriptedPrompts prompts;
    QString videoFileName;
    QList<QPair<QImage, QString>> frames;
    std::unique_ptr<Tform_video> window;

    RealPlayerWindow()
    {
        Tform_video::Services services;
        services.prompts = &prompts;
        services.videoFileName = [this] { return videoFileName; };
        services.appendFrame = [this](const QImage& picture, const QString& caption) {
            frames.append({picture, caption});
            return true;
        };
        services.aviFrameCount = [](const QString& path) { return fw::media::aviVideoFrameCount(path); };
        window = std::make_unique<Tform_video>(fw::media::createPlayer(), std::move(services));
        window->show();
    }

    void open(const QString& path)
    {
        videoFileName = path;
        window->Open();
        window->OnPauseButton();
        QApplication::processEvents();
    }
};

/// The reference frame ffmpeg decodes at t must be what the window took.
void expectFrameAt(const ReferenceFrames& ref, MediaTime t, const QImage& got, const QString& what)
{
    const int index = ref.indexAt(double(t) / kUnitsPerSecond);
    ASSERT_GE(index, 0) << what.toStdString();
    EXPECT_GT(psnr(got, ref.image(index)), 35.0) << what.toStdString() << " at " << t;
}

} // namespace

TEST(Tform_video_RealPlayer, OpensAnAviAndOffersFramesFromItsHeader)
{
    QString error;
    const QString avi = mediaFixture(QStringLiteral("clip.avi"), &error);
    ASSERT_FALSE(avi.isEmpty()) << error.toStdString();
    RealPlayerWindow f;
    f.open(avi);
    Tform_video& w = *f.window;
    EXPECT_TRUE(w.Loaded);
    EXPECT_EQ(w.VideoFrameCount, probeFrameCount(avi));
    ASSERT_EQ(w.VFormatComboBox->count(), 2);
    EXPECT_EQ(w.VFormatComboBox->itemText(1), QStringLiteral("Frame"));
    EXPECT_TRUE(w.windowTitle().endsWith(QStringLiteral("[160x120]"))) << w.windowTitle().toStdString();

    // A file the player cannot read: the reason is shown, and the format list offers time only.
    f.open(mediaFixture(QStringLiteral("notvideo.avi")));
    EXPECT_FALSE(w.Loaded);
    EXPECT_EQ(w.VFormatComboBox->count(), 1);
    ASSERT_FALSE(f.prompts.shown.isEmpty());
    EXPECT_TRUE(f.prompts.shown.last().text.contains(QStringLiteral("notvideo.avi"))) << f.prompts.shown.last().text.toStdString();
}

TEST(Tform_video_RealPlayer, RangeCaptureAndGotoTakeTheFramesFfmpegDecodes)
{
    for (const char* name : {"clip.avi", "bframes.mp4", "clip.mpg"}) {
        SCOPED_TRACE(name);
        const QString path = mediaFixture(QString::fromLatin1(name));
        ASSERT_FALSE(path.isEmpty());
        const ReferenceFrames ref = referenceFrames(path);
        ASSERT_TRUE(ref.ok()) << ref.error.toStdString();

        RealPlayerWindow f;
        f.open(path);
        Tform_video& w = *f.window;
        w.VEdit1->setText("0"), w.VEdit6->setText("0"), w.VEdit7->setText("1");
        w.VEdit8->setText("0"), w.VEdit9->setText("0"), w.VEdit10->setText("2");
        w.VSamplingValueTime->setValue(0.5);
        w.Capture_Save(w.VbtCaptureRange);
        ASSERT_EQ(f.frames.size(), 3);
        const QString base = QFileInfo(path).fileName();
        const MediaTime times[] = {kUnitsPerSecond, kUnitsPerSecond * 3 / 2, 2 * kUnitsPerSecond};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(f.frames[i].second, base + "[" + fw::media::FormatStamp(times[i]) + "]");
            expectFrameAt(ref, times[i], f.frames[i].first, f.frames[i].second);
        }

        // Goto 0:00:03 shows the frame at 3 s; a capture then takes exactly that picture.
        w.VEdit2->setText("0"), w.VEdit4->setText("0"), w.VEdit5->setText("3");
        w.VGotoButtonClick();
        EXPECT_EQ(w.VideoPosition, 3 * kUnitsPerSecond);
        expectFrameAt(ref, 3 * kUnitsPerSecond, w.VImageEnView1->image(), QStringLiteral("goto"));
        ASSERT_TRUE(w.VbtCaptureClick());
        expectFrameAt(ref, 3 * kUnitsPerSecond, f.frames.last().first, f.frames.last().second);
    }
}

TEST(Tform_video_RealPlayer, RangeSaveInFrameFormatWritesEachFrameOnce)
{
    const QString avi = mediaFixture(QStringLiteral("clip.avi"));
    ASSERT_FALSE(avi.isEmpty());
    const ReferenceFrames ref = referenceFrames(avi);
    ASSERT_TRUE(ref.ok());
    RealPlayerWindow f;
    f.open(avi);
    Tform_video& w = *f.window;
    w.VFormatComboBox->setCurrentIndex(1);
    w.VInFrame->setText("10");
    w.VOutFrame->setText("14");
    f.prompts.fileAnswers.enqueue({f.dir.path(QStringLiteral("clip_avi")), 0}); // BMP
    w.Capture_Save(w.VbtRangeSave);

    QStringList names = QDir(f.dir.root()).entryList({QStringLiteral("*.bmp")}, QDir::Files, QDir::Name);
    EXPECT_EQ(names, QStringList({"clip_avi[10].bmp", "clip_avi[11].bmp", "clip_avi[12].bmp", "clip_avi[13].bmp", "clip_avi[14].bmp"}));
    for (int n = 10; n <= 14; ++n) {
        const QImage saved = fw::imaging::readImageFile(f.dir.path(QStringLiteral("clip_avi[%1].bmp").arg(n))).image;
        EXPECT_GT(psnr(saved, ref.image(n)), 35.0) << "frame " << n;
    }
}
