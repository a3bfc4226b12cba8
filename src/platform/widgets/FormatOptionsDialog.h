#pragma once

#include "platform/imaging/ImageFormat.h"
#include "platform/imaging/WriteOptions.h"

#include <QDialog>

namespace fw::widgets {

/// Edits the writer options of one image format (JPEG quality, TIFF compression, PNG
/// compression level, ...). Formats without options show a note.
class FormatOptionsDialog : public QDialog {
    Q_OBJECT

public:
    FormatOptionsDialog(imaging::ImageFormat format, const imaging::WriteOptions& options, QWidget* parent = nullptr);
    /// The options as edited (the input with this format's fields changed).
    imaging::WriteOptions options() const { return options_; }

private:
    imaging::WriteOptions options_;
};

} // namespace fw::widgets
