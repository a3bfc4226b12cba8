#pragma once

#include <QAbstractListModel>
#include <QCache>
#include <QImage>
#include <QStringList>

#include <vector>

namespace fw::app {

/// The captured frames: one BMP frame file per frame in the working folder
/// (`WorkDir` + number + ".orbek"), a thumbnail and a caption per frame for the strip, and
/// the parallel lists `FrameIds` and `FrameCaptions`. Only thumbnails stay in memory.
///
/// As a list model, row i is strip index i: DisplayRole is the caption, DecorationRole the
/// thumbnail (a QImage of at most 200 x 120). Thumbnails are kept JPEG-compressed (about
/// 6 KB each instead of 96 KB) and decoded on demand through a small cache, so thousands of
/// frames cost little memory. Lives on the user-interface thread.
class FrameStore : public QAbstractListModel {
    Q_OBJECT

public:
    static constexpr int kThumbWidth = 200;
    static constexpr int kThumbHeight = 120;

    /// `workDir` ends with "/"; an empty one means no working folder (nothing can be stored).
    explicit FrameStore(QString workDir, QObject* parent = nullptr);

    /// Adds a frame at the end: writes its frame file, then its thumbnail and caption.
    /// `FrameCounter` advances whether or not the file could be written, so a number is never
    /// used twice. On failure nothing else changes, `error` says why, and false is returned.
    /// `EditIndex` becomes 0.
    bool AppendFrame(const QImage& picture, const QString& caption, QString* error = nullptr);

    int count() const { return int(FrameIds.size()); }
    /// Path of the frame file of strip index i.
    QString frameFile(int index) const;
    bool frameFileExists(int index) const;
    /// Reads the full-size frame of strip index i; a null image when the file is missing or unreadable.
    QImage loadFrame(int index) const;
    /// Rewrites the frame file of strip index i and its thumbnail (the image editor's Apply).
    bool replaceFrame(int index, const QImage& image, QString* error = nullptr);

    /// Deletes the frame file (when it exists; a failure is silent) and the entries of index i.
    void removeAt(int index);
    /// Deletes every frame file and clears the lists; `FrameCounter` keeps its value.
    void removeAll();

    /// The strip's tooltip for a number of frames: "", "1 Image", "N Images".
    static QString countText(int count);

    /// A thumbnail of at most 200 x 120, aspect kept.
    static QImage makeThumbnail(const QImage& image);

    const QString& workDir() const { return workDir_; }

    // The shared state other windows read, under its established names.
    QStringList FrameIds;
    QStringList FrameCaptions;
    int FrameCounter = 0;
    int EditIndex = -1;

    // QAbstractListModel
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    /// Bytes held for all thumbnails (for the benchmark of memory per frame).
    qint64 thumbnailBytes() const;

private:
    QImage thumbnailAt(int row) const;

    QString workDir_;
    std::vector<QByteArray> thumbnails_; ///< compressed, parallel to FrameIds
    mutable QCache<QString, QImage> decoded_{64};
};

} // namespace fw::app
