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

namespace {

QByteArray compressThumbnail(const QImage& thumb)
{
    if (thumb.isNull())
        return {};
    WriteOptions options;
    options.jpeg.quality = 90;
    options.jpeg.optimizeCoding = false; // speed over the last few bytes
    try {
        const ByteBuffer bytes = encodeImage(thumb, ImageFormat::Jpeg, options);
        return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    } catch (const ImageError&) {
        return {};
    }
}

} // namespace

QImage FrameStore::thumbnailAt(int row) const
{
    const QString& key = FrameIds.at(row);
    if (const QImage* cached = decoded_.object(key))
        return *cached;
    const QByteArray& bytes = thumbnails_[std::size_t(row)];
    if (bytes.isEmpty())
        return {};
    QImage image;
    try {
        image = readImageData(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())),
                              QStringLiteral("thumbnail"), ImageFormat::Jpeg)
                    .image;
    } catch (const ImageError&) {
        return {};
    }
    decoded_.insert(key, new QImage(image));
    return image;
}

qint64 FrameStore::thumbnailBytes() const
{
    qint64 total = 0;
    for (const QByteArray& t : thumbnails_)
        total += t.size();
    return total;
}

QImage FrameStore::makeThumbnail(const QImage& image)
{
    if (image.isNull())
        return {};
    if (image.width() <= kThumbWidth && image.height() <= kThumbHeight)
        return image.convertToFormat(QImage::Format_BGR888);
    // Halve first while far larger than the box: the smooth scale then has little left to do.
    QImage work = image;
    while (work.width() >= 4 * kThumbWidth && work.height() >= 4 * kThumbHeight)
        work = work.scaled(work.width() / 2, work.height() / 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return work.scaled(kThumbWidth, kThumbHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_BGR888);
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
    thumbnails_.push_back(compressThumbnail(makeThumbnail(picture)));
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
    thumbnails_[std::size_t(index)] = compressThumbnail(makeThumbnail(image));
    decoded_.remove(FrameIds.at(index));
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
    decoded_.remove(FrameIds.at(index));
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
    decoded_.clear();
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
        return thumbnailAt(index.row());
    default:
        return {};
    }
}

} // namespace fw::app
