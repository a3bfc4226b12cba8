#include "FormatOptionsDialog.h"

#include "platform/imaging/ImageFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace fw::widgets {

using namespace fw::imaging;

FormatOptionsDialog::FormatOptionsDialog(ImageFormat format, const WriteOptions& options, QWidget* parent)
    : QDialog(parent), options_(options)
{
    setWindowTitle(formatName(format) + QStringLiteral(" options"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    // Each control writes straight into options_; Cancel discards the copy.
    switch (format) {
    case ImageFormat::Jpeg: {
        auto* quality = new QSpinBox;
        quality->setRange(1, 100);
        quality->setValue(options_.jpeg.quality);
        connect(quality, &QSpinBox::valueChanged, this, [this](int v) { options_.jpeg.quality = v; });
        auto* progressive = new QCheckBox(QStringLiteral("Progressive"));
        progressive->setChecked(options_.jpeg.progressive);
        connect(progressive, &QCheckBox::toggled, this, [this](bool v) { options_.jpeg.progressive = v; });
        auto* optimize = new QCheckBox(QStringLiteral("Optimized coding"));
        optimize->setChecked(options_.jpeg.optimizeCoding);
        connect(optimize, &QCheckBox::toggled, this, [this](bool v) { options_.jpeg.optimizeCoding = v; });
        form->addRow(QStringLiteral("Quality:"), quality);
        form->addRow(progressive);
        form->addRow(optimize);
        break;
    }
    case ImageFormat::Tiff: {
        auto* compression = new QComboBox;
        compression->addItems({QStringLiteral("None"), QStringLiteral("LZW"), QStringLiteral("Deflate"),
                               QStringLiteral("PackBits"), QStringLiteral("JPEG")});
        compression->setCurrentIndex(int(options_.tiff.compression));
        connect(compression, &QComboBox::currentIndexChanged, this,
                [this](int i) { options_.tiff.compression = TiffOptions::Compression(i); });
        auto* quality = new QSpinBox;
        quality->setRange(1, 100);
        quality->setValue(options_.tiff.jpegQuality);
        connect(quality, &QSpinBox::valueChanged, this, [this](int v) { options_.tiff.jpegQuality = v; });
        form->addRow(QStringLiteral("Compression:"), compression);
        form->addRow(QStringLiteral("JPEG quality:"), quality);
        break;
    }
    case ImageFormat::Png: {
        auto* level = new QSpinBox;
        level->setRange(0, 9);
        level->setValue(options_.png.compressionLevel);
        connect(level, &QSpinBox::valueChanged, this, [this](int v) { options_.png.compressionLevel = v; });
        auto* interlaced = new QCheckBox(QStringLiteral("Interlaced"));
        interlaced->setChecked(options_.png.interlaced);
        connect(interlaced, &QCheckBox::toggled, this, [this](bool v) { options_.png.interlaced = v; });
        form->addRow(QStringLiteral("Compression level:"), level);
        form->addRow(interlaced);
        break;
    }
    case ImageFormat::Tga: {
        auto* rle = new QCheckBox(QStringLiteral("RLE compression"));
        rle->setChecked(options_.tga.rle);
        connect(rle, &QCheckBox::toggled, this, [this](bool v) { options_.tga.rle = v; });
        form->addRow(rle);
        break;
    }
    case ImageFormat::Jp2:
    case ImageFormat::J2k: {
        auto* lossless = new QCheckBox(QStringLiteral("Lossless"));
        lossless->setChecked(options_.jpeg2000.lossless);
        auto* ratio = new QDoubleSpinBox;
        ratio->setRange(1, 500);
        ratio->setValue(options_.jpeg2000.compressionRatio);
        ratio->setEnabled(!options_.jpeg2000.lossless);
        connect(lossless, &QCheckBox::toggled, this, [this, ratio](bool v) {
            options_.jpeg2000.lossless = v;
            ratio->setEnabled(!v);
        });
        connect(ratio, &QDoubleSpinBox::valueChanged, this, [this](double v) { options_.jpeg2000.compressionRatio = v; });
        form->addRow(lossless);
        form->addRow(QStringLiteral("Compression ratio:"), ratio);
        break;
    }
    case ImageFormat::Gif: {
        auto* dither = new QCheckBox(QStringLiteral("Dithering"));
        dither->setChecked(options_.gif.dither);
        connect(dither, &QCheckBox::toggled, this, [this](bool v) { options_.gif.dither = v; });
        form->addRow(dither);
        break;
    }
    default:
        form->addRow(new QLabel(QStringLiteral("This file type has no options.")));
        break;
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

} // namespace fw::widgets
