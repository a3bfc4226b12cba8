#include "WorkFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

namespace fw::app {

namespace {
const QString kLockName = QStringLiteral(".framewell.lock");
constexpr int kMaxInstances = 100;
} // namespace

WorkFolder::WorkFolder() = default;

WorkFolder::~WorkFolder() = default;

bool WorkFolder::setUp(const QString& documentsFolder)
{
    path_.clear();
    // Minimal desktops may lack a documents folder: create it rather than refuse to start.
    if (documentsFolder.isEmpty() || !QDir().mkpath(documentsFolder))
        return false;
    for (int n = 1; n <= kMaxInstances; ++n) {
        const QString name = n == 1 ? QStringLiteral("orbek") : QStringLiteral("orbek-%1").arg(n);
        const QString folder = QDir(documentsFolder).filePath(name);
        if (!QDir().mkpath(folder))
            return false;
        auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(kLockName));
        lock->setStaleLockTime(0); // only a lock whose process is gone is stale
        if (lock->tryLock(0)) {
            lock_ = std::move(lock);
            path_ = QDir(folder).absolutePath() + QLatin1Char('/');
            return true;
        }
        if (lock->error() != QLockFile::LockFailedError)
            return false; // cannot write in the folder
    }
    return false;
}

void WorkFolder::remove(const std::function<void(const QString&)>& cannotDelete, const std::function<void()>& beep)
{
    if (path_.isEmpty())
        return;
    if (lock_)
        lock_->unlock();
    lock_.reset();
    removeFolderTree(path_, {{}, cannotDelete, beep});
}

bool removeFolderTree(const QString& folder, const FolderTreeOps& ops)
{
    QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        const QString full = entry.filePath();
        if (entry.isDir() && !entry.isSymLink()) {
            removeFolderTree(full, ops);
            continue;
        }
        // Clear read-only so the file can go (a link's own permissions do not matter).
        if (!entry.isSymLink() && !entry.isWritable())
            QFile::setPermissions(full, entry.permissions() | QFileDevice::WriteOwner);
        const bool removed = ops.removeFile ? ops.removeFile(full) : QFile::remove(full);
        if (!removed && ops.cannotDelete)
            ops.cannotDelete(full);
    }
    if (ops.beep)
        ops.beep();
    dir.rmdir(dir.absolutePath()); // fails silently when something stayed
    return true;
}

} // namespace fw::app
