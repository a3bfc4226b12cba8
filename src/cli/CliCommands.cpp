#include "CliCommands.h"

#include "ConvertCommand.h"
#include "EditCommand.h"

namespace fw::cli {

namespace {

const char kUsage[] =
    "usage: framewell-cli COMMAND ...\n"
    "commands:\n"
    "  convert IN OUT [--dpi N] [--quality Q]   convert an image to the format OUT's extension names\n"
    "  edit IN OUT OPERATION [--dpi N]          apply one editing operation (see 'edit --help')\n"
    "  grab VIDEO --in T --out T --every D [--frames] [--format EXT] [--dir DIR] [--dpi N]\n"
    "                                           save frames of a video from IN to OUT, one every D\n";

} // namespace

int runCli(const QStringList& args, QTextStream& out, QTextStream& err, CommandRunner grab)
{
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        (args.isEmpty() ? err : out) << kUsage;
        return args.isEmpty() ? kExitUsage : kExitOk;
    }
    const QString command = args.first();
    const QStringList rest = args.mid(1);
    if (command == QLatin1String("convert"))
        return runConvert(rest, out, err);
    if (command == QLatin1String("edit"))
        return runEdit(rest, out, err);
    if (command == QLatin1String("grab"))
        return grab(rest, out, err);
    err << "framewell-cli: unknown command \"" << command << "\"\n" << kUsage;
    return kExitUsage;
}

} // namespace fw::cli
