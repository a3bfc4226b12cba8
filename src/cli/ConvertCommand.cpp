#include "ConvertCommand.h"

#include "CliCommands.h"
#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"

namespace fw::cli {

using namespace fw::imaging;

namespace {

bool parseInt(const QString& text, int min, int max, int& value)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max)
        return false;
    value = v;
    return true;
}

} // namespace

int runConvert(const QStringList& args, QTextStream& /*out*/, QTextStream& err)
{
    QStringList files;
    int dpi = 100;
    int quality = -1;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--dpi") || a == QLatin1String("--quality")) {
            if (i + 1 >= args.size()) {
                err << "framewell-cli convert: " << a << " needs a value\n";
                return kExitUsage;
            }
            const QString value = args[++i];
            const bool isDpi = a == QLatin1String("--dpi");
            if (!parseInt(value, 1, isDpi ? 100000 : 100, isDpi ? dpi : quality)) {
                err << "framewell-cli convert: invalid " << a << " value \"" << value << "\" (expected "
                    << (isDpi ? "1 to 100000" : "1 to 100") << ")\n";
                return kExitUsage;
            }
        } else if (a.startsWith(QLatin1String("--"))) {
            err << "framewell-cli convert: unknown option \"" << a << "\"\n";
            return kExitUsage;
        } else {
            files << a;
        }
    }
    if (files.size() != 2) {
        err << "framewell-cli convert: expected IN and OUT (usage: convert IN OUT [--dpi N] [--quality Q])\n";
        return kExitUsage;
    }

    const QString& outPath = files[1];
    const ImageFormat format = formatForPath(outPath);
    if (format == ImageFormat::Unknown || !canWrite(format)) {
        err << "framewell-cli convert: cannot write \"" << outPath << "\": unknown or read-only image file type\n";
        return kExitUsage;
    }

    WriteOptions options;
    options.dpi = Resolution{double(dpi), double(dpi)};
    if (quality > 0) {
        options.jpeg.quality = quality;
        options.tiff.jpegQuality = quality;
        options.pdf.jpegQuality = quality;
    }
    try {
        const LoadedImage loaded = readImageFile(files[0]);
        writeImageFile(outPath, loaded.image, format, options);
    } catch (const ImageError& e) {
        err << "framewell-cli convert: " << e.what() << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace fw::cli
