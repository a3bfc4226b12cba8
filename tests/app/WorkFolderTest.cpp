#include "app/WorkFolder.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace fw::app;
using namespace fw::test;

namespace {

void touch(const QString& path, const QByteArray& content = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_TRUE(writeAll(path, content)) << path.toStdString();
}

} // namespace

TEST(WorkFolder, CreatesTheDocumentsFolderWhenMissingAndReusesALeftOverFolder)
{
    TempDir home;
    const QString documents = home.path(QStringLiteral("Documents"));
    {
        WorkFolder folder;
        ASSERT_TRUE(folder.setUp(documents));
        EXPECT_EQ(folder.path(), QDir(documents).absolutePath() + QStringLiteral("/orbek/"));
        EXPECT_TRUE(QFileInfo(folder.path()).isDir());
        touch(folder.path() + QStringLiteral("0.orbek"));
        // Destroyed without remove(): like a program that ended abnormally.
    }
    WorkFolder again;
    ASSERT_TRUE(again.setUp(documents));
    EXPECT_EQ(again.path(), QDir(documents).absolutePath() + QStringLiteral("/orbek/"));
    EXPECT_TRUE(QFile::exists(again.path() + QStringLiteral("0.orbek")));
}

TEST(WorkFolder, TwoInstancesNeverShareAFolderAndClosingOneKeepsTheOthersFrames)
{
    TempDir home;
    WorkFolder first, second;
    ASSERT_TRUE(first.setUp(home.root()));
    ASSERT_TRUE(second.setUp(home.root()));
    EXPECT_NE(first.path(), second.path());
    EXPECT_TRUE(second.path().endsWith(QStringLiteral("/orbek-2/")));
    touch(first.path() + QStringLiteral("0.orbek"), "first");
    touch(second.path() + QStringLiteral("0.orbek"), "second");
    first.remove({});
    EXPECT_FALSE(QFileInfo::exists(home.path(QStringLiteral("orbek"))));
    EXPECT_EQ(readAll(second.path() + QStringLiteral("0.orbek")), QByteArray("second"));
    // With the first folder free again, a new instance takes it back.
    WorkFolder third;
    ASSERT_TRUE(third.setUp(home.root()));
    EXPECT_TRUE(third.path().endsWith(QStringLiteral("/orbek/")));
}

TEST(WorkFolder, RemovalNeverRunsWithoutASetUpFolder)
{
    TempDir home;
    touch(home.path(QStringLiteral("keep.txt")));
    WorkFolder never;
    int reports = 0;
    never.remove([&](const QString&) { ++reports; });
    EXPECT_TRUE(QFile::exists(home.path(QStringLiteral("keep.txt"))));
    EXPECT_EQ(reports, 0);
    // A documents folder that cannot be created: no working folder.
    touch(home.path(QStringLiteral("file")));
    WorkFolder blocked;
    EXPECT_FALSE(blocked.setUp(home.path(QStringLiteral("file/Documents"))));
    EXPECT_TRUE(blocked.path().isEmpty());
}

TEST(RemoveFolderTree, RemovesEverythingInsideButNeverFollowsLinksOut)
{
    TempDir root;
    const QString outside = root.path(QStringLiteral("outside"));
    touch(outside + QStringLiteral("/precious.txt"));
    const QString work = root.path(QStringLiteral("orbek"));
    touch(work + QStringLiteral("/0.orbek"));
    touch(work + QStringLiteral("/.hidden"));
    touch(work + QStringLiteral("/sub/deeper/g1.orbek"));
    const QString readOnly = work + QStringLiteral("/readonly.orbek");
    touch(readOnly);
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
    ASSERT_TRUE(QFile::link(outside, work + QStringLiteral("/link-to-dir")));
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("/precious.txt"), work + QStringLiteral("/link-to-file")));
    ASSERT_TRUE(QFile::link(root.path(QStringLiteral("nowhere")), work + QStringLiteral("/dangling")));

    int beeps = 0;
    QStringList reported;
    EXPECT_TRUE(removeFolderTree(work + QLatin1Char('/'),
                                 {{}, [&](const QString& p) { reported << p; }, [&] { ++beeps; }}));
    EXPECT_FALSE(QFileInfo::exists(work));
    EXPECT_TRUE(reported.isEmpty()) << reported.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(beeps, 3); // orbek, sub, deeper
    EXPECT_TRUE(QFile::exists(outside + QStringLiteral("/precious.txt")));
}

TEST(RemoveFolderTree, AFileThatStaysIsReportedAndTheRestGoes)
{
    TempDir root;
    const QString work = root.path(QStringLiteral("orbek"));
    touch(work + QStringLiteral("/0.orbek"));
    touch(work + QStringLiteral("/1.orbek"));
    touch(work + QStringLiteral("/2.orbek"));
    QStringList reported;
    removeFolderTree(work, {[&](const QString& f) { return f.endsWith(QStringLiteral("/1.orbek")) ? false : QFile::remove(f); },
                            [&](const QString& p) { reported << p; }, {}});
    ASSERT_EQ(reported.size(), 1);
    EXPECT_TRUE(reported.first().endsWith(QStringLiteral("orbek/1.orbek")));
    EXPECT_TRUE(QFile::exists(work + QStringLiteral("/1.orbek")));
    EXPECT_FALSE(QFile::exists(work + QStringLiteral("/0.orbek")));
    EXPECT_FALSE(QFile::exists(work + QStringLiteral("/2.orbek")));
    EXPECT_TRUE(QFileInfo(work).isDir()); // not empty, so it stays
}
