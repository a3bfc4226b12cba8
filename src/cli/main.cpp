#include "CliCommands.h"
#include "platform/imaging/ImageMemory.h"

#include <QCoreApplication>


int main(int argc, char* argv[])
{
    fw::imaging::keepImageMemory();
    // QImage needs no display: a core application is enough and starts instantly.
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return fw::cli::runCli(args, out, err);
}
