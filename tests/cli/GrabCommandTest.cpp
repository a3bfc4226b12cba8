#include "cli/CliCommands.h"
#include "platform/imaging/ImageFile.h"
#include "support/ExternalTools.h"
#include "support/MediaFixtures.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace fw::test;

namespace {

struct GrabRun {
    int code = -1;
    QString out;
    QString err;
};

GrabRun grab(const QStringList& args)
{
    GrabRun r;
    QTextStream o(&r.out), e(&r.err);
    r.code = fw::cli::runCli(QStringList{QStringLiteral("grab")} + args, o, e);
    o.flush();
    e.flush();
    return r;
}

QString copyFixture(const char* name, const QString& to)
{
    QString error;
    const QString from = mediaFixture(QString::fromLatin1(name), &error);
    EXPECT_FALSE(from.isEmpty()) << error.toStdString();
    QFile::remove(to);
    EXPECT_TRUE(QFile::copy(from, to));
    return to;
}

} // namespace

TEST(GrabCommand, WritesOneNamedFilePerSample)
{
    TempDir dir;
    const QString video = copyFixture("clip.avi", dir.path(QStringLiteral("clip.avi")));
    const QString out = dir.path(QStringLiteral("shots"));
    const struct {
        QStringList args;
        QStringList names;
    } cases[] = {
        {{QStringLiteral("--in"), QStringLiteral("1"), QStringLiteral("--out"), QStringLiteral("2"), QStringLiteral("--every"), QStringLiteral("0.5")},
         {QStringLiteral("clip_avi[0.00.01,00].png"), QStringLiteral("clip_avi[0.00.01,50].png"), QStringLiteral("clip_avi[0.00.02,00].png")}},
        // OUT need not fall on a sample; H:MM:SS.ss times; another format.
        {{QStringLiteral("--in"), QStringLiteral("0:00:00.25"), QStringLiteral("--out"), QStringLiteral("0:00:03.9"), QStringLiteral("--every"),
          QStringLiteral("1.5"), QStringLiteral("--format"), QStringLiteral("bmp")},
         {QStringLiteral("clip_avi[0.00.00,25].bmp"), QStringLiteral("clip_avi[0.00.01,75].bmp"), QStringLiteral("clip_avi[0.00.03,25].bmp")}},
        // IN equal to OUT: one sample.
        {{QStringLiteral("--in"), QStringLiteral("3.1"), QStringLiteral("--out"), QStringLiteral("3.1"), QStringLiteral("--every"), QStringLiteral("1"),
          QStringLiteral("--format"), QStringLiteral("jpg")},
         {QStringLiteral("clip_avi[0.00.03,10].jpg")}},
        // Frame numbers: 100 frames in 4 s, so frame n is at n * 0.04 s and is stamped n.
        {{QStringLiteral("--frames"), QStringLiteral("--in"), QStringLiteral("10"), QStringLiteral("--out"), QStringLiteral("30"), QStringLiteral("--every"),
          QStringLiteral("10")},
         {QStringLiteral("clip_avi[10].png"), QStringLiteral("clip_avi[20].png"), QStringLiteral("clip_avi[30].png")}},
    };
    for (const auto& c : cases) {
        QDir(out).removeRecursively();
        const GrabRun r = grab(QStringList{video, QStringLiteral("--dir"), out} + c.args);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        QStringList printed = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QStringList expectedPaths;
        for (const QString& n : c.names)
            expectedPaths << QDir(out).filePath(n);
        EXPECT_EQ(printed, expectedPaths);
        EXPECT_EQ(QDir(out).entryList(QDir::Files, QDir::Name), c.names);
        for (const QString& p : expectedPaths) {
            const auto loaded = fw::imaging::readImageFile(p);
            EXPECT_EQ(loaded.image.size(), QSize(160, 120)) << p.toStdString();
        }
    }
    // The same range again replaces the files without asking.
    const GrabRun again = grab({video, QStringLiteral("--dir"), out, QStringLiteral("--frames"), QStringLiteral("--in"), QStringLiteral("10"),
                            QStringLiteral("--out"), QStringLiteral("30"), QStringLiteral("--every"), QStringLiteral("10")});
    EXPECT_EQ(again.code, 0);
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 3);
}

