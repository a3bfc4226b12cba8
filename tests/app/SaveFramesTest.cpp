#include "app/FrameStore.h"
#include "app/SaveFrames.h"
#include "platform/imaging/ImageFile.h"
#include "support/ExternalTools.h"
#include "support/ScriptedPrompts.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace fw::app;
using namespace fw::test;

TEST(SavePlan, NamesByCaptionOrByNumber)
{
    const QString caption = QStringLiteral("clip.avi[0.00.10,00]");
    const struct {
        const char* chosen;
        int type;
        const char* first;  // target of index 0
        const char* second; // target of index 1 (caption "clip.avi[0.00.20,00]")
    } cases[] = {
        {"/out/clip.avi[0.00.10,00].jpg", 0, "/out/clip.avi[0.00.10,00].jpg", "/out/clip.avi[0.00.20,00].jpg"},
        {"/out/clip.avi[0.00.10,00].PNG", 3, "/out/clip.avi[0.00.10,00].png", "/out/clip.avi[0.00.20,00].png"},
        {"/out/clip.avi[0.00.10,00]", 3, "/out/clip.avi[0.00.10,00].png", "/out/clip.avi[0.00.20,00].png"},
        {"/out/holiday.png", 3, "/out/holiday[1].png", "/out/holiday[2].png"},
        {"/out/holiday", 1, "/out/holiday[1].tif", "/out/holiday[2].tif"},
        {"/out/CLIP.avi[0.00.10,00].jpg", 0, "/out/CLIP.avi[0.00.10,00][1].jpg", "/out/CLIP.avi[0.00.10,00][2].jpg"},
    };
    for (const auto& c : cases) {
        const SavePlan plan = planSave(QString::fromLatin1(c.chosen), c.type, caption);
        EXPECT_EQ(plan.targetFor(0, caption), QString::fromLatin1(c.first)) << c.chosen;
        EXPECT_EQ(plan.targetFor(1, QStringLiteral("clip.avi[0.00.20,00]")), QString::fromLatin1(c.second)) << c.chosen;
    }
    EXPECT_TRUE(planSave(QStringLiteral("/o/a.bmp"), 5, caption).os2Bitmap);
    EXPECT_FALSE(planSave(QStringLiteral("/o/a.bmp"), 4, caption).os2Bitmap);
    EXPECT_EQ(replaceQuestion(QStringLiteral("/o/a.png")), QStringLiteral("/o/a.png already exists.\r\nDo you want to replace it?"));
}

TEST(SaveTypes, OfferTheThirteenTypesInOrder)
{
    QStringList filters;
    for (const SaveType& t : saveTypes())
        filters << t.nameFilter();
    EXPECT_EQ(filters, (QStringList{
                           QStringLiteral("JPEG Bitmap (JPG) (*.jpg)"),
                           QStringLiteral("TIFF Bitmap (TIF) (*.tif)"),
                           QStringLiteral("PaintBrush (PCX) (*.pcx)"),
                           QStringLiteral("Portable Network Graphics (PNG) (*.png)"),
                           QStringLiteral("Windows Bitmap (BMP) (*.bmp)"),
                           QStringLiteral("OS/2 Bitmap (BMP) (*.bmp)"),
                           QStringLiteral("Targa Bitmap (TGA) (*.tga)"),
                           QStringLiteral("Portable PixMap (PXM) (*.pxm)"),
                           QStringLiteral("Portable PixMap (PPM) (*.ppm)"),
                           QStringLiteral("Portable GreyMap (PGM) (*.pgm)"),
                           QStringLiteral("Portable Bitmap (PBM) (*.pbm)"),
                           QStringLiteral("JPEG2000 (JP2) (*.jp2)"),
                           QStringLiteral("JPEG2000 Code Stream (J2K) (*.j2k)"),
                       }));
}

