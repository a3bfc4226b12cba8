#pragma once

#include "RulerGeometry.h"

#include <QWidget>

namespace fw::video {

/// The ruler box `VPaintBox1`: draws the layout of RulerGeometry (silver box, black axis and
/// ticks, labels, the position marker) and reports mouse presses, moves and releases in box
/// coordinates to the window, which decides what they seek. Nothing is drawn but the box
/// until a file is loaded.
class VideoRuler : public QWidget {
    Q_OBJECT

public:
    explicit VideoRuler(QWidget* parent = nullptr);

    /// What to draw; `loaded` false leaves the box empty. Redraws.
    void setContent(bool loaded, const RulerInput& input);
    const RulerInput& content() const { return input_; }
    bool loaded() const { return loaded_; }
    /// The layout for the current width and content.
    RulerLayout layout() const;
    /// The ruler as drawn now.
    QImage render() const;

    QSize sizeHint() const override { return {400, kRulerHeight}; }

signals:
    void mousePressed(int x, int y);
    void mouseMoved(int x, int y);
    void mouseReleased();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool loaded_ = false;
    RulerInput input_;
};

} // namespace fw::video
