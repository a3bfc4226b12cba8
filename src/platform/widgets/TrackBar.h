#pragma once

#include <QWidget>

namespace fw::widgets {

/// A horizontal slider with a white thumb 26 pixels wide that shows the current value.
/// It reports its value (changedValue) when the left button is pressed on the track, on
/// every mouse move that changes the value while that button is held, and on the arrow,
/// page, home and end keys. setValue() from code reports nothing.
///
///   -----------[ -42 ]------------------
class TrackBar : public QWidget {
    Q_OBJECT

public:
    static constexpr int kThumbWidth = 26;

    explicit TrackBar(int minimum = 0, int maximum = 100, QWidget* parent = nullptr);

    void setRange(int minimum, int maximum);
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    int value() const { return value_; }
    /// Sets the value, held within the range; no signal.
    void setValue(int value);

    /// The value a press at x (widget coordinates) chooses.
    int valueAt(int x) const;
    /// The thumb's rectangle at the current value.
    QRect thumbRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void changedValue(int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void userSet(int value, bool always);

    int min_;
    int max_;
    int value_;
    bool dragging_ = false;
};

} // namespace fw::widgets
