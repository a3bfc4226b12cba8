#pragma once

#include <QString>

#include <functional>
#include <memory>

class QLockFile;

namespace fw::app {

/// The per-user working folder that holds the frame files and project image files while the
/// program runs: "orbek" inside the documents folder.
///
/// Each running instance owns its folder through a lock file inside it, so two instances
/// never write over or delete each other's frames: the second one uses "orbek-2" (then "-3",
/// ...). A folder left by an instance that ended abnormally has a stale lock and is reused.
class WorkFolder {
public:
    WorkFolder();
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    /// Creates (documents folder included, when missing) and locks the working folder.
    /// Returns false when no folder could be created or locked; path() then stays empty.
    bool setUp(const QString& documentsFolder);

    /// The folder with a trailing "/", or empty when not set up.
    const QString& path() const { return path_; }

    /// Unlocks and removes the folder with everything in it (RemoveFolderTree). Does nothing
    /// when the folder was never set up. `cannotDelete` is told each file that stays.
    void remove(const std::function<void(const QString& path)>& cannotDelete,
                const std::function<void()>& beep = {});

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

/// Hooks for removeFolderTree; the defaults act on the real file system.
struct FolderTreeOps {
    std::function<bool(const QString& file)> removeFile;
    std::function<void(const QString& file)> cannotDelete;
    std::function<void()> beep;
};

/// Deletes every entry of `folder` (hidden and read-only ones included), descending into
/// subfolders, then the folder itself; returns true. Symbolic links are removed as links and
/// never followed, so nothing outside the folder is touched. A file that cannot be deleted is
/// reported through `ops.cannotDelete` and the rest goes on; a folder that stays non-empty is
/// left in place silently. `ops.beep` sounds once per folder processed.
bool removeFolderTree(const QString& folder, const FolderTreeOps& ops = {});

} // namespace fw::app
