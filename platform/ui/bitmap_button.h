#pragma once
// An owner-drawn push button showing one of four images for its state: up, down (pressed),
// focus (has the keyboard focus) and disabled. A missing down, focus or disabled image falls back
// to the up image. Space and Enter click it when it has the focus.
#include <QAbstractButton>
#include <QImage>

namespace platform::ui {

class BitmapButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Face { Up, Down, Focus, Disabled };

    explicit BitmapButton(QWidget* parent = nullptr);

    // Replaces all four images; a null image means "use the up image". Repaints.
    void LoadBitmaps(QImage up, QImage down = {}, QImage focus = {}, QImage disabled = {});
    // Resizes the button to its up image.
    void SizeToContent();

    // The face the button shows in its current state, and the image drawn for it.
    Face CurrentFace() const;
    const QImage& ImageFor(Face face) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QImage m_up;
    QImage m_down;
    QImage m_focus;
    QImage m_disabled;
};

}  // namespace platform::ui
