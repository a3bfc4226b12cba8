#include "TrackBar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace fw::widgets {

TrackBar::TrackBar(int minimum, int maximum, QWidget* parent)
    : QWidget(parent), min_(minimum), max_(std::max(minimum, maximum)), value_(std::clamp(0, min_, max_))
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TrackBar::setRange(int minimum, int maximum)
{
    min_ = minimum;
    max_ = std::max(minimum, maximum);
    value_ = std::clamp(value_, min_, max_);
    update();
}

void TrackBar::setValue(int value)
{
    value = std::clamp(value, min_, max_);
    if (value == value_)
        return;
    value_ = value;
    update();
}

QSize TrackBar::sizeHint() const { return {200, 22}; }
QSize TrackBar::minimumSizeHint() const { return {3 * kThumbWidth, 22}; }

int TrackBar::valueAt(int x) const
{
    const int span = std::max(1, width() - kThumbWidth);
    const double t = std::clamp(double(x - kThumbWidth / 2) / span, 0.0, 1.0);
    return min_ + int(std::lround(t * (max_ - min_)));
}

QRect TrackBar::thumbRect() const
{
    const int span = std::max(0, width() - kThumbWidth);
    const double t = max_ == min_ ? 0.0 : double(value_ - min_) / (max_ - min_);
    return {int(std::lround(t * span)), 1, kThumbWidth, height() - 2};
}

void TrackBar::userSet(int value, bool always)
{
    value = std::clamp(value, min_, max_);
    if (value == value_ && !always)
        return;
    value_ = value;
    update();
    emit changedValue(value_);
}

void TrackBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int mid = height() / 2;
    // The groove: a sunken line along the middle.
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(kThumbWidth / 2, mid - 1, width() - kThumbWidth / 2, mid - 1);
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(kThumbWidth / 2, mid, width() - kThumbWidth / 2, mid);
    // The thumb with the value on it.
    const QRect thumb = thumbRect();
    p.setPen(hasFocus() ? palette().color(QPalette::Highlight) : palette().color(QPalette::Shadow));
    p.setBrush(Qt::white);
    p.drawRect(thumb.adjusted(0, 0, -1, -1));
    QFont f = font();
    f.setPixelSize(std::max(8, std::min(11, height() - 8)));
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(thumb, Qt::AlignCenter, QString::number(value_));
}

void TrackBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragging_ = true;
    userSet(valueAt(event->position().toPoint().x()), true);
}

void TrackBar::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_ && (event->buttons() & Qt::LeftButton))
        userSet(valueAt(event->position().toPoint().x()), false);
}

void TrackBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
}

void TrackBar::keyPressEvent(QKeyEvent* event)
{
    const int page = std::max(1, (max_ - min_) / 10);
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down: userSet(value_ - 1, false); break;
    case Qt::Key_Right:
    case Qt::Key_Up: userSet(value_ + 1, false); break;
    case Qt::Key_PageDown: userSet(value_ - page, false); break;
    case Qt::Key_PageUp: userSet(value_ + page, false); break;
    case Qt::Key_Home: userSet(min_, false); break;
    case Qt::Key_End: userSet(max_, false); break;
    default: QWidget::keyPressEvent(event);
    }
}

} // namespace fw::widgets
