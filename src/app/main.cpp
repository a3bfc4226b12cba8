#include "app/AppEnvironment.h"
#include "app/TForm1.h"
#include "platform/imaging/ImageMemory.h"
#include "platform/ui/QtPrompts.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>

int main(int argc, char* argv[])
{
    fw::imaging::keepImageMemory(); // every preview reads a frame and makes one result
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Framewell"));
    QApplication::setApplicationDisplayName(QStringLiteral("Framewell"));
    QApplication::setDesktopFileName(QStringLiteral("framewell"));
    fw::ui::QtPrompts prompts;
    TForm1 window(fw::app::AppEnvironment::desktop(&prompts));
    // Centred on the screen at start.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    // A file named on the command line opens as if chosen with File > Open.
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        const QString path = QFileInfo(args.at(1)).absoluteFilePath();
        QTimer::singleShot(0, &window, [&window, path] { window.OpenPath(path); });
    }
    return QApplication::exec();
}
