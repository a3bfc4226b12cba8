#include "VideoRuler.h"

#include <QMouseEvent>
#include <QPainter>

namespace fw::video {

namespace {
const QColor kSilver(192, 192, 192);
const QColor kNavy(0, 0, 128);
} // namespace

VideoRuler::VideoRuler(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(kRulerHeight);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void VideoRuler::setContent(bool loaded, const RulerInput& input)
{
    loaded_ = loaded;
    input_ = input;
    update();
}

RulerLayout VideoRuler::layout() const
{
    RulerInput in = input_;
    in.width = width();
    return layoutRuler(in);
}

QImage VideoRuler::render() const
{
    QImage canvas(size(), QImage::Format_RGB32);
    canvas.fill(kSilver);
    if (!loaded_)
        return canvas;
    const RulerLayout l = layout();
    QPainter p(&canvas);
    p.setPen(QPen(Qt::black, 2));
    const int y = kRulerBaseline;
    if (l.axisTo > l.axisFrom)
        p.drawLine(l.axisFrom, y, l.axisTo, y);
    for (int x : l.majorTicks)
        p.drawLine(x, y - 5, x, y + 2);
    for (int x : l.minorTicks)
        p.drawLine(x, y - 2, x, y + 2);
    QFont font = p.font();
    font.setPixelSize(10);
    p.setFont(font);
    for (const RulerLabel& label : l.labels)
        p.drawText(QRect(label.x, 3, 80, 14), Qt::AlignLeft | Qt::AlignTop, label.text);

    // The marker inverts what lies under it, so drawing it twice would restore the ruler.
    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    p.setPen(QPen(kNavy, 1));
    p.setBrush(kSilver);
    const int x = l.markerX;
    const QPoint triangle[3] = {{x, y + 4}, {x + 4, y + 12}, {x - 4, y + 12}};
    p.drawPolygon(triangle, 3);
    return canvas;
}

void VideoRuler::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, render());
}

void VideoRuler::mousePressEvent(QMouseEvent* event) { emit mousePressed(event->position().toPoint().x(), event->position().toPoint().y()); }

void VideoRuler::mouseMoveEvent(QMouseEvent* event) { emit mouseMoved(event->position().toPoint().x(), event->position().toPoint().y()); }

void VideoRuler::mouseReleaseEvent(QMouseEvent*) { emit mouseReleased(); }

} // namespace fw::video
