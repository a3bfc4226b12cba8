// The main window's editor page on each option with a real video frame: every control of
// the shown page lies inside it, visible and not squeezed below its own size. With
// FW_SCREENSHOT_DIR set, saves a picture of the window for each option to look at.
#include "app/TForm1.h"
#include "editor/EditorPage.h"
#include "platform/imaging/ImageFile.h"
#include "platform/widgets/ImageView.h"
#include "platform/widgets/TrackBar.h"
#include "platform/widgets/UpDown.h"
#include "support/ExternalTools.h"
#include "support/ScriptedPrompts.h"
#include "support/TestImages.h"

#include <QComboBox>
#include <QPushButton>
#include <QLineEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace fw::app;
using namespace fw::test;

namespace {

/// Every control of the shown option page lies inside the page at no less than its own
/// smallest size.
void checkSheet(EditorPage& page, int option)
{
    QWidget* sheet = page.PageControl1->currentWidget();
    for (QWidget* child : sheet->findChildren<QWidget*>()) {
        if (!child->isVisibleTo(sheet) || child->parentWidget() != sheet)
            continue;
        const std::string name = child->metaObject()->className();
        EXPECT_TRUE(sheet->rect().contains(child->geometry())) << "option " << option << ": " << name;
        EXPECT_GE(child->width(), child->minimumSizeHint().width()) << "option " << option << ": " << name;
        EXPECT_GE(child->height(), child->minimumSizeHint().height()) << "option " << option << ": " << name;
    }
}

} // namespace

TEST(EditorScreenshot, EveryOptionPageFitsWithItsControlsOnAVideoFrame)
{
    TempDir home;
    const QString framePath = home.path(QStringLiteral("testsrc.bmp"));
    const ToolResult made = runTool(QStringLiteral("ffmpeg"),
                                    {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=640x480:rate=1", "-frames:v", "1",
                                     "-pix_fmt", "bgr24", "-y", framePath});
    ASSERT_TRUE(made.ok()) << made.err.toStdString();
    const QImage frame = fw::imaging::readImageFile(framePath).image;
    ASSERT_EQ(frame.size(), QSize(640, 480));

    ScriptedPrompts prompts;
    AppEnvironment env;
    env.prompts = &prompts;
    env.documentsFolder = home.path(QStringLiteral("Documents"));
    env.settingsPath = home.path(QStringLiteral("config/7.6.ini"));
    env.openUrl = [](const QUrl&) { return true; };
    env.beep = [] {};
    TForm1 w(env);
    w.resize(1100, 760);
    w.show();
    ASSERT_TRUE(w.AppendFrame(frame, QStringLiteral("testsrc.avi[0.00.00,00]")));
    w.PageControl2->setCurrentWidget(w.TabSheet2);
    w.PageControl2->setCurrentWidget(w.TabSheet4);
    EditorPage& page = *w.ImageEditor;
    ASSERT_TRUE(samePixels(page.FrameEditor->image(), frame));

    const QString dir = qEnvironmentVariable("FW_SCREENSHOT_DIR");
    for (int option = 0; option < kEditOptionCount; ++option) {
        page.OptionComboBox->setCurrentIndex(option);
        // Something to see on the pages that preview.
        switch (EditOption(option)) {
        case EditOption::Crop:
            page.UpDown6->setPosition(100);
            page.UpDown7->setPosition(80);
            page.UpDown4->setPosition(300);
            page.UpDown5->step(200);
            break;
        case EditOption::Rotate:
            page.RadioButton9->click();
            page.Edit13->setText(QStringLiteral("30"));
            emit page.Edit13->textEdited(page.Edit13->text());
            break;
        case EditOption::Hsv:
            page.TrackBar7->setValue(120);
            emit page.TrackBar7->changedValue(120);
            break;
        default: break;
        }
        QTest::qWait(30);
        ASSERT_EQ(page.PageControl1->currentIndex(), option);
        checkSheet(page, option);
        if (!dir.isEmpty())
            w.grab().save(QStringLiteral("%1/editor-%2-%3.png").arg(dir).arg(option).arg(page.OptionComboBox->currentText()));
    }
    // At the window's smallest size every page still fits, and nothing is pushed out of view.
    w.resize(800, 500);
    QTest::qWait(30);
    EXPECT_EQ(w.size(), QSize(800, 500));
    for (int option = 0; option < kEditOptionCount; ++option) {
        page.OptionComboBox->setCurrentIndex(option);
        QTest::qWait(10);
        checkSheet(page, option);
        const QRect visible = page.rect();
        for (QWidget* control : {static_cast<QWidget*>(page.FrameZoom), static_cast<QWidget*>(page.PageControl1),
                                 static_cast<QWidget*>(page.btnApplyAll)})
            EXPECT_TRUE(visible.contains(QRect(control->mapTo(&page, QPoint(0, 0)), control->size())))
                << "option " << option << ": " << control->metaObject()->className();
        if (!dir.isEmpty())
            w.grab().save(QStringLiteral("%1/editor-smallest-%2.png").arg(dir).arg(option));
    }
    EXPECT_GT(page.FrameEditor->height(), 200);
    EXPECT_TRUE(prompts.shown.isEmpty());
}
