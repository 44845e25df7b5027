#include "shell/widgets/FramePainter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace FramePainter {

namespace {

struct Palette
{
    QColor barTop;
    QColor barBottom;
    QColor line;
    QColor buttonTop;
    QColor buttonBottom;
    QColor buttonEdge;
};

// Blue matches the popup menu's lavender; red and green are the alternative schemes.
Palette paletteOf(Scheme scheme)
{
    switch (scheme) {
    case Scheme::Red:
        return { QColor(0xb8, 0x42, 0x3d), QColor(0x7a, 0x1e, 0x1b), QColor(0x6a, 0x19, 0x16),
                 QColor(0xd9, 0x6c, 0x66), QColor(0xa3, 0x32, 0x2d), QColor(0x55, 0x12, 0x10) };
    case Scheme::Green:
        return { QColor(0x3c, 0x8c, 0x4b), QColor(0x1f, 0x58, 0x2a), QColor(0x1a, 0x4a, 0x23),
                 QColor(0x66, 0xb3, 0x72), QColor(0x33, 0x7b, 0x40), QColor(0x12, 0x3a, 0x19) };
    case Scheme::Default:
        break;
    }
    return { QColor(0x4c, 0x5c, 0xa0), QColor(0x2a, 0x35, 0x6e), QColor(0x26, 0x30, 0x62),
             QColor(0x7a, 0x89, 0xc8), QColor(0x46, 0x54, 0x9a), QColor(0x1b, 0x22, 0x4e) };
}

QLinearGradient vertical(const QRectF& rect, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(rect.topLeft(), rect.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

void paintGlyph(QPainter& painter, const QRectF& face, Button button)
{
    // The glyph box is square and centred so that the marks keep their shape in
    // buttons that are not.
    const qreal side = std::min(face.width(), face.height()) * 0.5;
    QRectF box(0, 0, side, side);
    if (button == Button::Menu)
        box.moveCenter(QPointF(face.right() - face.height() * 0.5, face.center().y()));
    else
        box.moveCenter(face.center());
    QPen pen(Qt::white, std::max<qreal>(1.2, side / 5.0), Qt::SolidLine, Qt::SquareCap,
             Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    switch (button) {
    case Button::Close:
        painter.drawLine(box.topLeft(), box.bottomRight());
        painter.drawLine(box.topRight(), box.bottomLeft());
        break;
    case Button::Maximize:
        painter.drawRect(box);
        painter.drawLine(box.topLeft() + QPointF(0, pen.widthF()),
                         box.topRight() + QPointF(0, pen.widthF()));
        break;
    case Button::Minimize:
        painter.drawLine(box.bottomLeft(), box.bottomRight());
        break;
    case Button::Menu: {
        QPainterPath arrow;
        const QRectF a = box.adjusted(0, side * 0.25, 0, -side * 0.25);
        arrow.moveTo(a.topLeft());
        arrow.lineTo(a.topRight());
        arrow.lineTo(QPointF(a.center().x(), a.bottom()));
        arrow.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawPath(arrow);
        break;
    }
    }
}

} // namespace

void paintBar(QPainter& painter, const QRectF& rect, Scheme scheme)
{
    const Palette p = paletteOf(scheme);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(vertical(rect, p.barTop, p.barBottom));
    painter.drawRect(rect);
    // A thin highlight along the top edge gives the bar some depth without a bevel.
    painter.setPen(QPen(p.barTop.lighter(135), 1));
    painter.drawLine(QPointF(rect.left(), rect.top() + 0.5),
                     QPointF(rect.right(), rect.top() + 0.5));
    painter.restore();
}

void paintLine(QPainter& painter, const QRectF& rect, Scheme scheme)
{
    painter.fillRect(rect, paletteOf(scheme).line);
}

void paintButton(QPainter& painter, const QRectF& rect, Button button, Scheme scheme, bool sunken)
{
    const Palette p = paletteOf(scheme);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF face = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = std::min<qreal>(3.0, face.height() / 4.0);
    painter.setPen(QPen(p.buttonEdge, 1));
    painter.setBrush(sunken ? vertical(face, p.buttonBottom, p.buttonTop)
                            : vertical(face, p.buttonTop, p.buttonBottom));
    painter.drawRoundedRect(face, radius, radius);
    if (sunken) {
        // The pressed look: a single dark line inside the edge, the glyph shifted down.
        painter.setPen(QPen(p.buttonEdge.darker(130), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(face.adjusted(1, 1, -1, -1), radius, radius);
        painter.translate(0.75, 0.75);
    }
    painter.setRenderHint(QPainter::Antialiasing,
                          button == Button::Close || button == Button::Menu);
    paintGlyph(painter, face, button);
    painter.restore();
}

QColor textColor(Scheme)
{
    return Qt::white;
}

} // namespace FramePainter
