#pragma once

#include <QListView>
#include <QStyledItemDelegate>

namespace fw::widgets {

/// Draws one thumbnail cell: the picture centred in its box with a black border and a soft
/// shadow, the caption below, and a navy two-pixel frame around the selected cell.
///
///   +--------------------------+
///   |  +--------------------+  |   box: thumbnail size (200 x 120)
///   |  |      picture       |# |   #: shadow, offset down-right
///   |  +--------------------+# |
///   |    ####################  |
///   |        caption text      |
///   +--------------------------+
class ThumbnailDelegate : public QStyledItemDelegate {
public:
    ThumbnailDelegate(QSize thumbSize, QObject* parent = nullptr);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    bool shadow = true;

private:
    QSize thumb_;
};

/// A one-column list of thumbnails with captions and a single selection, for models whose
/// DecorationRole is a QImage and DisplayRole the caption. Rows have one height, so the view
/// stays smooth with thousands of entries.
class ThumbnailStrip : public QListView {
    Q_OBJECT

public:
    explicit ThumbnailStrip(QSize thumbSize = QSize(200, 120), QWidget* parent = nullptr);

    /// Selected row, or -1.
    int selectedIndex() const;
    /// Selects a row without emitting imageSelected (-1 clears the selection).
    void selectIndex(int row);

    ThumbnailDelegate* delegate() const { return delegate_; }

signals:
    /// The user selected a thumbnail with the mouse or the keyboard.
    void imageSelected(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void emitIfChanged(int before);
    ThumbnailDelegate* delegate_;
};

} // namespace fw::widgets
