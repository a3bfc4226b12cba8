#include "platform/widgets/ImageView.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using fw::widgets::ImageView;

namespace {
QImage picture(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB888);
    img.fill(QColor(10, 20, 30));
    return img;
}
} // namespace

TEST(ImageView, FitZoomAndCentring)
{
    ImageView view;
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.resize(400, 300);
    view.show();
    EXPECT_DOUBLE_EQ(view.fitZoom(), 100.0) << "no picture";
    view.setImage(picture(100, 50));
    EXPECT_DOUBLE_EQ(view.fitZoom(), 400.0);
    view.setImage(picture(800, 300));
    EXPECT_DOUBLE_EQ(view.zoomFit(), 50.0);
    EXPECT_EQ(view.imageRectInView(), QRect(0, 75, 400, 150));
    EXPECT_EQ(view.viewToImage(QPoint(200, 75)), QPoint(400, 0));
}

TEST(ImageView, DragDrawsASelectionOnlyInSelectionModeAndKeepsItInThePicture)
{
    ImageView view;
    view.resize(300, 300);
    view.show();
    view.setImage(picture(100, 80)); // centred at (100, 110)
    QSignalSpy changed(&view, &ImageView::selectionChanged);

    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, QPoint(110, 120));
    QTest::mouseMove(view.viewport(), QPoint(150, 150));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, QPoint(150, 150));
    EXPECT_FALSE(view.hasSelection());

    view.setSelectionMode(true);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, QPoint(110, 120));
    QTest::mouseMove(view.viewport(), QPoint(290, 150)); // beyond the right edge
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, QPoint(290, 150));
    EXPECT_EQ(view.selection(), QRect(QPoint(10, 10), QPoint(99, 40)));
    EXPECT_GT(changed.count(), 0);

    view.setSelection(QRect(90, 70, 50, 50));
    EXPECT_EQ(view.selection(), QRect(90, 70, 10, 10)) << "limited to the picture";
    view.setSelection(QRect(200, 200, 5, 5));
    EXPECT_FALSE(view.hasSelection()) << "wholly outside means none";
}

TEST(ImageView, AdjustmentsChangeTheDrawingNotThePicture)
{
    ImageView view;
    view.resize(50, 50);
    view.setImage(picture(10, 10));
    view.setDisplayAdjustments({100, 0, 0, 0});
    EXPECT_EQ(view.image().pixelColor(0, 0), QColor(10, 20, 30));
    EXPECT_EQ(view.displayedImage().pixelColor(0, 0), QColor(110, 20, 30));
    const QImage shot = view.viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(25, 25), QColor(110, 20, 30));
    EXPECT_EQ(shot.pixelColor(1, 1), QColor(128, 128, 128)) << "grey background";
}
