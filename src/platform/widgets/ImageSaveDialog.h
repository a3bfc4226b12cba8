#pragma once

#include "platform/imaging/WriteOptions.h"

#include <QFileDialog>
#include <QImage>

class QLabel;
class QPushButton;

namespace fw::widgets {

/// A save dialog for images with a preview pane and an "Options..." button that edits the
/// writer options of the selected file type.
class ImageSaveDialog : public QFileDialog {
    Q_OBJECT

public:
    ImageSaveDialog(QWidget* parent, const QString& caption, const QImage& preview,
                    const imaging::WriteOptions& options);
    imaging::WriteOptions options() const { return options_; }

    QPushButton* optionsButton = nullptr;
    QLabel* previewLabel = nullptr;

private:
    void editOptions();
    imaging::WriteOptions options_;
};

} // namespace fw::widgets
