#include "AppEnvironment.h"

#include "AppSettings.h"

#include <QApplication>
#include <QDesktopServices>
#include <QStandardPaths>

namespace fw::app {

AppEnvironment AppEnvironment::desktop(ui::Prompts* prompts)
{
    AppEnvironment env;
    env.prompts = prompts;
    env.documentsFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    env.settingsPath = AppSettings::defaultPath();
    env.helpFile = QCoreApplication::applicationDirPath() + QStringLiteral("/help/index.html");
    env.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    env.beep = [] { QApplication::beep(); };
    return env;
}

} // namespace fw::app
