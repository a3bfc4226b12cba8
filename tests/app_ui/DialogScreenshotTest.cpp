// Builds the save and print dialogs with real frames and checks their controls; with
// FW_SCREENSHOT_DIR set, also saves pictures of them to look at.
#include "app/SaveFrames.h"
#include "platform/widgets/FormatOptionsDialog.h"
#include "platform/widgets/ImageSaveDialog.h"
#include "platform/widgets/PrintPreviewDialog.h"
#include "support/TestImages.h"

#include <QComboBox>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

using namespace fw::test;

namespace {

void saveShot(QWidget& widget, const char* name)
{
    widget.show();
    QTest::qWait(50);
    if (const QString dir = qEnvironmentVariable("FW_SCREENSHOT_DIR"); !dir.isEmpty())
        widget.grab().save(dir + QLatin1Char('/') + QLatin1String(name));
}

} // namespace

TEST(ImageSaveDialog, OffersThePreviewAndTheSelectedTypesOptions)
{
    fw::imaging::WriteOptions options;
    fw::widgets::ImageSaveDialog dialog(nullptr, QStringLiteral("Save frames"), makeTestImage(320, 240), options);
    QStringList filters;
    for (const auto& t : fw::app::saveTypes())
        filters << t.nameFilter();
    dialog.setNameFilters(filters);
    ASSERT_NE(dialog.optionsButton, nullptr);
    EXPECT_FALSE(dialog.previewLabel->pixmap().isNull());
    EXPECT_TRUE(dialog.optionsButton->isVisibleTo(&dialog));
    saveShot(dialog, "save-dialog.png");

    fw::widgets::FormatOptionsDialog jpeg(fw::imaging::ImageFormat::Jpeg, options);
    auto* quality = jpeg.findChild<QSpinBox*>();
    ASSERT_NE(quality, nullptr);
    EXPECT_EQ(quality->value(), 90);
    quality->setValue(55);
    EXPECT_EQ(jpeg.options().jpeg.quality, 55);
    saveShot(jpeg, "jpeg-options.png");
}

TEST(PrintPreviewDialog, OffersPlacementMarginsAndSizeModes)
{
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    fw::widgets::PrintPreviewDialog dialog(&printer, {makeTestImage(320, 240, 1), makeTestImage(240, 320, 2)});
    QStringList modes;
    for (int i = 0; i < dialog.sizeModeBox->count(); ++i)
        modes << dialog.sizeModeBox->itemText(i);
    EXPECT_EQ(modes, (QStringList{QStringLiteral("Normal"), QStringLiteral("Fit to page"),
                                  QStringLiteral("Stretch to page"), QStringLiteral("Specified size")}));
    EXPECT_EQ(dialog.verticalBox->count(), 3);
    EXPECT_EQ(dialog.horizontalBox->count(), 3);
    dialog.verticalBox->setCurrentIndex(0);
    dialog.marginLeft->setValue(1.25);
    EXPECT_EQ(dialog.settings().vertical, fw::printing::VerticalPlace::Top);
    EXPECT_DOUBLE_EQ(dialog.settings().marginsInches.left(), 1.25);
    saveShot(dialog, "print-preview.png");
}
