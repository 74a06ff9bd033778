#pragma once
// The native window a CoinView draws into. Drawn straight to the screen, a frame skips the copy
// and the two full-window passes with which Qt composes a widget that renders into a texture,
// which a software rasteriser pays for on every pixel of every frame. The window owns the GL
// context, asks its view for a frame when it is exposed or an update is due, and hands the
// mouse and keyboard on to the view, so the view handles input as any widget does.
#include <QWindow>

#include <functional>
#include <memory>

class QOpenGLContext;
class QWidget;

class SceneWindow : public QWindow {
    Q_OBJECT
public:
    // draw is called with the context current on this window when a frame is due.
    SceneWindow(QWidget* inputTarget, std::function<void()> draw);
    ~SceneWindow() override;

    // Makes the context current on this window, creating both on first use; false when this
    // platform gives no GL context (the caller draws nothing then).
    bool MakeCurrent();
    void DoneCurrent();
    // Shows what was drawn since the last call.
    void Swap();
    // Asks for a frame once the events waiting now are handled; several asks make one frame.
    void RequestFrame();

protected:
    void exposeEvent(QExposeEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool Forward(QEvent* event);
    bool Reachable() const;

    QWidget* inputTarget_;
    std::function<void()> draw_;
    std::unique_ptr<QOpenGLContext> context_;
    bool contextFailed_ = false;
    bool framePending_ = false;
};
