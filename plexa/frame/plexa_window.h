#pragma once
// The host control's own window: keeps the panel over its whole area and tells the control
// when it goes, while the panel is still alive.
#include <QPointer>
#include <QWidget>

#include <functional>

namespace plexa {

class CPlexaWindow : public QWidget {
    Q_OBJECT
public:
    explicit CPlexaWindow(QWidget* parent);
    ~CPlexaWindow() override;

    void SetPanel(QWidget* panel);
    QWidget* Panel() const { return m_panel.data(); }
    // Runs once, at the start of the window's destruction (children still exist).
    void SetOnDestroy(std::function<void()> onDestroy) { m_onDestroy = std::move(onDestroy); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Nothing to draw: the panel covers everything.
    void paintEvent(QPaintEvent*) override {}

private:
    QPointer<QWidget> m_panel;
    std::function<void()> m_onDestroy;
};

}  // namespace plexa
