#include "CliCommands.h"
#include "platform/imaging/ImageMemory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include <vector>

namespace {

/// Replaces this process by the video tool beside the executable, with the same arguments.
int startGrabTool(const QStringList& args, QTextStream& out, QTextStream& err)
{
    const QString tool = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("framewell-cli-grab"));
    std::vector<QByteArray> bytes{QFile::encodeName(tool)};
    for (const QString& a : args)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    out.flush();
    err.flush();
    execv(argv[0], argv.data());
    err << "framewell-cli: grab: cannot start " << QDir::toNativeSeparators(tool) << ": " << std::strerror(errno) << "\n";
    return fw::cli::kExitFailure;
}

} // namespace

int main(int argc, char* argv[])
{
    fw::imaging::keepImageMemory();
    // QImage needs no display: a core application is enough and starts instantly.
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return fw::cli::runCli(args, out, err, startGrabTool);
}
