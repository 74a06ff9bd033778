#include "platform/ui/bitmap_button.h"

#include <QKeyEvent>
#include <QPainter>

namespace platform::ui {

BitmapButton::BitmapButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void BitmapButton::LoadBitmaps(QImage up, QImage down, QImage focus, QImage disabled) {
    m_up = std::move(up);
    m_down = std::move(down);
    m_focus = std::move(focus);
    m_disabled = std::move(disabled);
    updateGeometry();
    update();
}

void BitmapButton::SizeToContent() {
    if (!m_up.isNull()) resize(m_up.size());
}

BitmapButton::Face BitmapButton::CurrentFace() const {
    if (!isEnabled()) return Face::Disabled;
    if (isDown() || isChecked()) return Face::Down;
    if (hasFocus()) return Face::Focus;
    return Face::Up;
}

const QImage& BitmapButton::ImageFor(Face face) const {
    const QImage* image = &m_up;
    switch (face) {
        case Face::Down: image = &m_down; break;
        case Face::Focus: image = &m_focus; break;
        case Face::Disabled: image = &m_disabled; break;
        case Face::Up: break;
    }
    return image->isNull() ? m_up : *image;
}

QSize BitmapButton::sizeHint() const { return m_up.isNull() ? QSize(16, 16) : m_up.size(); }

void BitmapButton::paintEvent(QPaintEvent*) {
    const QImage& image = ImageFor(CurrentFace());
    if (image.isNull()) return;
    QPainter painter(this);
    // Drawn at its own size from the top-left corner, never stretched.
    painter.drawImage(QPoint(0, 0), image);
}

void BitmapButton::keyPressEvent(QKeyEvent* event) {
    // Enter clicks the focused button, as in a dialog; Space is handled by the base class.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        if (!event->isAutoRepeat()) click();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

}  // namespace platform::ui
