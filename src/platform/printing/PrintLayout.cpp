#include "PrintLayout.h"

#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

namespace fw::printing {

QRectF placeImage(const QSizeF& pageSize, double dpi, const QSize& imagePixels, const PrintSettings& s)
{
    const QRectF page(QPointF(0, 0), pageSize);
    const QRectF area = page.adjusted(s.marginsInches.left() * dpi, s.marginsInches.top() * dpi,
                                      -s.marginsInches.right() * dpi, -s.marginsInches.bottom() * dpi);
    if (area.width() <= 0 || area.height() <= 0 || imagePixels.isEmpty())
        return {};
    QSizeF size;
    switch (s.sizeMode) {
    case SizeMode::Normal:
        size = QSizeF(imagePixels) * (dpi / std::max(1.0, s.normalDpi));
        break;
    case SizeMode::FitToPage:
        size = QSizeF(imagePixels).scaled(area.size(), Qt::KeepAspectRatio);
        break;
    case SizeMode::StretchToPage:
        size = area.size();
        break;
    case SizeMode::SpecifiedSize:
        size = s.specifiedInches * dpi;
        break;
    }
    double x = area.left();
    if (s.horizontal == HorizontalPlace::Center)
        x = area.left() + (area.width() - size.width()) / 2;
    else if (s.horizontal == HorizontalPlace::Right)
        x = area.right() - size.width();
    double y = area.top();
    if (s.vertical == VerticalPlace::Center)
        y = area.top() + (area.height() - size.height()) / 2;
    else if (s.vertical == VerticalPlace::Bottom)
        y = area.bottom() - size.height();
    return {QPointF(x, y), size};
}

bool printImages(QPagedPaintDevice& device, const QList<QImage>& images, const PrintSettings& settings)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const double dpi = device.logicalDpiX();
    const QSizeF page(device.width(), device.height());
    for (int i = 0; i < images.size(); ++i) {
        if (i > 0)
            device.newPage();
        const QRectF target = placeImage(page, dpi, images[i].size(), settings);
        if (!target.isEmpty()) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(target, images[i]);
        }
    }
    painter.end();
    return true;
}

} // namespace fw::printing
