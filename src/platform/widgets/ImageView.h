#pragma once

#include "platform/imaging/ops/DisplayAdjust.h"

#include <QAbstractScrollArea>
#include <QImage>

namespace fw::widgets {

/// Shows one picture at a zoom in percent on a plain background, centred when it is smaller
/// than the view. Optional display adjustments change how it is drawn, never the picture.
/// With selection mode on, dragging the mouse draws a rectangular selection (in picture
/// pixels) with small grips. Scroll bars are on as needed unless turned off.
class ImageView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit ImageView(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    const QImage& image() const { return image_; }
    void clear();

    void setBackground(const QColor& colour);
    const QColor& background() const { return background_; }

    /// Zoom in percent (> 0).
    void setZoom(double percent);
    double zoom() const { return zoom_; }
    /// The zoom at which the whole picture fits the view (100 when there is no picture).
    double fitZoom() const;
    /// Sets the zoom to fitZoom() and returns it.
    double zoomFit();

    void setDisplayAdjustments(const fw::imaging::DisplayAdjustments& adjustments);
    const fw::imaging::DisplayAdjustments& displayAdjustments() const { return adjust_; }
    /// The picture as drawn, with the display adjustments (unscaled).
    QImage displayedImage() const;

    void setSelectionMode(bool on);
    bool selectionMode() const { return selectionMode_; }
    bool hasSelection() const { return !selection_.isEmpty(); }
    /// The selection in picture pixels; empty when there is none.
    QRect selection() const { return selection_; }
    /// Selects r limited to the picture; an empty result removes the selection.
    void setSelection(const QRect& r);
    void clearSelection();

    /// Picture pixel under a viewport point (may lie outside the picture).
    QPoint viewToImage(const QPoint& viewportPoint) const;
    /// Viewport rectangle the picture is drawn in.
    QRect imageRectInView() const;

signals:
    void mousePressed(Qt::MouseButton button);
    void mouseMoved(const QPoint& imagePoint);
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QSize scaledSize() const;
    void updateScrollRanges();
    QPoint clampToImage(const QPoint& p) const;

    QImage image_;
    mutable QImage drawn_; ///< image_ with the adjustments, made when first needed
    mutable bool drawnValid_ = false;
    QColor background_{128, 128, 128};
    double zoom_ = 100.0;
    fw::imaging::DisplayAdjustments adjust_;
    bool selectionMode_ = false;
    bool dragging_ = false;
    QPoint anchor_;
    QRect selection_;
};

} // namespace fw::widgets
