#include "UpDown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace fw::widgets {

UpDown::UpDown(QLineEdit* buddy, int minimum, int maximum, QWidget* parent)
    : QWidget(parent), buddy_(buddy), min_(minimum), max_(std::max(minimum, maximum))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto arrow = [this, layout](Qt::ArrowType type) {
        auto* b = new QToolButton(this);
        b->setArrowType(type);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(16, 11);
        layout->addWidget(b);
        return b;
    };
    up_ = arrow(Qt::UpArrow);
    down_ = arrow(Qt::DownArrow);
    setFixedWidth(16);
    connect(up_, &QToolButton::clicked, this, [this] { step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
    buddy_->installEventFilter(this);
}

int UpDown::position() const
{
    bool ok = false;
    const int v = buddy_->text().trimmed().toInt(&ok);
    return std::clamp(ok ? v : 0, min_, max_);
}

void UpDown::setPosition(int value)
{
    buddy_->setText(QString::number(std::clamp(value, min_, max_)));
}

void UpDown::step(int delta)
{
    setPosition(position() + delta);
    emit clicked(delta > 0);
}

bool UpDown::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == buddy_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace fw::widgets
