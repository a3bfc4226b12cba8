#include "ImageView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace fw::widgets {

namespace {
constexpr int kGrip = 3; // grip squares, in screen pixels
}

ImageView::ImageView(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    setMinimumSize(32, 32);
}

void ImageView::setImage(const QImage& image)
{
    image_ = image;
    drawnValid_ = false;
    if (!selection_.isEmpty())
        setSelection(selection_); // keep it within the new picture
    updateScrollRanges();
    viewport()->update();
}

void ImageView::clear()
{
    setImage(QImage());
}

void ImageView::setBackground(const QColor& colour)
{
    background_ = colour;
    viewport()->update();
}

void ImageView::setZoom(double percent)
{
    if (!(percent > 0) || percent == zoom_)
        return;
    zoom_ = percent;
    updateScrollRanges();
    viewport()->update();
}

double ImageView::fitZoom() const
{
    if (image_.isNull())
        return 100.0;
    const QSize area = maximumViewportSize();
    return 100.0 * std::min(double(area.width()) / image_.width(), double(area.height()) / image_.height());
}

double ImageView::zoomFit()
{
    setZoom(fitZoom());
    return zoom_;
}

void ImageView::setDisplayAdjustments(const fw::imaging::DisplayAdjustments& adjustments)
{
    if (adjustments == adjust_)
        return;
    adjust_ = adjustments;
    drawnValid_ = false;
    viewport()->update();
}

QImage ImageView::displayedImage() const
{
    if (!drawnValid_) {
        drawn_ = fw::imaging::adjustForDisplay(image_, adjust_);
        drawnValid_ = true;
    }
    return drawn_;
}

void ImageView::setSelectionMode(bool on)
{
    selectionMode_ = on;
    dragging_ = false;
}

void ImageView::setSelection(const QRect& r)
{
    const QRect limited = r.normalized() & image_.rect();
    if (limited == selection_)
        return;
    selection_ = limited.isEmpty() ? QRect() : limited;
    viewport()->update();
    emit selectionChanged();
}

void ImageView::clearSelection()
{
    dragging_ = false;
    setSelection(QRect());
}

QSize ImageView::scaledSize() const
{
    if (image_.isNull())
        return {0, 0};
    return {std::max(1, int(std::lround(image_.width() * zoom_ / 100.0))),
            std::max(1, int(std::lround(image_.height() * zoom_ / 100.0)))};
}

QRect ImageView::imageRectInView() const
{
    const QSize s = scaledSize();
    const QSize v = viewport()->size();
    // Centred when smaller than the view; otherwise placed by the scroll bars.
    const int x = s.width() < v.width() ? (v.width() - s.width()) / 2 : -horizontalScrollBar()->value();
    const int y = s.height() < v.height() ? (v.height() - s.height()) / 2 : -verticalScrollBar()->value();
    return {QPoint(x, y), s};
}

QPoint ImageView::viewToImage(const QPoint& p) const
{
    const QRect r = imageRectInView();
    const double f = zoom_ / 100.0;
    return {int(std::floor((p.x() - r.x()) / f)), int(std::floor((p.y() - r.y()) / f))};
}

QPoint ImageView::clampToImage(const QPoint& p) const
{
    return {std::clamp(p.x(), 0, std::max(0, image_.width() - 1)), std::clamp(p.y(), 0, std::max(0, image_.height() - 1))};
}

void ImageView::updateScrollRanges()
{
    const QSize s = scaledSize();
    const QSize v = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, s.width() - v.width()));
    verticalScrollBar()->setRange(0, std::max(0, s.height() - v.height()));
    horizontalScrollBar()->setPageStep(v.width());
    verticalScrollBar()->setPageStep(v.height());
}

void ImageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRanges();
}

void ImageView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void ImageView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), background_);
    if (image_.isNull())
        return;
    const QRect target = imageRectInView();
    // Smooth when shrinking; enlarged pixels stay sharp so single pixels can be seen.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, zoom_ < 100.0);
    painter.drawImage(target, displayedImage());

    if (selection_.isEmpty())
        return;
    const double f = zoom_ / 100.0;
    const QRectF sel(target.x() + selection_.x() * f, target.y() + selection_.y() * f,
                     selection_.width() * f, selection_.height() * f);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(sel.adjusted(0, 0, -1, -1));
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    painter.drawRect(sel.adjusted(0, 0, -1, -1));
    // Grips at the corners and the middles of the sides.
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    const double xs[3] = {sel.left(), sel.center().x(), sel.right() - 1};
    const double ys[3] = {sel.top(), sel.center().y(), sel.bottom() - 1};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (i != 1 || j != 1)
                painter.drawRect(QRectF(xs[i] - kGrip / 2.0, ys[j] - kGrip / 2.0, kGrip, kGrip));
}

void ImageView::mousePressEvent(QMouseEvent* event)
{
    emit mousePressed(event->button());
    if (selectionMode_ && event->button() == Qt::LeftButton && !image_.isNull()) {
        dragging_ = true;
        anchor_ = clampToImage(viewToImage(event->position().toPoint()));
        setSelection(QRect(anchor_, QSize(1, 1)));
    }
}

void ImageView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = viewToImage(event->position().toPoint());
    if (dragging_) {
        const QPoint c = clampToImage(p);
        setSelection(QRect(anchor_, c).normalized());
    }
    emit mouseMoved(p);
}

void ImageView::mouseReleaseEvent(QMouseEvent* event)
{
    if (dragging_ && event->button() == Qt::LeftButton)
        dragging_ = false;
}

} // namespace fw::widgets
