#include "app/FrameStore.h"
#include "platform/imaging/ImageFile.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace fw::app;
using namespace fw::test;

namespace {

QString workDirIn(const TempDir& dir) { return dir.root() + QLatin1Char('/'); }

} // namespace

TEST(FrameStore, AppendWritesABitmapFrameFileAndKeepsTheListsParallel)
{
    TempDir dir;
    FrameStore store(workDirIn(dir));
    const QImage frame = makeTestImage(640, 360);
    ASSERT_TRUE(store.AppendFrame(frame, QStringLiteral("clip.avi[0.01.23,45]")));
    ASSERT_TRUE(store.AppendFrame(makeTestImage(50, 40, 2), QStringLiteral("DVD_1")));
    EXPECT_EQ(store.count(), 2);
    EXPECT_EQ(store.FrameIds, (QStringList{QStringLiteral("0"), QStringLiteral("1")}));
    EXPECT_EQ(store.FrameCaptions, (QStringList{QStringLiteral("clip.avi[0.01.23,45]"), QStringLiteral("DVD_1")}));
    EXPECT_EQ(store.FrameCounter, 2);
    EXPECT_EQ(store.EditIndex, 0);
    EXPECT_EQ(store.frameFile(0), workDirIn(dir) + QStringLiteral("0.orbek"));
    const QByteArray bytes = readAll(store.frameFile(0));
    ASSERT_GE(bytes.size(), 2);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_TRUE(samePixels(store.loadFrame(0), frame));
    // The strip holds thumbnails of at most 200 x 120 with the captions.
    const QImage thumb = store.data(store.index(0), Qt::DecorationRole).value<QImage>();
    EXPECT_EQ(thumb.size(), QSize(200, 112));
    EXPECT_EQ(store.data(store.index(1), Qt::DisplayRole).toString(), QStringLiteral("DVD_1"));
    EXPECT_EQ(store.data(store.index(1), Qt::DecorationRole).value<QImage>().size(), QSize(50, 40));
}

TEST(FrameStore, RemovalKeepsNumbersUniqueAndToleratesMissingFiles)
{
    TempDir dir;
    FrameStore store(workDirIn(dir));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(store.AppendFrame(makeTestImage(8, 8, unsigned(i)), QStringLiteral("f%1").arg(i)));
    store.removeAt(1);
    EXPECT_EQ(store.FrameIds, (QStringList{QStringLiteral("0"), QStringLiteral("2")}));
    EXPECT_EQ(store.FrameCaptions, (QStringList{QStringLiteral("f0"), QStringLiteral("f2")}));
    EXPECT_TRUE(QFile::exists(workDirIn(dir) + QStringLiteral("0.orbek")));
    EXPECT_FALSE(QFile::exists(workDirIn(dir) + QStringLiteral("1.orbek")));
    EXPECT_TRUE(QFile::exists(workDirIn(dir) + QStringLiteral("2.orbek")));
    EXPECT_EQ(FrameStore::countText(store.count()), QStringLiteral("2 Images"));

    // A frame file deleted behind the program's back still leaves cleanly.
    QFile::remove(store.frameFile(0));
    EXPECT_TRUE(store.loadFrame(0).isNull());
    store.removeAt(0);
    EXPECT_EQ(store.FrameIds, QStringList{QStringLiteral("2")});

    store.removeAll();
    EXPECT_EQ(store.count(), 0);
    EXPECT_EQ(store.EditIndex, -1);
    EXPECT_EQ(store.FrameCounter, 3);
    ASSERT_TRUE(store.AppendFrame(makeTestImage(8, 8), QStringLiteral("again")));
    EXPECT_EQ(store.FrameIds, QStringList{QStringLiteral("3")});
    EXPECT_EQ(QDir(dir.root()).entryList(QDir::Files), QStringList{QStringLiteral("3.orbek")});
}

TEST(FrameStore, AFrameFileThatCannotBeWrittenAddsNothingAndSpendsItsNumber)
{
    TempDir dir;
    const QString work = dir.path(QStringLiteral("orbek/"));
    ASSERT_TRUE(QDir().mkpath(work));
    FrameStore store(work);
    ASSERT_TRUE(store.AppendFrame(makeTestImage(8, 8), QStringLiteral("a")));
    ASSERT_TRUE(QDir(work).removeRecursively()); // the folder vanished
    QString error;
    EXPECT_FALSE(store.AppendFrame(makeTestImage(8, 8), QStringLiteral("b"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("1.orbek"))) << error.toStdString();
    EXPECT_EQ(store.count(), 1);
    EXPECT_EQ(store.rowCount(), 1);
    EXPECT_EQ(store.FrameCaptions, QStringList{QStringLiteral("a")});
    EXPECT_EQ(store.FrameCounter, 2);
    ASSERT_TRUE(QDir().mkpath(work));
    ASSERT_TRUE(store.AppendFrame(makeTestImage(8, 8), QStringLiteral("c")));
    EXPECT_EQ(store.FrameIds, (QStringList{QStringLiteral("0"), QStringLiteral("2")}));

    FrameStore nowhere{QString()};
    EXPECT_FALSE(nowhere.AppendFrame(makeTestImage(8, 8), QStringLiteral("x"), &error));
    EXPECT_EQ(nowhere.count(), 0);
}

TEST(FrameStore, ReplaceRewritesTheFileAndTheThumbnail)
{
    TempDir dir;
    FrameStore store(workDirIn(dir));
    ASSERT_TRUE(store.AppendFrame(makeTestImage(400, 300), QStringLiteral("a")));
    int changes = 0;
    QObject::connect(&store, &FrameStore::dataChanged, [&] { ++changes; });
    const QImage edited = makeTestImage(100, 50, 9);
    ASSERT_TRUE(store.replaceFrame(0, edited));
    EXPECT_TRUE(samePixels(store.loadFrame(0), edited));
    EXPECT_EQ(store.data(store.index(0), Qt::DecorationRole).value<QImage>().size(), QSize(100, 50));
    EXPECT_EQ(changes, 1);
}

TEST(FrameStore, CountText)
{
    EXPECT_EQ(FrameStore::countText(0), QString());
    EXPECT_EQ(FrameStore::countText(1), QStringLiteral("1 Image"));
    EXPECT_EQ(FrameStore::countText(2), QStringLiteral("2 Images"));
    EXPECT_EQ(FrameStore::countText(1234), QStringLiteral("1234 Images"));
}
