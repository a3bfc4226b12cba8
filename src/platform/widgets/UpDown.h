#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace fw::widgets {

/// A pair of small arrow buttons beside a text box (the box is its buddy). The number is
/// the box's text: position() reads it, an arrow click steps it by one within the range,
/// writes it back and emits clicked(). Typing in the box is the box's own business (its
/// textEdited signal); setting the position from code emits nothing. The up and down keys
/// in the box act as the arrows.
///
///   +--------+-+
///   | 123    |^|
///   |        |v|
///   +--------+-+
class UpDown : public QWidget {
    Q_OBJECT

public:
    UpDown(QLineEdit* buddy, int minimum, int maximum, QWidget* parent = nullptr);

    QLineEdit* buddy() const { return buddy_; }
    int minimum() const { return min_; }
    int maximum() const { return max_; }

    /// The box's text as a whole number, held within the range; text that is not a whole
    /// number reads as 0 (held within the range).
    int position() const;
    /// Writes the number into the box; no signal.
    void setPosition(int value);

    /// Steps by `delta` as an arrow click does (emits clicked).
    void step(int delta);

signals:
    /// An arrow was clicked (or an arrow key pressed in the box); up is true for the upper one.
    void clicked(bool up);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* buddy_;
    QToolButton* up_;
    QToolButton* down_;
    int min_;
    int max_;
};

} // namespace fw::widgets
