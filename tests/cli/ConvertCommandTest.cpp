#include "cli/CliCommands.h"
#include "platform/imaging/ImageFile.h"
#include "support/ExternalTools.h"
#include "support/TestImages.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace fw::test;

namespace {

struct CliRun {
    int code;
    QString out;
    QString err;
};

CliRun cli(const QStringList& args)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    const int code = fw::cli::runCli(args, o, e);
    o.flush();
    e.flush();
    return {code, out, err};
}

} // namespace

TEST(ConvertCommand, ConvertsWithTheResolutionGivenOrTheDefault)
{
    TempDir dir;
    const QString in = dir.path(QStringLiteral("in.bmp"));
    fw::imaging::writeImageFile(in, makeTestImage(40, 30));
    const struct {
        QStringList extra;
        double dpi;
    } cases[] = {{{}, 100}, {{QStringLiteral("--dpi"), QStringLiteral("250")}, 250}};
    for (const auto& c : cases) {
        const QString out = dir.path(QStringLiteral("out%1.BMP").arg(c.dpi));
        const CliRun r = cli(QStringList{QStringLiteral("convert"), in, out} + c.extra);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.isEmpty());
        const auto loaded = fw::imaging::readImageFile(out);
        EXPECT_TRUE(samePixels(loaded.image, makeTestImage(40, 30)));
        EXPECT_NEAR(loaded.dpi.x, c.dpi, 0.05);
    }
}

TEST(ConvertCommand, BadInputGivesOneLineErrorAndNonZeroExit)
{
    TempDir dir;
    const QString good = dir.path(QStringLiteral("good.bmp"));
    fw::imaging::writeImageFile(good, makeTestImage(4, 4));
    const QString garbage = dir.path(QStringLiteral("garbage.bmp"));
    ASSERT_TRUE(writeAll(garbage, QByteArray("BM this is not a bitmap at all")));
    const struct {
        QStringList args;
        int code;
        const char* message;
    } cases[] = {
        {{QStringLiteral("convert"), dir.path(QStringLiteral("missing.bmp")), dir.path(QStringLiteral("o.bmp"))}, 1, "missing.bmp: cannot open"},
        {{QStringLiteral("convert"), garbage, dir.path(QStringLiteral("o.bmp"))}, 1, "garbage.bmp"},
        {{QStringLiteral("convert"), good, dir.path(QStringLiteral("o.xyz"))}, 2, "unknown or read-only image file type"},
        {{QStringLiteral("convert"), good}, 2, "expected IN and OUT"},
        {{QStringLiteral("convert"), good, dir.path(QStringLiteral("o.bmp")), QStringLiteral("--dpi"), QStringLiteral("zero")}, 2, "invalid --dpi"},
        {{QStringLiteral("convert"), good, dir.path(QStringLiteral("o.bmp")), QStringLiteral("--quality")}, 2, "needs a value"},
        {{QStringLiteral("frobnicate")}, 2, "unknown command"},
    };
    for (const auto& c : cases) {
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.message))) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(dir.path(QStringLiteral("o.bmp"))));
    }
}
