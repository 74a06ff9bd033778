#include "controls/vrmlview/scene_window.h"

#include <QApplication>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QWidget>

#include <algorithm>

SceneWindow::SceneWindow(QWidget* inputTarget, std::function<void()> draw)
    : inputTarget_(inputTarget), draw_(std::move(draw)) {
    setSurfaceType(QSurface::OpenGLSurface);
    // Whatever the host asked for by default, the scene needs a depth buffer; the old-style
    // GL the scene library speaks needs the compatibility profile.
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setDepthBufferSize(std::max(24, format.depthBufferSize()));
    if (format.profile() == QSurfaceFormat::CoreProfile) format.setProfile(QSurfaceFormat::CompatibilityProfile);
    setFormat(format);
    // Keyboard focus stays with the view widget, in its window's focus chain: the view takes it
    // when clicked (the click reaches it through Forward) and its window's keys come to it.
    setFlag(Qt::WindowDoesNotAcceptFocus);
}

SceneWindow::~SceneWindow() {
    if (context_) context_->doneCurrent();
}

bool SceneWindow::MakeCurrent() {
    if (contextFailed_) return false;
    if (!handle()) create();
    if (!context_) {
        context_ = std::make_unique<QOpenGLContext>();
        context_->setFormat(requestedFormat());
        if (!context_->create()) {
            context_.reset();
            contextFailed_ = true;
            qWarning("The 3D view has no OpenGL context on this display.");
            return false;
        }
    }
    return context_->makeCurrent(this);
}

void SceneWindow::DoneCurrent() {
    if (context_) context_->doneCurrent();
}

void SceneWindow::Swap() {
    if (context_ && isExposed()) context_->swapBuffers(this);
}

// Not QWindow::requestUpdate, which waits 5 ms after the ask where the platform has no frame
// clock of its own: a frame asked for at the end of the one before would wait that long.
void SceneWindow::RequestFrame() {
    if (framePending_) return;
    framePending_ = true;
    QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}

void SceneWindow::exposeEvent(QExposeEvent*) {
    if (isExposed()) draw_();
}

bool SceneWindow::event(QEvent* event) {
    if (event->type() == QEvent::UpdateRequest) {
        framePending_ = false;
        if (isExposed()) draw_();
        return true;
    }
    if (Forward(event)) return true;
    return QWindow::event(event);
}

// The window covers the view exactly, so positions in it are positions in the view.
bool SceneWindow::Forward(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove: {
        // A widget sees moves without a button held only when it asks for them.
        const auto* move = static_cast<QMouseEvent*>(event);
        if (move->buttons() == Qt::NoButton && !inputTarget_->hasMouseTracking()) return true;
        [[fallthrough]];
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (!Reachable()) return true;
        // A widget that takes focus when clicked is given it before the press, as Qt does.
        if (event->type() == QEvent::MouseButtonPress && (inputTarget_->focusPolicy() & Qt::ClickFocus)) {
            inputTarget_->setFocus(Qt::MouseFocusReason);
        }
        QCoreApplication::sendEvent(inputTarget_, event);
        return true;
    default:
        return false;
    }
}

// As for any widget: not while it is disabled or a modal dialog of another window is open.
bool SceneWindow::Reachable() const {
    if (!inputTarget_->isEnabled()) return false;
    const QWidget* modal = QApplication::activeModalWidget();
    return !modal || modal == inputTarget_->window() || modal->isAncestorOf(inputTarget_);
}
