#include "shell/widgets/FramedDialog.h"

#include "shell/widgets/ctrlFormBar.h"

#include <QPainter>

FramedDialog::FramedDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_formBar(new ctrlFormBar(this))
{
    m_formBar->move(0, 0);
}

FramedDialog::~FramedDialog() = default;

void FramedDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    m_formBar->resize(width(), m_formBar->height());
}

void FramedDialog::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // Without a platform frame the dialog needs an edge of its own to stand apart from
    // what lies behind it, on light and dark desktops alike.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
