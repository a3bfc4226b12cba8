#include "app/AppEnvironment.h"
#include "app/TForm1.h"
#include "platform/ui/QtPrompts.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Framewell"));
    QApplication::setApplicationDisplayName(QStringLiteral("Framewell"));
    QApplication::setDesktopFileName(QStringLiteral("framewell"));
    fw::ui::QtPrompts prompts;
    TForm1 window(fw::app::AppEnvironment::desktop(&prompts));
    window.show();
    return QApplication::exec();
}
