#include "AppEnvironment.h"

#include "AppSettings.h"
#include "platform/media/MediaPlayer.h"

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
    env.makePlayer = [] { return media::createPlayer(); };
    env.aviFrameCount = [](const QString& path) { return media::aviVideoFrameCount(path); };
    return env;
}

} // namespace fw::app
