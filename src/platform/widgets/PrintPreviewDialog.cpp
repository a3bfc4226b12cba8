#include "PrintPreviewDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace fw::widgets {

using namespace fw::printing;

namespace {

QDoubleSpinBox* inchBox(double value, double max = 20)
{
    auto* box = new QDoubleSpinBox;
    box->setRange(0, max);
    box->setDecimals(2);
    box->setSingleStep(0.1);
    box->setSuffix(QStringLiteral(" in"));
    box->setValue(value);
    return box;
}

} // namespace

PrintPreviewDialog::PrintPreviewDialog(QPrinter* printer, QList<QImage> images, QWidget* parent)
    : QDialog(parent), printer_(printer), images_(std::move(images))
{
    setWindowTitle(QStringLiteral("Print Preview"));
    printer_->setFullPage(true); // the margins are the dialog's own

    verticalBox = new QComboBox;
    verticalBox->addItems({QStringLiteral("Top"), QStringLiteral("Center"), QStringLiteral("Bottom")});
    horizontalBox = new QComboBox;
    horizontalBox->addItems({QStringLiteral("Left"), QStringLiteral("Center"), QStringLiteral("Right")});
    sizeModeBox = new QComboBox;
    sizeModeBox->addItems({QStringLiteral("Normal"), QStringLiteral("Fit to page"), QStringLiteral("Stretch to page"),
                           QStringLiteral("Specified size")});
    marginLeft = inchBox(0.5);
    marginTop = inchBox(0.5);
    marginRight = inchBox(0.5);
    marginBottom = inchBox(0.5);
    specifiedWidth = inchBox(4, 100);
    specifiedHeight = inchBox(3, 100);

    auto* placement = new QGroupBox(QStringLiteral("Position"));
    auto* placementForm = new QFormLayout(placement);
    placementForm->addRow(QStringLiteral("Vertical:"), verticalBox);
    placementForm->addRow(QStringLiteral("Horizontal:"), horizontalBox);
    auto* margins = new QGroupBox(QStringLiteral("Margins"));
    auto* marginForm = new QFormLayout(margins);
    marginForm->addRow(QStringLiteral("Left:"), marginLeft);
    marginForm->addRow(QStringLiteral("Top:"), marginTop);
    marginForm->addRow(QStringLiteral("Right:"), marginRight);
    marginForm->addRow(QStringLiteral("Bottom:"), marginBottom);
    auto* size = new QGroupBox(QStringLiteral("Size"));
    auto* sizeForm = new QFormLayout(size);
    sizeForm->addRow(QStringLiteral("Mode:"), sizeModeBox);
    sizeForm->addRow(QStringLiteral("Width:"), specifiedWidth);
    sizeForm->addRow(QStringLiteral("Height:"), specifiedHeight);

    auto* setup = new QPushButton(QStringLiteral("Printer setup..."));
    auto* buttons = new QDialogButtonBox;
    auto* print = buttons->addButton(QStringLiteral("Print"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Close);

    auto* side = new QVBoxLayout;
    side->addWidget(placement);
    side->addWidget(margins);
    side->addWidget(size);
    side->addWidget(setup);
    side->addStretch();
    side->addWidget(buttons);

    preview = new QPrintPreviewWidget(printer_);
    preview->setZoomMode(QPrintPreviewWidget::FitInView);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(preview, 1);
    layout->addLayout(side);
    resize(900, 640);

    connect(preview, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter* p) { printImages(*p, images_, settings()); });
    auto refresh = [this] {
        const bool specified = sizeModeBox->currentIndex() == int(SizeMode::SpecifiedSize);
        specifiedWidth->setEnabled(specified);
        specifiedHeight->setEnabled(specified);
        preview->updatePreview();
    };
    for (QComboBox* box : {verticalBox, horizontalBox, sizeModeBox})
        connect(box, &QComboBox::currentIndexChanged, this, refresh);
    for (QDoubleSpinBox* box : {marginLeft, marginTop, marginRight, marginBottom, specifiedWidth, specifiedHeight})
        connect(box, &QDoubleSpinBox::valueChanged, this, refresh);
    connect(setup, &QPushButton::clicked, this, &PrintPreviewDialog::setUpPrinter);
    connect(print, &QPushButton::clicked, this, [this] {
        QPrintDialog dialog(printer_, this);
        if (dialog.exec() == QDialog::Accepted && printNow())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setSettings(PrintSettings{});
    refresh();
}

PrintSettings PrintPreviewDialog::settings() const
{
    PrintSettings s;
    s.vertical = VerticalPlace(verticalBox->currentIndex());
    s.horizontal = HorizontalPlace(horizontalBox->currentIndex());
    s.sizeMode = SizeMode(sizeModeBox->currentIndex());
    s.marginsInches = QMarginsF(marginLeft->value(), marginTop->value(), marginRight->value(), marginBottom->value());
    s.specifiedInches = QSizeF(specifiedWidth->value(), specifiedHeight->value());
    return s;
}

void PrintPreviewDialog::setSettings(const PrintSettings& s)
{
    verticalBox->setCurrentIndex(int(s.vertical));
    horizontalBox->setCurrentIndex(int(s.horizontal));
    sizeModeBox->setCurrentIndex(int(s.sizeMode));
    marginLeft->setValue(s.marginsInches.left());
    marginTop->setValue(s.marginsInches.top());
    marginRight->setValue(s.marginsInches.right());
    marginBottom->setValue(s.marginsInches.bottom());
    specifiedWidth->setValue(s.specifiedInches.width());
    specifiedHeight->setValue(s.specifiedInches.height());
}

bool PrintPreviewDialog::printNow() { return printImages(*printer_, images_, settings()); }

void PrintPreviewDialog::setUpPrinter()
{
    QPrintDialog dialog(printer_, this);
    dialog.setOption(QAbstractPrintDialog::PrintToFile);
    if (dialog.exec() == QDialog::Accepted)
        preview->updatePreview();
}

} // namespace fw::widgets
