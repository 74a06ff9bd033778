#include "plexa/frame/plexa_window.h"

#include <QMouseEvent>
#include <QResizeEvent>

namespace plexa {

CPlexaWindow::CPlexaWindow(QWidget* parent) : QWidget(parent) {
    // A click gives the control the keyboard focus in its container.
    setFocusPolicy(Qt::ClickFocus);
}

CPlexaWindow::~CPlexaWindow() {
    if (auto onDestroy = std::move(m_onDestroy)) onDestroy();
}

void CPlexaWindow::SetPanel(QWidget* panel) {
    m_panel = panel;
    if (m_panel) m_panel->setGeometry(0, 0, width(), height());
}

void CPlexaWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_panel) {
        m_panel->setGeometry(0, 0, event->size().width(), event->size().height());
        m_panel->update();
    }
}

void CPlexaWindow::mousePressEvent(QMouseEvent* event) {
    activateWindow();
    setFocus(Qt::MouseFocusReason);
    QWidget::mousePressEvent(event);
}

}  // namespace plexa
