#include "shell/widgets/PelorinIcons.h"

#include "shell/widgets/PaintedIconEngine.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <array>

using namespace Qt::StringLiterals;

// Every picture is drawn on a 32-unit square. Outlines are 2 units wide and centred on odd
// coordinates where they can be, so that they fall on whole pixels at 16 and 32 pixels.
namespace {

constexpr qreal kOutline = 2.0;

QPen pen(const QColor& colour, qreal width = kOutline)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Light at the top, darker at the bottom: gives the flat shapes a little body.
QBrush shade(const QColor& colour, qreal top, qreal bottom)
{
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, colour.lighter(118));
    gradient.setColorAt(1, colour.darker(108));
    return gradient;
}

void outlined(QPainter& p, const QPainterPath& path, const QBrush& fill, const QColor& line,
              qreal width = kOutline)
{
    p.setPen(pen(line, width));
    p.setBrush(fill);
    p.drawPath(path);
}

QPainterPath roundedRect(qreal x, qreal y, qreal w, qreal h, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), radius, radius);
    return path;
}

QPainterPath circle(qreal cx, qreal cy, qreal r)
{
    QPainterPath path;
    path.addEllipse(QPointF(cx, cy), r, r);
    return path;
}

// A point on a circle; angles in degrees, counter-clockwise from three o'clock.
QPointF onCircle(QPointF centre, qreal r, qreal degrees)
{
    const qreal a = qDegreesToRadians(degrees);
    return centre + QPointF(r * qCos(a), -r * qSin(a));
}

// A filled arrow head with its tip at tip, pointing along direction (any length).
QPainterPath arrowHead(QPointF tip, QPointF direction, qreal length, qreal halfWidth)
{
    const qreal n = qSqrt(QPointF::dotProduct(direction, direction));
    const QPointF d = direction / n;
    const QPointF side(-d.y(), d.x());
    const QPointF base = tip - d * length;
    QPainterPath path;
    path.moveTo(tip);
    path.lineTo(base + side * halfWidth);
    path.lineTo(base - side * halfWidth);
    path.closeSubpath();
    return path;
}

// A horizontal arrow from x0 to x1 at height y as one outline, head at x1.
QPainterPath horizontalArrow(qreal x0, qreal x1, qreal y, qreal shaftHalf, qreal headLength,
                             qreal headHalf)
{
    const qreal dir = x1 > x0 ? 1.0 : -1.0;
    const qreal neck = x1 - dir * headLength;
    QPainterPath path;
    path.moveTo(x0, y - shaftHalf);
    path.lineTo(neck, y - shaftHalf);
    path.lineTo(neck, y - headHalf);
    path.lineTo(x1, y);
    path.lineTo(neck, y + headHalf);
    path.lineTo(neck, y + shaftHalf);
    path.lineTo(x0, y + shaftHalf);
    path.closeSubpath();
    return path;
}

void paintHistory(QPainter& p)
{
    const QPointF c(17, 16);
    constexpr qreal r = 12;
    const QColor face(0xf4, 0xf7, 0xfb);
    const QColor rim(0x2f, 0x62, 0xa8);
    const QColor ink(0x1f, 0x2a, 0x38);
    outlined(p, circle(c.x(), c.y(), r), shade(face, 4, 28), rim, 3);
    // The rim opens at the upper left where time runs back: an arrow turning anticlockwise.
    p.setPen(pen(face, 3.6));
    p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 128 * 16, 44 * 16);
    p.setPen(pen(rim, 1));
    p.setBrush(rim);
    p.drawPath(arrowHead(onCircle(c, r, 178) + QPointF(0, 2.2), QPointF(-0.1, 1), 6, 3.6));
    p.setPen(pen(rim, 1.6));
    for (const qreal a : { 90.0, 0.0, 270.0 })
        p.drawLine(onCircle(c, r - 3, a), onCircle(c, r - 4.8, a));
    p.setPen(pen(ink, 2.6));
    p.drawLine(c, c + QPointF(0, -7.5));
    p.drawLine(c, c + QPointF(5.5, 3.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd9, 0x48, 0x2b));
    p.drawEllipse(c, 1.8, 1.8);
}

void paintCookies(QPainter& p)
{
    QPainterPath cookie = circle(15.5, 17, 13);
    cookie = cookie.subtracted(circle(28, 5.5, 6));
    cookie = cookie.subtracted(circle(30.5, 13, 4));
    const QColor dough(0xdc, 0xa0, 0x56);
    outlined(p, cookie, shade(dough, 4, 30), QColor(0x7e, 0x48, 0x1a));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x55, 0x2e, 0x12));
    for (const auto& [x, y, r] : std::array<std::array<qreal, 3>, 6> { {
             { 10, 11.5, 2.4 },
             { 18.5, 12, 1.9 },
             { 8.5, 20.5, 2.1 },
             { 16.5, 20, 2.5 },
             { 23.5, 22, 2.0 },
             { 13, 26.5, 1.7 },
         } })
        p.drawEllipse(QPointF(x, y), r, r);
}

