#include "platform/widgets/TrackBar.h"
#include "platform/widgets/UpDown.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using fw::widgets::TrackBar;
using fw::widgets::UpDown;

TEST(TrackBar, ReportsUserChangesOnlyAndHoldsItsRange)
{
    TrackBar bar(-100, 100);
    bar.resize(226, 22); // 200 pixels of travel: one value a pixel
    bar.show();
    QSignalSpy changed(&bar, &TrackBar::changedValue);
    bar.setValue(40);
    bar.setValue(500);
    EXPECT_EQ(bar.value(), 100);
    EXPECT_EQ(changed.count(), 0) << "values set from code are not reported";

    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(13, 11)); // the left end
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.last().first().toInt(), -100);
    QTest::mouseMove(&bar, QPoint(113, 11));
    QTest::mouseMove(&bar, QPoint(163, 11));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(163, 11));
    EXPECT_EQ(changed.count(), 3) << "every move with the button held";
    EXPECT_EQ(bar.value(), 50);
    QTest::mouseMove(&bar, QPoint(13, 11));
    EXPECT_EQ(changed.count(), 3) << "moves without the button report nothing";
    // Pressing on the value it already has still reports it.
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(163, 11));
    EXPECT_EQ(changed.count(), 4);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(163, 11));

    QTest::keyClick(&bar, Qt::Key_Right);
    EXPECT_EQ(bar.value(), 51);
    QTest::keyClick(&bar, Qt::Key_End);
    QTest::keyClick(&bar, Qt::Key_Right); // already at the end: nothing to report
    EXPECT_EQ(bar.value(), 100);
    EXPECT_EQ(changed.count(), 6);
    EXPECT_EQ(bar.thumbRect().width(), TrackBar::kThumbWidth);
    EXPECT_EQ(bar.thumbRect().right(), bar.width() - 1);
}

TEST(UpDown, ArrowsStepTheBoxWithinTheRangeAndReadItsText)
{
    QLineEdit box;
    UpDown arrows(&box, -2, 2);
    QSignalSpy clicked(&arrows, &UpDown::clicked);
    arrows.setPosition(1);
    EXPECT_EQ(box.text(), QStringLiteral("1"));
    EXPECT_EQ(clicked.count(), 0);
    const auto buttons = arrows.findChildren<QToolButton*>();
    ASSERT_EQ(buttons.size(), 2);
    buttons[0]->click(); // up
    buttons[0]->click(); // held at the maximum
    EXPECT_EQ(box.text(), QStringLiteral("2"));
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_TRUE(clicked.last().first().toBool());
    buttons[1]->click();
    EXPECT_EQ(arrows.position(), 1);
    EXPECT_FALSE(clicked.last().first().toBool());
    QTest::keyClick(&box, Qt::Key_Down);
    EXPECT_EQ(box.text(), QStringLiteral("0"));
    EXPECT_EQ(clicked.count(), 4);
    for (const char* text : {"abc", "", "1.5"}) {
        box.setText(QString::fromLatin1(text));
        EXPECT_EQ(arrows.position(), 0) << text;
    }
    box.setText(QStringLiteral("-99"));
    EXPECT_EQ(arrows.position(), -2);
}
