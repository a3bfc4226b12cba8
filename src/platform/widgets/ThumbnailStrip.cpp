#include "ThumbnailStrip.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace fw::widgets {

namespace {
constexpr int kPad = 6;         // around the thumbnail box
constexpr int kCaptionGap = 4;  // between box and caption
constexpr int kShadow = 4;      // shadow offset
const QColor kNavy(0, 0, 128);
} // namespace

ThumbnailDelegate::ThumbnailDelegate(QSize thumbSize, QObject* parent) : QStyledItemDelegate(parent), thumb_(thumbSize) {}

QSize ThumbnailDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const int caption = option.fontMetrics.height();
    return {thumb_.width() + 2 * kPad + kShadow, thumb_.height() + 2 * kPad + kShadow + kCaptionGap + caption};
}

void ThumbnailDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    const QRect cell = option.rect;
    painter->fillRect(cell, option.palette.base());

    const QRect box(cell.left() + kPad, cell.top() + kPad, thumb_.width(), thumb_.height());
    const QImage image = index.data(Qt::DecorationRole).value<QImage>();
    QRect picture = box;
    if (!image.isNull()) {
        const QSize fitted = image.size().scaled(box.size(), Qt::KeepAspectRatio).boundedTo(image.size());
        picture = QRect(QPoint(0, 0), fitted);
        picture.moveCenter(box.center());
    }
    if (shadow) {
        // Soft shadow: a few translucent layers, darkest nearest the picture.
        for (int i = kShadow; i >= 1; --i)
            painter->fillRect(picture.translated(i, i), QColor(0, 0, 0, 28));
    }
    painter->fillRect(picture, option.palette.button()); // button-face inner area behind transparent pixels
    if (!image.isNull())
        painter->drawImage(picture, image);
    painter->setPen(Qt::black);
    painter->drawRect(picture.adjusted(0, 0, -1, -1));

    const QRect captionRect(cell.left() + 2, box.bottom() + kShadow + kCaptionGap, cell.width() - 4,
                            option.fontMetrics.height());
    painter->setPen(option.palette.color(QPalette::Text));
    const QString caption =
        option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideMiddle, captionRect.width());
    painter->drawText(captionRect, Qt::AlignHCenter | Qt::AlignVCenter, caption);

    if (option.state & QStyle::State_Selected) {
        QPen pen(kNavy, 2);
        pen.setJoinStyle(Qt::MiterJoin);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(cell).adjusted(1, 1, -1, -1));
    }
    painter->restore();
}

ThumbnailStrip::ThumbnailStrip(QSize thumbSize, QWidget* parent)
    : QListView(parent), delegate_(new ThumbnailDelegate(thumbSize, this))
{
    setItemDelegate(delegate_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::StyledPanel);
}

int ThumbnailStrip::selectedIndex() const
{
    if (!selectionModel())
        return -1;
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ThumbnailStrip::selectIndex(int row)
{
    if (!model() || !selectionModel())
        return;
    if (row < 0 || row >= model()->rowCount()) {
        selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = model()->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void ThumbnailStrip::emitIfChanged(int before)
{
    const int after = selectedIndex();
    if (after >= 0 && after != before)
        emit imageSelected(after);
}

void ThumbnailStrip::mousePressEvent(QMouseEvent* event)
{
    const int before = selectedIndex();
    QListView::mousePressEvent(event);
    emitIfChanged(before);
}

void ThumbnailStrip::keyPressEvent(QKeyEvent* event)
{
    const int before = selectedIndex();
    QListView::keyPressEvent(event);
    emitIfChanged(before);
}

} // namespace fw::widgets