void paintSettings(QPainter& p)
{
    const QPointF c(16, 16);
    constexpr int teeth = 8;
    constexpr qreal outer = 14.5;
    constexpr qreal root = 10.5;
    QPainterPath gear;
    for (int i = 0; i < teeth; ++i) {
        const qreal a = 22.5 + i * 360.0 / teeth;
        const QPointF points[] = { onCircle(c, root, a - 17), onCircle(c, outer, a - 9),
                                   onCircle(c, outer, a + 9), onCircle(c, root, a + 17) };
        if (i == 0)
            gear.moveTo(points[0]);
        else
            gear.lineTo(points[0]);
        for (int k = 1; k < 4; ++k)
            gear.lineTo(points[k]);
    }
    gear.closeSubpath();
    gear.addEllipse(c, 4.5, 4.5);
    gear.setFillRule(Qt::OddEvenFill);
    outlined(p, gear, shade(QColor(0x9f, 0xb1, 0xc4), 2, 30), QColor(0x33, 0x44, 0x57));
}

void paintSoap(QPainter& p)
{
    const QColor ink(0x7a, 0x56, 0x0e);
    outlined(p, roundedRect(3, 7, 26, 19, 2), shade(QColor(0xf5, 0xd7, 0x86), 7, 26), ink);
    QPainterPath flap;
    flap.moveTo(4, 8.5);
    flap.lineTo(16, 18);
    flap.lineTo(28, 8.5);
    p.setPen(pen(ink, 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
    p.setPen(pen(ink.darker(110), 1.2));
    p.drawLine(QPointF(4.5, 24.5), QPointF(12.5, 18));
    p.drawLine(QPointF(27.5, 24.5), QPointF(19.5, 18));
    // The seal makes it a sealed message rather than mail: an envelope with a payload.
    outlined(p, circle(16, 18, 4), QColor(0xc8, 0x2e, 0x2e), QColor(0x6e, 0x12, 0x12), 1.4);
}

void paintLinks(QPainter& p)
{
    const QColor ink(0x17, 0x4a, 0x80);
    const QColor metal(0x6c, 0xb2, 0xf0);
    const QRectF left(-14, -5, 17, 10);
    const QRectF right(-3, -5, 17, 10);
    auto link = [&](const QRectF& r) {
        p.setBrush(Qt::NoBrush);
        p.setPen(pen(ink, 5.6));
        p.drawRoundedRect(r, 5, 5);
        p.setPen(pen(metal, 2.6));
        p.drawRoundedRect(r, 5, 5);
    };
    p.save();
    p.translate(16, 16);
    p.rotate(-45);
    link(left);
    link(right);
    // Put the left link back over the right one at their upper crossing: they interlock.
    p.setClipRect(QRectF(-5, -9, 10, 8.5));
    link(left);
    p.restore();
}

void paintManual(QPainter& p)
{
    const QColor pageInk(0x8a, 0x7d, 0x65);
    outlined(p, roundedRect(9, 5, 18, 25, 1.5), QColor(0xf6, 0xf1, 0xe4), pageInk, 1.6);
    p.setPen(pen(pageInk, 0.8));
    p.drawLine(QPointF(25.5, 8), QPointF(25.5, 28.5));
    p.drawLine(QPointF(11, 28.5), QPointF(25.5, 28.5));
    const QColor cover(0x2f, 0x7a, 0x4a);
    const QColor ink(0x14, 0x3e, 0x24);
    outlined(p, roundedRect(5, 3, 19, 24, 2), shade(cover, 3, 27), ink);
    p.setPen(Qt::NoPen);
    p.setBrush(cover.darker(135));
    p.drawRect(QRectF(6, 4, 3, 22));
    outlined(p, roundedRect(11.5, 8, 9, 5.5, 1), QColor(0xf6, 0xf1, 0xe4), ink, 1.2);
    // A bookmark ribbon below the pages.
    QPainterPath ribbon;
    ribbon.moveTo(18, 27);
    ribbon.lineTo(18, 31);
    ribbon.lineTo(19.75, 29.5);
    ribbon.lineTo(21.5, 31);
    ribbon.lineTo(21.5, 27);
    outlined(p, ribbon, QColor(0xd6, 0x3a, 0x2f), QColor(0x7a, 0x16, 0x10), 1);
}

void paintExit(QPainter& p)
{
    const QColor frameInk(0x40, 0x46, 0x50);
    outlined(p, roundedRect(3, 3, 17, 26, 1), QColor(0xd9, 0xdd, 0xe2), frameInk);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2a, 0x2f, 0x37));
    p.drawRect(QRectF(6, 6, 11, 22));
    // The door swings open towards the viewer on its left hinge.
    QPainterPath door;
    door.moveTo(6, 6);
    door.lineTo(13, 8.5);
    door.lineTo(13, 30.5);
    door.lineTo(6, 28);
    door.closeSubpath();
    outlined(p, door, shade(QColor(0xb8, 0x74, 0x38), 6, 30), QColor(0x62, 0x36, 0x12), 1.6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf2, 0xd2, 0x6b));
    p.drawEllipse(QPointF(11.2, 19.5), 1.1, 1.1);
    outlined(p, horizontalArrow(14, 30.5, 17, 2.6, 7.5, 7), shade(QColor(0x2f, 0xa8, 0x56), 10, 24),
             QColor(0x12, 0x55, 0x27), 1.6);
}

