#include "shell/widgets/ctrlWindowContainer.h"

#include "shell/Twips.h"
#include "shell/widgets/FramedSubWindow.h"

#include <QMouseEvent>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

constexpr int kMinimumTwips = 2000;
constexpr int kLine = 45;
constexpr int kBarInset = 60;
constexpr int kBarHeight = 315;
constexpr int kButtonTop = 105;
// How far in from an edge a press starts resizing: the border line and a little more.
constexpr int kGripTwips = 75;

} // namespace

ctrlWindowContainer::ctrlWindowContainer(QWidget* parent)
    : TitleBarControl(true, parent)
{
    setObjectName(u"ctrlWindowContainer"_s);
    setMinimumSize(Twips::toPxCeil(kMinimumTwips), Twips::toPxCeil(kMinimumTwips));
    // The window's own controls are drawn over the frame.
    lower();
    setMouseTracking(true);
    relayout();
}

void ctrlWindowContainer::relayout()
{
    const int width = Twips::fromPx(this->width());
    const int barRight = kBarInset + (width - 2 * kBarInset);
    const int position = placeButtons(barRight - 90, kButtonTop, kButtonTop);
    const int captionLeft = kBarInset + 60;
    placeCaption(captionLeft, kButtonTop, position - captionLeft - 60);
    update();
}

void ctrlWindowContainer::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = Twips::fromPx(width());
    const int h = Twips::fromPx(height());
    FramePainter::paintLine(painter, Twips::rect(0, 0, w, kLine), scheme());
    FramePainter::paintLine(painter, Twips::rect(w - kLine, 0, kLine, h), scheme());
    FramePainter::paintLine(painter, Twips::rect(0, h - kLine, w, kLine), scheme());
    FramePainter::paintLine(painter, Twips::rect(0, 0, kLine, h), scheme());
    FramePainter::paintBar(
        painter, Twips::rect(kBarInset, kBarInset, w - 2 * kBarInset, kBarHeight), scheme());
}

Qt::Edges ctrlWindowContainer::edgesAt(const QPoint& pos) const
{
    const int grip = Twips::toPx(kGripTwips);
    Qt::Edges edges;
    if (pos.x() < grip)
        edges |= Qt::LeftEdge;
    else if (pos.x() >= width() - grip)
        edges |= Qt::RightEdge;
    if (pos.y() < grip)
        edges |= Qt::TopEdge;
    else if (pos.y() >= height() - grip)
        edges |= Qt::BottomEdge;
    return edges;
}

QWidget* ctrlWindowContainer::resizeTarget() const
{
    if (FramedSubWindow* sub = FramedSubWindow::of(this))
        return sub;
    return window();
}

void ctrlWindowContainer::mousePressEvent(QMouseEvent* event)
{
    const Qt::Edges edges = edgesAt(event->position().toPoint());
    QWidget* target = resizeTarget();
    if (event->button() != Qt::LeftButton || !edges || !target || target->isMaximized()) {
        TitleBarControl::mousePressEvent(event);
        return;
    }
    m_resizing = edges;
    m_pressedAt = event->globalPosition().toPoint();
    m_startGeometry = target->geometry();
    event->accept();
}

void ctrlWindowContainer::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_resizing) {
        const Qt::Edges edges = edgesAt(event->position().toPoint());
        if ((edges & Qt::LeftEdge && edges & Qt::TopEdge)
            || (edges & Qt::RightEdge && edges & Qt::BottomEdge))
            setCursor(Qt::SizeFDiagCursor);
        else if ((edges & Qt::RightEdge && edges & Qt::TopEdge)
                 || (edges & Qt::LeftEdge && edges & Qt::BottomEdge))
            setCursor(Qt::SizeBDiagCursor);
        else if (edges & (Qt::LeftEdge | Qt::RightEdge))
            setCursor(Qt::SizeHorCursor);
        else if (edges & (Qt::TopEdge | Qt::BottomEdge))
            setCursor(Qt::SizeVerCursor);
        else
            unsetCursor();
        TitleBarControl::mouseMoveEvent(event);
        return;
    }
    QWidget* target = resizeTarget();
    const QPoint delta = event->globalPosition().toPoint() - m_pressedAt;
    const QSize least = target->minimumSize().expandedTo(minimumSize());
    QRect r = m_startGeometry;
    // The opposite edge stays where it was; no edge passes the least size.
    if (m_resizing & Qt::LeftEdge)
        r.setLeft(std::min(r.left() + delta.x(), r.right() + 1 - least.width()));
    if (m_resizing & Qt::RightEdge)
        r.setRight(std::max(r.right() + delta.x(), r.left() + least.width() - 1));
    if (m_resizing & Qt::TopEdge)
        r.setTop(std::min(r.top() + delta.y(), r.bottom() + 1 - least.height()));
    if (m_resizing & Qt::BottomEdge)
        r.setBottom(std::max(r.bottom() + delta.y(), r.top() + least.height() - 1));
    target->setGeometry(r);
    event->accept();
}

void ctrlWindowContainer::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_resizing) {
        TitleBarControl::mouseReleaseEvent(event);
        return;
    }
    m_resizing = {};
    event->accept();
}
