#pragma once

#include "video/TformVideo.h"
#include "platform/widgets/ImageView.h"
#include "support/ScriptedPlayer.h"
#include "support/ScriptedPrompts.h"
#include "support/TestImages.h"

#include <QApplication>
#include <QComboBox>
#include <QHash>

#include <memory>

namespace fw::test {

/// A player window on a scripted player and scripted prompts. Frames it adds to the strip,
/// the AVI header counts it reads and the free space it sees are the fixture's.
struct PlayerWindowFixture {
    struct Frame {
        QImage picture;
        QString caption;
    };

    TempDir dir;
    ScriptedPrompts prompts;
    ScriptedPlayer* player = nullptr; ///< owned by the window
    QString videoFileName;
    QList<Frame> frames;
    bool appendSucceeds = true;
    QHash<QString, std::uint32_t> aviCounts;
    qint64 freeBytes = 1'000'000'000'000;
    QStringList freeSpaceFolders;
    std::unique_ptr<Tform_video> window;

    PlayerWindowFixture()
    {
        auto scripted = std::make_unique<ScriptedPlayer>();
        player = scripted.get();
        Tform_video::Services services;
        services.prompts = &prompts;
        services.videoFileName = [this] { return videoFileName; };
        services.appendFrame = [this](const QImage& picture, const QString& caption) {
            if (!appendSucceeds)
                return false;
            frames.append({picture, caption});
            return true;
        };
        services.aviFrameCount = [this](const QString& path) { return aviCounts.value(path, 0); };
        services.freeBytes = [this](const QString& folder) {
            freeSpaceFolders << folder;
            return freeBytes;
        };
        window = std::make_unique<Tform_video>(std::move(scripted), std::move(services));
        window->show();
        QApplication::processEvents();
    }

    QString path(const QString& name) const { return dir.path(name); }

    /// File > Open of a video: the main window sets VideoFileName and calls Open.
    void open(const QString& name, const ScriptedPlayer::Clip& clip)
    {
        player->addFile(path(name), clip);
        videoFileName = path(name);
        window->Open();
        QApplication::processEvents();
    }

    QStringList formatItems() const
    {
        QStringList out;
        for (int i = 0; i < window->VFormatComboBox->count(); ++i)
            out << window->VFormatComboBox->itemText(i);
        return out;
    }
};

} // namespace fw::test
