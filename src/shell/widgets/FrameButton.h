#pragma once

#include "shell/widgets/FramePainter.h"

#include <QWidget>

// One button picture of a title bar. It only draws itself and reports the mouse; the
// title bar decides when it looks pressed and what a release means.
class FrameButton final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FrameButton)

public:
    // A raised button showing the picture of button.
    FrameButton(FramePainter::Button button, QWidget* parent);

    // Draws the button in a colour scheme.
    void setScheme(FramePainter::Scheme scheme);
    // Shows the button pressed (sunken) or raised.
    void setSunken(bool sunken);
    bool isSunken() const { return m_sunken; }
    // Presses the button for assistive technology: emits triggered().
    void trigger();

Q_SIGNALS:
    // A mouse button went down on the button, or up (wherever the pointer then is).
    void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void mouseReleased();
    // Assistive technology pressed the button (see trigger()).
    void triggered();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    FramePainter::Button m_button;
    FramePainter::Scheme m_scheme = FramePainter::Scheme::Default;
    bool m_sunken = false;
};
