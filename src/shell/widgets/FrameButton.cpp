#include "shell/widgets/FrameButton.h"

#include <QMouseEvent>
#include <QPainter>

FrameButton::FrameButton(FramePainter::Button button, QWidget* parent)
    : QWidget(parent)
    , m_button(button)
{ }

void FrameButton::setScheme(FramePainter::Scheme scheme)
{
    if (scheme == m_scheme)
        return;
    m_scheme = scheme;
    update();
}

void FrameButton::setSunken(bool sunken)
{
    if (sunken == m_sunken)
        return;
    m_sunken = sunken;
    update();
}

void FrameButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    FramePainter::paintButton(painter, rect(), m_button, m_scheme, m_sunken);
}

void FrameButton::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    Q_EMIT mousePressed(event->button(), event->modifiers());
}

void FrameButton::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    Q_EMIT mouseReleased();
}
