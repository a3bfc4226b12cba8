#include "EditCommand.h"

#include "CliCommands.h"
#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"
#include "platform/imaging/ops/Colour.h"
#include "platform/imaging/ops/Geometry.h"
#include "platform/imaging/ops/Resample.h"

#include <QColor>
#include <QRect>

#include <functional>
#include <optional>

namespace fw::cli {

using namespace fw::imaging;

namespace {

/// The editor's mid-grey background for custom turns, so the command matches the preview.
const QColor kTurnBackground(128, 128, 128);

const QStringList kFilters = {QStringLiteral("none"),     QStringLiteral("triangle"), QStringLiteral("hermite"),
                              QStringLiteral("bell"),     QStringLiteral("bspline"),  QStringLiteral("lanczos3"),
                              QStringLiteral("mitchell"), QStringLiteral("nearest"),  QStringLiteral("linear"),
                              QStringLiteral("fastlinear")};

/// Parses "a<sep>b<sep>c" into exactly `count` integers within [min, max].
std::optional<QList<int>> parseInts(const QString& text, QChar sep, int count, int min, int max)
{
    const QStringList parts = text.split(sep);
    if (parts.size() != count)
        return std::nullopt;
    QList<int> values;
    for (const QString& p : parts) {
        bool ok = false;
        const int v = p.trimmed().toInt(&ok);
        if (!ok || v < min || v > max)
            return std::nullopt;
        values << v;
    }
    return values;
}

} // namespace

int runEdit(const QStringList& args, QTextStream& out, QTextStream& err)
{
    const QString usage = QStringLiteral(
        "usage: edit IN OUT (--resize WxH [--filter NAME] | --crop L,T,W,H | --rotate DEG [--antialias] | "
        "--flip h|v | --equalize | --negative | --contrast N | --brightness N | --rgb R,G,B | --hsv H,S,V | "
        "--hsl H,S,L) [--dpi N] [--quality Q]");
    auto bad = [&](const QString& why) {
        err << "framewell-cli edit: " << why << "\n" << usage << "\n";
        return kExitUsage;
    };

    if (args.contains(QStringLiteral("--help"))) {
        out << usage << "\n";
        return kExitOk;
    }
    QStringList files;
    std::function<QImage(const QImage&)> operation;
    int operations = 0;
    int dpi = 100, quality = -1;
    bool antialias = false;
    ResampleFilter filter = ResampleFilter::None;
    std::optional<int> rotate;

    for (int i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        const bool needsValue = QStringList{QStringLiteral("--resize"), QStringLiteral("--filter"), QStringLiteral("--crop"),
                                            QStringLiteral("--rotate"), QStringLiteral("--flip"), QStringLiteral("--contrast"),
                                            QStringLiteral("--brightness"), QStringLiteral("--rgb"), QStringLiteral("--hsv"),
                                            QStringLiteral("--hsl"), QStringLiteral("--dpi"), QStringLiteral("--quality")}
                                    .contains(a);
        if (needsValue && i + 1 >= args.size())
            return bad(a + QStringLiteral(" needs a value"));
        const QString v = needsValue ? args[++i] : QString();
        auto ints = [&](int count, int min, int max, QChar sep = QLatin1Char(',')) { return parseInts(v, sep, count, min, max); };
        if (a == QLatin1String("--resize")) {
            const auto wh = ints(2, 0, 100000, QLatin1Char('x'));
            if (!wh)
                return bad(QStringLiteral("invalid --resize \"") + v + QStringLiteral("\" (expected WxH, 0 keeps a side)"));
            const int w = (*wh)[0], h = (*wh)[1];
            operation = [w, h, &filter](const QImage& img) { return resample(img, w, h, filter); };
            ++operations;
        } else if (a == QLatin1String("--filter")) {
            const int index = int(kFilters.indexOf(v.toLower()));
            if (index < 0)
                return bad(QStringLiteral("unknown filter \"") + v + QStringLiteral("\" (") + kFilters.join(QLatin1Char('|')) + QLatin1Char(')'));
            filter = ResampleFilter(index);
        } else if (a == QLatin1String("--crop")) {
            const auto r = ints(4, 0, 100000);
            if (!r)
                return bad(QStringLiteral("invalid --crop \"") + v + QStringLiteral("\" (expected L,T,W,H)"));
            const QRect rect((*r)[0], (*r)[1], (*r)[2], (*r)[3]);
            operation = [rect](const QImage& img) { return rect.isEmpty() ? img : crop(img, rect); };
            ++operations;
        } else if (a == QLatin1String("--rotate")) {
            const auto d = ints(1, -100000, 100000);
            if (!d)
                return bad(QStringLiteral("invalid --rotate \"") + v + QLatin1Char('"'));
            rotate = (*d)[0];
            operation = [&rotate, &antialias](const QImage& img) { return turn(img, *rotate, antialias, kTurnBackground); };
            ++operations;
        } else if (a == QLatin1String("--antialias")) {
            antialias = true;
        } else if (a == QLatin1String("--flip")) {
            if (v != QLatin1String("h") && v != QLatin1String("v"))
                return bad(QStringLiteral("invalid --flip \"") + v + QStringLiteral("\" (expected h or v)"));
            const auto dir = v == QLatin1String("h") ? MirrorDirection::LeftRight : MirrorDirection::TopBottom;
            operation = [dir](const QImage& img) { return mirror(img, dir); };
            ++operations;
        } else if (a == QLatin1String("--equalize")) {
            operation = [](const QImage& img) { return equalize(img); };
            ++operations;
        } else if (a == QLatin1String("--negative")) {
            operation = [](const QImage& img) { return negative(img); };
            ++operations;
        } else if (a == QLatin1String("--contrast")) {
            const auto n = ints(1, -100, 100);
            if (!n)
                return bad(QStringLiteral("invalid --contrast \"") + v + QStringLiteral("\" (expected -100 to 100)"));
            const int amount = (*n)[0];
            operation = [amount](const QImage& img) { return contrast(img, amount); };
            ++operations;
        } else if (a == QLatin1String("--brightness") || a == QLatin1String("--rgb")) {
            const bool one = a == QLatin1String("--brightness");
            const auto n = ints(one ? 1 : 3, -255, 255);
            if (!n)
                return bad(QStringLiteral("invalid ") + a + QStringLiteral(" \"") + v + QStringLiteral("\" (values -255 to 255)"));
            const QList<int> c = one ? QList<int>{(*n)[0], (*n)[0], (*n)[0]} : *n;
            operation = [c](const QImage& img) { return addToChannels(img, c[0], c[1], c[2]); };
            ++operations;
        } else if (a == QLatin1String("--hsv") || a == QLatin1String("--hsl")) {
            const auto n = ints(3, -360, 360);
            if (!n || (*n)[1] < -100 || (*n)[1] > 100 || (*n)[2] < -100 || (*n)[2] > 100)
                return bad(QStringLiteral("invalid ") + a + QStringLiteral(" \"") + v
                           + QStringLiteral("\" (hue -180 to 180, the others -100 to 100)"));
            const QList<int> c = *n;
            if (a == QLatin1String("--hsv"))
                operation = [c](const QImage& img) { return hsvShift(img, c[0], c[1], c[2]); };
            else
                operation = [c](const QImage& img) { return hslShift(img, c[0], c[1], c[2]); };
            ++operations;
        } else if (a == QLatin1String("--dpi") || a == QLatin1String("--quality")) {
            const bool isDpi = a == QLatin1String("--dpi");
            const auto n = ints(1, 1, isDpi ? 100000 : 100);
            if (!n)
                return bad(QStringLiteral("invalid ") + a + QStringLiteral(" \"") + v + QLatin1Char('"'));
            (isDpi ? dpi : quality) = (*n)[0];
        } else if (a.startsWith(QLatin1String("--"))) {
            return bad(QStringLiteral("unknown option \"") + a + QLatin1Char('"'));
        } else {
            files << a;
        }
    }
    if (files.size() != 2)
        return bad(QStringLiteral("expected IN and OUT"));
    if (operations != 1)
        return bad(operations == 0 ? QStringLiteral("no operation given") : QStringLiteral("give exactly one operation"));
    const ImageFormat format = formatForPath(files[1]);
    if (!canWrite(format))
        return bad(QStringLiteral("cannot write \"") + files[1] + QStringLiteral("\": unknown or read-only image file type"));

    WriteOptions options;
    options.dpi = {double(dpi), double(dpi)};
    if (quality > 0)
        options.jpeg.quality = options.tiff.jpegQuality = options.pdf.jpegQuality = quality;
    try {
        const QImage result = operation(readImageFile(files[0]).image);
        writeImageFile(files[1], result, format, options);
    } catch (const ImageError& e) {
        err << "framewell-cli edit: " << e.what() << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace fw::cli
