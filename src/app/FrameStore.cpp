#include "FrameStore.h"

#include "platform/imaging/ImageError.h"
#include "platform/imaging/ImageFile.h"

#include <QFile>

namespace fw::app {

using namespace fw::imaging;

namespace {

WriteOptions frameFileOptions()
{
    WriteOptions options;
    options.durable = false; // temporary working files: atomic replacement is enough
    return options;
}

} // namespace

FrameStore::FrameStore(QString workDir, QObject* parent) : QAbstractListModel(parent), workDir_(std::move(workDir)) {}

QString FrameStore::frameFile(int index) const
{
    return workDir_ + FrameIds.at(index) + QStringLiteral(".orbek");
}

bool FrameStore::frameFileExists(int index) const
{
    return index >= 0 && index < count() && QFile::exists(frameFile(index));
}

QImage FrameStore::loadFrame(int index) const
{
    if (!frameFileExists(index))
        return {};
    try {
        return readImageFile(frameFile(index)).image;
    } catch (const ImageError&) {
        return {};
    }
}

QImage FrameStore::makeThumbnail(const QImage& image)
{
    if (image.isNull())
        return {};
    if (image.width() <= kThumbWidth && image.height() <= kThumbHeight)
        return image.convertToFormat(QImage::Format_RGB32);
    return image.convertToFormat(QImage::Format_RGB32)
        .scaled(kThumbWidth, kThumbHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

bool FrameStore::AppendFrame(const QImage& picture, const QString& caption, QString* error)
{
    const QString id = QString::number(FrameCounter);
    // The number is spent even when the write fails: a partly written file never gets reused.
    ++FrameCounter;
    EditIndex = 0;
    if (workDir_.isEmpty()) {
        if (error)
            *error = QStringLiteral("There is no working folder to store the frame in.");
        return false;
    }
    try {
        writeImageFile(workDir_ + id + QStringLiteral(".orbek"), picture, ImageFormat::Bmp, frameFileOptions());
    } catch (const ImageError& e) {
        if (error)
            *error = QString::fromStdString(e.what());
        return false;
    }
    const int row = count();
    beginInsertRows({}, row, row);
    thumbnails_.push_back(makeThumbnail(picture));
    FrameIds.append(id);
    FrameCaptions.append(caption);
    endInsertRows();
    return true;
}

bool FrameStore::replaceFrame(int index, const QImage& image, QString* error)
{
    if (index < 0 || index >= count())
        return false;
    try {
        writeImageFile(frameFile(index), image, ImageFormat::Bmp, frameFileOptions());
    } catch (const ImageError& e) {
        if (error)
            *error = QString::fromStdString(e.what());
        return false;
    }
    thumbnails_[std::size_t(index)] = makeThumbnail(image);
    const QModelIndex changed = this->index(index);
    emit dataChanged(changed, changed, {Qt::DecorationRole});
    return true;
}

void FrameStore::removeAt(int index)
{
    if (index < 0 || index >= count())
        return;
    if (frameFileExists(index))
        QFile::remove(frameFile(index));
    beginRemoveRows({}, index, index);
    thumbnails_.erase(thumbnails_.begin() + index);
    FrameIds.removeAt(index);
    FrameCaptions.removeAt(index);
    endRemoveRows();
}

void FrameStore::removeAll()
{
    for (int i = 0; i < count(); ++i)
        if (frameFileExists(i))
            QFile::remove(frameFile(i));
    beginResetModel();
    thumbnails_.clear();
    FrameIds.clear();
    FrameCaptions.clear();
    endResetModel();
    EditIndex = -1;
}

QString FrameStore::countText(int n)
{
    if (n <= 0)
        return {};
    return n == 1 ? QStringLiteral("1 Image") : QString::number(n) + QStringLiteral(" Images");
}

int FrameStore::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant FrameStore::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return FrameCaptions.at(index.row());
    case Qt::DecorationRole:
        return thumbnails_[std::size_t(index.row())];
    default:
        return {};
    }
}

} // namespace fw::app
