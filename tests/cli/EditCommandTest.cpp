#include "cli/CliCommands.h"
#include "platform/imaging/ImageFile.h"
#include "platform/imaging/ops/Colour.h"
#include "platform/imaging/ops/Geometry.h"
#include "platform/imaging/ops/Resample.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace fw::test;
using namespace fw::imaging;

namespace {

int cli(const QStringList& args, QString* errText = nullptr)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    const int code = fw::cli::runCli(args, o, e);
    e.flush();
    if (errText)
        *errText = err;
    return code;
}

} // namespace

TEST(EditCommand, EachOperationGivesWhatTheLibraryFunctionGives)
{
    TempDir dir;
    const QImage source = makeTestImage(64, 48);
    const QString in = dir.path(QStringLiteral("in.bmp"));
    writeImageFile(in, source);
    const struct {
        QStringList op;
        QImage expected;
    } cases[] = {
        {{QStringLiteral("--resize"), QStringLiteral("32x0"), QStringLiteral("--filter"), QStringLiteral("lanczos3")},
         resample(source, 32, 0, ResampleFilter::Lanczos3)},
        {{QStringLiteral("--resize"), QStringLiteral("100x30")}, resample(source, 100, 30, ResampleFilter::None)},
        {{QStringLiteral("--crop"), QStringLiteral("10,20,100,50")}, crop(source, QRect(10, 20, 100, 50))},
        {{QStringLiteral("--rotate"), QStringLiteral("-90")}, turn(source, 270, false, QColor(128, 128, 128))},
        {{QStringLiteral("--rotate"), QStringLiteral("30"), QStringLiteral("--antialias")}, turn(source, 30, true, QColor(128, 128, 128))},
        {{QStringLiteral("--flip"), QStringLiteral("v")}, mirror(source, MirrorDirection::TopBottom)},
        {{QStringLiteral("--equalize")}, equalize(source)},
        {{QStringLiteral("--negative")}, negative(source)},
        {{QStringLiteral("--contrast"), QStringLiteral("40")}, contrast(source, 40)},
        {{QStringLiteral("--brightness"), QStringLiteral("-30")}, addToChannels(source, -30, -30, -30)},
        {{QStringLiteral("--rgb"), QStringLiteral("-255,0,12")}, addToChannels(source, -255, 0, 12)},
        {{QStringLiteral("--hsv"), QStringLiteral("180,-20,10")}, hsvShift(source, 180, -20, 10)},
        {{QStringLiteral("--hsl"), QStringLiteral("-45,30,-10")}, hslShift(source, -45, 30, -10)},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString out = dir.path(QStringLiteral("out%1.png").arg(n++));
        QString err;
        ASSERT_EQ(cli(QStringList{QStringLiteral("edit"), in, out} + c.op, &err), 0) << err.toStdString();
        EXPECT_TRUE(samePixels(readImageFile(out).image, c.expected)) << c.op.join(QLatin1Char(' ')).toStdString();
    }
}

TEST(EditCommand, RefusesBadOperationsClearly)
{
    TempDir dir;
    const QString in = dir.path(QStringLiteral("in.bmp"));
    writeImageFile(in, makeTestImage(8, 8));
    const QString out = dir.path(QStringLiteral("o.bmp"));
    const struct {
        QStringList args;
        int code;
        const char* message;
    } cases[] = {
        {{in, out}, 2, "no operation given"},
        {{in, out, QStringLiteral("--negative"), QStringLiteral("--equalize")}, 2, "exactly one operation"},
        {{in, out, QStringLiteral("--resize"), QStringLiteral("12")}, 2, "invalid --resize"},
        {{in, out, QStringLiteral("--resize"), QStringLiteral("2x2"), QStringLiteral("--filter"), QStringLiteral("sinc")}, 2, "unknown filter"},
        {{in, out, QStringLiteral("--contrast"), QStringLiteral("101")}, 2, "invalid --contrast"},
        {{in, out, QStringLiteral("--rgb"), QStringLiteral("1,2")}, 2, "invalid --rgb"},
        {{in, out, QStringLiteral("--hsv"), QStringLiteral("0,200,0")}, 2, "invalid --hsv"},
        {{in, out, QStringLiteral("--flip"), QStringLiteral("x")}, 2, "invalid --flip"},
        {{in, out, QStringLiteral("--crop")}, 2, "needs a value"},
        {{dir.path(QStringLiteral("none.bmp")), out, QStringLiteral("--negative")}, 1, "none.bmp"},
    };
    for (const auto& c : cases) {
        QString err;
        EXPECT_EQ(cli(QStringList{QStringLiteral("edit")} + c.args, &err), c.code) << c.message;
        EXPECT_TRUE(err.contains(QLatin1String(c.message))) << err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(out));
}
