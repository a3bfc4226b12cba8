#pragma once

#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <memory>

namespace fw::ui {
class Prompts;
}
namespace fw::media {
class MediaPlayer;
}

namespace fw::app {

/// What the main window needs from the outside world, passed in so a test can build the
/// window with scripted prompts, a temporary documents folder and recorded shell requests.
struct AppEnvironment {
    ui::Prompts* prompts = nullptr;
    QString documentsFolder;              ///< the working folder goes inside
    QString settingsPath;                 ///< the INI file of the output resolution
    QString helpFile;                     ///< the HTML manual
    std::function<bool(const QUrl&)> openUrl; ///< the desktop's "open with the default program"
    std::function<void()> beep;
    /// Makes the video player window's player; without it there is no player window.
    std::function<std::unique_ptr<media::MediaPlayer>()> makePlayer;
    /// Frame count from an AVI file's stream header (0 when unknown).
    std::function<std::uint32_t(const QString&)> aviFrameCount;
    /// Free bytes on the volume of a folder (negative when unknown); empty: QStorageInfo.
    std::function<qint64(const QString&)> freeBytes;

    /// The real desktop: documents folder, config folder, the manual beside the executable.
    static AppEnvironment desktop(ui::Prompts* prompts);
};

/// The maker's addresses for Help > "E-mail us" and "Web page" and the About window.
inline const QString kSupportAddress = QStringLiteral("support@framewell.example");
inline const QString kWebPage = QStringLiteral("https://framewell.example/");

} // namespace fw::app