TEST(SaveFrames, WritesEveryFrameWithTheResolutionAsksBeforeReplacingAndSkipsMissingFiles)
{
    TempDir work, out;
    FrameStore store(work.root() + QLatin1Char('/'));
    const QString same = QStringLiteral("clip.avi[0.00.10,00]");
    ASSERT_TRUE(store.AppendFrame(makeTestImage(30, 20, 1), same));
    ASSERT_TRUE(store.AppendFrame(makeTestImage(30, 20, 2), QStringLiteral("gone")));
    ASSERT_TRUE(store.AppendFrame(makeTestImage(30, 20, 3), same)); // same position captured twice
    QFile::remove(store.frameFile(1));

    ScriptedPrompts prompts;
    prompts.confirmAnswers.enqueue(false); // keep the first file when the second asks
    fw::imaging::WriteOptions options;
    options.dpi = {300, 300};
    QList<int> progress;
    int steps = 0;
    const SavePlan plan = planSave(out.path(same + QStringLiteral(".bmp")), 4, same);
    const int written = saveFrames(store, plan, options, prompts, nullptr,
                                   {[&] { ++steps; }, [&](int i) { progress << i; }});
    EXPECT_EQ(written, 1);
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(progress, (QList<int>{0, 1, 2}));
    const QString target = out.path(same + QStringLiteral(".bmp"));
    EXPECT_EQ(prompts.texts(QStringLiteral("confirm")), QStringList{replaceQuestion(target)});
    EXPECT_EQ(QDir(out.root()).entryList(QDir::Files), QStringList{same + QStringLiteral(".bmp")});
    const auto saved = fw::imaging::readImageFile(target);
    EXPECT_TRUE(samePixels(saved.image, makeTestImage(30, 20, 1)));
    EXPECT_NEAR(saved.dpi.x, 300, 0.05);

    // Saving again asks for both frames: No keeps the file, Yes replaces it with the later frame.
    prompts.confirmAnswers.enqueue(false);
    prompts.confirmAnswers.enqueue(true);
    EXPECT_EQ(saveFrames(store, plan, options, prompts, nullptr), 1);
    EXPECT_TRUE(samePixels(fw::imaging::readImageFile(target).image, makeTestImage(30, 20, 3)));
}

TEST(SaveFrames, NumberedJpegsRecordTheResolutionForOtherReaders)
{
    TempDir work, out;
    FrameStore store(work.root() + QLatin1Char('/'));
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(store.AppendFrame(makeTestImage(16, 12, unsigned(i)), QStringLiteral("f%1").arg(i)));
    ScriptedPrompts prompts;
    fw::imaging::WriteOptions options;
    options.dpi = {300, 300};
    const SavePlan plan = planSave(out.path(QStringLiteral("holiday")), 4, QStringLiteral("f0"));
    ASSERT_EQ(saveFrames(store, plan, options, prompts, nullptr), 2);
    for (const char* name : {"holiday[1].bmp", "holiday[2].bmp"}) {
        const IdentifyResult id = identify(out.path(QLatin1String(name)));
        ASSERT_TRUE(id.ok) << name;
        EXPECT_NEAR(id.dpiX(), 300, 0.5) << name;
        EXPECT_NEAR(id.dpiY(), 300, 0.5) << name;
    }
}

TEST(SaveFrames, AWriteFailureStopsWithAnErrorNamingTheFile)
{
    TempDir work, out;
    FrameStore store(work.root() + QLatin1Char('/'));
    ASSERT_TRUE(store.AppendFrame(makeTestImage(8, 8), QStringLiteral("a")));
    ASSERT_TRUE(store.AppendFrame(makeTestImage(8, 8), QStringLiteral("b")));
    ScriptedPrompts prompts;
    const SavePlan plan = planSave(out.path(QStringLiteral("missing-folder/x.bmp")), 4, QStringLiteral("a"));
    EXPECT_EQ(saveFrames(store, plan, {}, prompts, nullptr), 0);
    const QStringList errors = prompts.texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("x[1].bmp"))) << errors[0].toStdString();
}
