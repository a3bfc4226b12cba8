#include "CliCommands.h"
#include "GrabCommand.h"

namespace fw::cli {

int runCli(const QStringList& args, QTextStream& out, QTextStream& err)
{
    return runCli(args, out, err, runGrab);
}

} // namespace fw::cli
