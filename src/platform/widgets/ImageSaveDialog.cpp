#include "ImageSaveDialog.h"

#include "FormatOptionsDialog.h"
#include "platform/imaging/ImageFile.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace fw::widgets {

ImageSaveDialog::ImageSaveDialog(QWidget* parent, const QString& caption, const QImage& preview,
                                 const imaging::WriteOptions& options)
    : QFileDialog(parent, caption), options_(options)
{
    setAcceptMode(QFileDialog::AcceptSave);
    // The preview and options pane needs Qt's own dialog (a desktop's native one cannot host it).
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::DontConfirmOverwrite); // the caller asks per file

    auto* pane = new QWidget(this);
    auto* paneLayout = new QVBoxLayout(pane);
    previewLabel = new QLabel(pane);
    previewLabel->setFixedSize(180, 140);
    previewLabel->setAlignment(Qt::AlignCenter);
    previewLabel->setFrameShape(QFrame::StyledPanel);
    if (!preview.isNull())
        previewLabel->setPixmap(QPixmap::fromImage(preview.scaled(176, 136, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    optionsButton = new QPushButton(QStringLiteral("Options..."), pane);
    paneLayout->addWidget(previewLabel);
    paneLayout->addWidget(optionsButton);
    paneLayout->addStretch();
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);
    connect(optionsButton, &QPushButton::clicked, this, &ImageSaveDialog::editOptions);

    // A name typed without an extension gets the selected type's.
    auto followFilter = [this](const QString& filter) {
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).match(filter);
        if (m.hasMatch())
            setDefaultSuffix(m.captured(1));
    };
    connect(this, &QFileDialog::filterSelected, this, followFilter);
}

void ImageSaveDialog::editOptions()
{
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).match(selectedNameFilter());
    const imaging::ImageFormat format = imaging::formatForPath(QStringLiteral("x.") + (m.hasMatch() ? m.captured(1) : QString()));
    FormatOptionsDialog dialog(format, options_, this);
    if (dialog.exec() == QDialog::Accepted)
        options_ = dialog.options();
}

} // namespace fw::widgets
