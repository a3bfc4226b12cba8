#include "AppSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace fw::app {

namespace {
const QString kKey = QStringLiteral("Options/Resolution");
}

AppSettings::AppSettings(QString iniPath) : path_(std::move(iniPath)) {}

QString AppSettings::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Orbek/Framewell/7.6.ini");
}

int parseIntOr(const QString& text, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : fallback;
}

int AppSettings::readResolution() const
{
    const QSettings settings(path_, QSettings::IniFormat);
    const QVariant value = settings.value(kKey);
    if (!value.isValid())
        return kDefaultResolution;
    // INI files hold text: an integer written by us and a number typed by hand read alike.
    return parseIntOr(value.toString(), kDefaultResolution);
}

bool AppSettings::writeResolution(int dpi) const
{
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSettings settings(path_, QSettings::IniFormat);
    settings.setValue(kKey, dpi);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace fw::app
