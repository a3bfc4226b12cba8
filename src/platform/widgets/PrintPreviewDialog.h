#pragma once

#include "platform/printing/PrintLayout.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QPrinter;
class QPrintPreviewWidget;

namespace fw::widgets {

/// Print preview for a list of images, one per page: placement on the page (top, centre or
/// bottom with left, centre or right), the four margins, the size mode ("Normal", "Fit to
/// page", "Stretch to page", "Specified size"), printer set-up and printing.
class PrintPreviewDialog : public QDialog {
    Q_OBJECT

public:
    PrintPreviewDialog(QPrinter* printer, QList<QImage> images, QWidget* parent = nullptr);

    printing::PrintSettings settings() const;
    void setSettings(const printing::PrintSettings& settings);
    /// Prints with the current settings on the dialog's printer.
    bool printNow();

    QComboBox* verticalBox = nullptr;
    QComboBox* horizontalBox = nullptr;
    QComboBox* sizeModeBox = nullptr;
    QDoubleSpinBox* marginLeft = nullptr;
    QDoubleSpinBox* marginTop = nullptr;
    QDoubleSpinBox* marginRight = nullptr;
    QDoubleSpinBox* marginBottom = nullptr;
    QDoubleSpinBox* specifiedWidth = nullptr;
    QDoubleSpinBox* specifiedHeight = nullptr;
    QPrintPreviewWidget* preview = nullptr;

private:
    void setUpPrinter();
    QPrinter* printer_;
    QList<QImage> images_;
};

} // namespace fw::widgets