TEST(GrabCommand, SamplesAreTheFramesAtTheirPositions)
{
    TempDir dir;
    const QString video = copyFixture("bframes.mp4", dir.path(QStringLiteral("b.mp4")));
    const ReferenceFrames ref = referenceFrames(video);
    ASSERT_TRUE(ref.ok()) << ref.error.toStdString();
    const GrabRun r = grab({video, QStringLiteral("--dir"), dir.root(), QStringLiteral("--in"), QStringLiteral("0.5"), QStringLiteral("--out"),
                        QStringLiteral("3.5"), QStringLiteral("--every"), QStringLiteral("0.75")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList paths = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(paths.size(), 5);
    for (int i = 0; i < paths.size(); ++i) {
        const double t = 0.5 + 0.75 * i;
        EXPECT_GT(psnr(fw::imaging::readImageFile(paths[i]).image, ref.image(ref.indexAt(t))), 30.0) << t;
    }
}

TEST(GrabCommand, RefusesBadRangesAndArguments)
{
    TempDir dir;
    const QString video = copyFixture("clip.mpg", dir.path(QStringLiteral("clip.mpg")));
    const QString text = copyFixture("notvideo.avi", dir.path(QStringLiteral("text.avi")));
    auto range = [&](const char* in, const char* out, const char* every) {
        return QStringList{video, QStringLiteral("--dir"), dir.root(), QStringLiteral("--in"), QString::fromLatin1(in),
                           QStringLiteral("--out"), QString::fromLatin1(out), QStringLiteral("--every"), QString::fromLatin1(every)};
    };
    const struct {
        QStringList args;
        int code;
        const char* message;
    } cases[] = {
        {range("2", "1", "1"), 2, "Define position correctly."},
        {range("0", "4.5", "1"), 2, "Define position correctly."},
        {range("5", "5", "1"), 2, "Define position correctly."},
        {range("0", "1", "0.00000001"), 2, "Define position correctly."}, // truncates to 0
        {range("0", "1", "0"), 2, "Define position correctly."},
        {range("a", "1", "1"), 2, "invalid time"},
        {range("1:2:3:4", "1", "1"), 2, "invalid time"},
        {range("-1", "1", "1"), 2, "invalid time"},
        {range("0", "1", "1") << QStringLiteral("--format") << QStringLiteral("xyz"), 2, "cannot write \"xyz\""},
        {range("0", "1.5", "1") << QStringLiteral("--frames"), 2, "frame numbers"},
        {range("0", "1", "1") << QStringLiteral("--bogus"), 2, "unknown option"},
        {{video, QStringLiteral("--in"), QStringLiteral("1")}, 2, "are required"},
        {{QStringLiteral("--in"), QStringLiteral("1"), QStringLiteral("--out"), QStringLiteral("1"), QStringLiteral("--every"), QStringLiteral("1")}, 2, "expected one VIDEO"},
        {QStringList{text} + range("0", "0", "1").mid(1), 1, "text.avi"},
        {QStringList{dir.path(QStringLiteral("none.avi"))} + range("0", "0", "1").mid(1), 1, "does not exist"},
    };
    for (const auto& c : cases) {
        const GrabRun r = grab(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(QLatin1Char(' ')).toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.message))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
    // Nothing was written by the refused runs.
    EXPECT_TRUE(QDir(dir.root()).entryList({QStringLiteral("*.png")}, QDir::Files).isEmpty());
}

// The installed command: framewell-cli starts its video tool for "grab", passing the
// arguments, the output and the exit code through.
TEST(GrabCommand, TheCommandLineProgramRunsGrabThroughItsVideoTool)
{
    TempDir dir;
    const QString video = copyFixture("clip.avi", dir.path(QStringLiteral("clip.avi")));
    const ToolResult ok = runTool(QStringLiteral(FW_CLI_PATH), {QStringLiteral("grab"), video, QStringLiteral("--dir"), dir.root(),
                                                                 QStringLiteral("--in"), QStringLiteral("0"), QStringLiteral("--out"),
                                                                 QStringLiteral("1"), QStringLiteral("--every"), QStringLiteral("0.5")});
    EXPECT_EQ(ok.exitCode, 0) << ok.err.toStdString();
    EXPECT_EQ(ok.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), 3);
    EXPECT_EQ(QDir(dir.root()).entryList({QStringLiteral("*.png")}, QDir::Files).size(), 3);

    const ToolResult bad = runTool(QStringLiteral(FW_CLI_PATH), {QStringLiteral("grab"), video, QStringLiteral("--in"), QStringLiteral("2"),
                                                                  QStringLiteral("--out"), QStringLiteral("1"), QStringLiteral("--every"),
                                                                  QStringLiteral("1")});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("Define position correctly."))) << bad.err.toStdString();
}
