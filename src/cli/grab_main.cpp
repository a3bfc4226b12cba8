// framewell-cli-grab: the video command of framewell-cli, which starts it for "grab".
// It lives apart so that the image commands start without loading the video libraries.
#include "GrabCommand.h"
#include "platform/imaging/ImageMemory.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    fw::imaging::keepImageMemory();
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return fw::cli::runGrab(args, out, err);
}