void paintPaste(QPainter& p)
{
    outlined(p, roundedRect(5, 5, 22, 25, 2.5), shade(QColor(0xc4, 0x8c, 0x4c), 5, 30),
             QColor(0x6a, 0x44, 0x1a));
    p.setPen(pen(QColor(0x8c, 0x93, 0x9c), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8.5, 8.5, 15, 18.5));
    outlined(p, roundedRect(11, 2.5, 10, 6, 2), shade(QColor(0xcf, 0xd6, 0xde), 2, 9),
             QColor(0x45, 0x4e, 0x5a), 1.6);
    // A globe on the sheet: the clipboard holds an address.
    const QPointF g(16, 18.5);
    const QColor sea(0x3d, 0x8b, 0xdb);
    const QColor line(0xe3, 0xf1, 0xff);
    outlined(p, circle(g.x(), g.y(), 6.2), shade(sea, 12, 25), QColor(0x16, 0x4a, 0x82), 1.6);
    p.setPen(pen(line, 1.1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(g, 2.6, 5.4);
    p.drawLine(g + QPointF(-5.4, 0), g + QPointF(5.4, 0));
    p.drawLine(g + QPointF(0, -5.4), g + QPointF(0, 5.4));
}

void paintNewResult(QPainter& p)
{
    const QColor ink(0x26, 0x4a, 0x78);
    outlined(p, roundedRect(2, 4, 24, 20, 2), Qt::white, ink);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3d, 0x6f, 0xb4));
    p.drawRect(QRectF(3, 5, 22, 4.5));
    p.setPen(pen(QColor(0xa4, 0xae, 0xbb), 1.5));
    p.drawLine(QPointF(6, 13.5), QPointF(20, 13.5));
    p.drawLine(QPointF(6, 17.5), QPointF(14, 17.5));
    outlined(p, circle(23.5, 23.5, 7.2), shade(QColor(0x2f, 0xa8, 0x56), 16, 31),
             QColor(0x12, 0x55, 0x27), 1.6);
    p.setPen(pen(Qt::white, 2.6));
    p.drawLine(QPointF(23.5, 19.5), QPointF(23.5, 27.5));
    p.drawLine(QPointF(19.5, 23.5), QPointF(27.5, 23.5));
}

void paintApp(QPainter& p)
{
    QLinearGradient tile(0, 1, 0, 31);
    tile.setColorAt(0, QColor(0x35, 0x86, 0xea));
    tile.setColorAt(1, QColor(0x16, 0x3e, 0x8c));
    outlined(p, roundedRect(1.5, 1.5, 29, 29, 7), tile, QColor(0x0c, 0x26, 0x5a), 1.5);
    // Request out, response back: the two directions of an exchange.
    const QColor ink(0x0c, 0x26, 0x5a);
    outlined(p, horizontalArrow(6.5, 26, 11.5, 2, 6.5, 5.2), Qt::white, ink, 1.2);
    outlined(p, horizontalArrow(25.5, 6, 21.5, 2, 6.5, 5.2), QColor(0xff, 0xb1, 0x3b), ink, 1.2);
}

struct Entry
{
    QString name;
    void (*paint)(QPainter&);
};

const std::array<Entry, 10>& entries()
{
    static const std::array<Entry, 10> all { {
        { u"history"_s, paintHistory },
        { u"cookies"_s, paintCookies },
        { u"settings"_s, paintSettings },
        { u"soap"_s, paintSoap },
        { u"links"_s, paintLinks },
        { u"manual"_s, paintManual },
        { u"exit"_s, paintExit },
        { u"paste"_s, paintPaste },
        { u"newresult"_s, paintNewResult },
        { u"app"_s, paintApp },
    } };
    return all;
}

} // namespace

QIcon PelorinIcon(const QString& name)
{
    for (const Entry& entry : entries()) {
        if (entry.name == name)
            return QIcon(new PaintedIconEngine(entry.name, entry.paint));
    }
    return QIcon();
}

QStringList PelorinIconNames()
{
    QStringList names;
    for (const Entry& entry : entries())
        names.append(entry.name);
    return names;
}
