#include "ImageFile.h"

#include "ImageError.h"
#include "codecs/Codec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

namespace fw::imaging {

namespace {

[[noreturn]] void failFor(const QString& name, const std::string& problem)
{
    throw ImageError(QFileInfo(name).fileName().toStdString() + ": " + problem);
}

LoadedImage decodeWith(const Codec& codec, ByteView data, const QString& name)
{
    try {
        LoadedImage loaded = codec.read(data);
        loaded.format = codec.format;
        return loaded;
    } catch (const ImageError& e) {
        failFor(name, std::string(codec.name) + ": " + e.what());
    } catch (const std::bad_alloc&) {
        failFor(name, "not enough memory to decode the image");
    }
}

} // namespace

ImageFormat formatForPath(const QString& path)
{
    return formatForExtension(QFileInfo(path).suffix().toStdString());
}

QString formatName(ImageFormat format)
{
    if (const Codec* codec = codecFor(format))
        return QString::fromUtf8(codec->name.data(), qsizetype(codec->name.size()));
    return QStringLiteral("unknown");
}

bool canWrite(ImageFormat format)
{
    const Codec* codec = codecFor(format);
    return codec && codec->write;
}

bool canRead(ImageFormat format)
{
    const Codec* codec = codecFor(format);
    return codec && codec->read;
}

LoadedImage readImageData(ByteView data, const QString& name, ImageFormat hint)
{
    if (data.empty())
        failFor(name, "the file is empty");
    const ByteView head = data.first(std::min<std::size_t>(data.size(), kSniffBytes));
    const Codec* named = codecFor(hint);
    // The extension decides between formats whose signatures overlap (camera RAW files are
    // TIFF containers, CUR and ICO share one header) as long as the content agrees with it.
    if (named && named->read && named->sniff && named->sniff(head))
        return decodeWith(*named, data, name);
    if (const Codec* codec = sniffCodec(head))
        return decodeWith(*codec, data, name);
    // Formats without a signature (Targa, WBMP) are read by their extension only; for the
    // others the decoder then says what is wrong with the file.
    if (named && named->read)
        return decodeWith(*named, data, name);
    if (named)
        failFor(name, std::string(named->name) + " files cannot be read (format not supported)");
    failFor(name, "unknown image format (format not supported)");
}

LoadedImage readImageFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        failFor(path, "cannot open the file: " + file.errorString().toStdString());
    const qint64 size = file.size();
    if (size <= 0)
        failFor(path, "the file is empty");
    // Map the file rather than copying it: the frame files on every capture path are read this way.
    if (uchar* mapped = file.map(0, size)) {
        return readImageData(ByteView(mapped, std::size_t(size)), path, formatForPath(path));
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() != size)
        failFor(path, "cannot read the file: " + file.errorString().toStdString());
    return readImageData(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())),
                         path, formatForPath(path));
}

ByteBuffer encodeImage(const QImage& image, ImageFormat format, const WriteOptions& options)
{
    const Codec* codec = codecFor(format);
    if (!codec || !codec->write)
        throw ImageError(formatName(format).toStdString() + " files cannot be written");
    if (image.isNull())
        throw ImageError("there is no image to write");
    ByteBuffer out;
    try {
        codec->write(image, options, format, out);
    } catch (const std::bad_alloc&) {
        throw ImageError("not enough memory to encode the image");
    }
    return out;
}

void writeImageFile(const QString& path, const QImage& image, ImageFormat format, const WriteOptions& options)
{
    if (format == ImageFormat::Unknown)
        failFor(path, "unknown image file type \"." + QFileInfo(path).suffix().toStdString() + "\"");
    ByteBuffer bytes;
    try {
        bytes = encodeImage(image, format, options);
    } catch (const ImageError& e) {
        failFor(path, e.what());
    }
    const auto* data = reinterpret_cast<const char*>(bytes.data());
    const auto size = qint64(bytes.size());
    if (options.durable) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            failFor(path, "cannot create the file: " + file.errorString().toStdString());
        if (file.write(data, size) != size || !file.commit())
            failFor(path, "cannot write the file: " + file.errorString().toStdString());
        return;
    }
    // Same temporary-then-rename replacement as QSaveFile, without its flush to the disk.
    const QString temporary = path + QStringLiteral(".part");
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        failFor(path, "cannot create the file: " + file.errorString().toStdString());
    const bool written = file.write(data, size) == size && file.flush();
    const QString error = file.errorString();
    file.close();
    // rename(2) replaces an existing file in one step.
    if (!written || std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(temporary);
        failFor(path, "cannot write the file: " + (written ? std::string("cannot replace it") : error.toStdString()));
    }
}

void writeImageFile(const QString& path, const QImage& image, const WriteOptions& options)
{
    const ImageFormat format = formatForPath(path);
    if (format == ImageFormat::Pnm && options.pnm.kind == PnmOptions::Kind::Auto) {
        // The PNM codec sees only the format: pass on the member of the family the name asks for.
        WriteOptions pnm = options;
        const QString suffix = QFileInfo(path).suffix().toLower();
        pnm.pnm.kind = suffix == QLatin1String("pbm")   ? PnmOptions::Kind::Bitmap
                       : suffix == QLatin1String("pgm") ? PnmOptions::Kind::Graymap
                                                        : PnmOptions::Kind::Pixmap;
        writeImageFile(path, image, format, pnm);
        return;
    }
    writeImageFile(path, image, format, options);
}

} // namespace fw::imaging
