#include "shell/widgets/PaintedIconEngine.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal kDesignSize = 32.0;

} // namespace

PaintedIconEngine::PaintedIconEngine(QString name, Painter painter)
    : m_name(std::move(name))
    , m_painter(std::move(painter))
{ }

QImage PaintedIconEngine::render(const QSize& size, QIcon::Mode mode) const
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (size.isEmpty())
        return image;
    const int side = qMin(size.width(), size.height());
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate((size.width() - side) / 2.0, (size.height() - side) / 2.0);
        painter.scale(side / kDesignSize, side / kDesignSize);
        m_painter(painter);
    }
    if (mode == QIcon::Disabled) {
        // Grey and faded whatever the desktop theme: still readable, plainly unavailable.
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = line[x];
                const int a = qAlpha(p);
                const int faded = a * 45 / 100;
                // Greys squeezed towards the middle: dark parts must not vanish on a dark
                // desktop, nor light ones on a light desktop.
                const int grey = a ? 96 + qGray(p) * 255 / a / 2 : 0;
                // Premultiplied: the colour channels scale with the alpha.
                const int g = grey * faded / 255;
                line[x] = qRgba(g, g, g, faded);
            }
        }
    }
    return image;
}

void PaintedIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                              QIcon::State state)
{
    const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    painter->drawPixmap(rect.topLeft(), scaledPixmap(rect.size() * scale, mode, state, scale));
}

QPixmap PaintedIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State)
{
    // Every repaint of a button asks again; drawing the paths anti-aliased each time was a
    // twentieth of a start.
    for (const Drawn& drawn : std::as_const(m_drawn)) {
        if (drawn.size == size && drawn.mode == mode)
            return drawn.pixmap;
    }
    QPixmap drawn = QPixmap::fromImage(render(size, mode));
    m_drawn.append({ size, mode, drawn });
    return drawn;
}

QPixmap PaintedIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                                        qreal scale)
{
    // size is in device pixels already; QIcon marks the result with the scale.
    QPixmap result = pixmap(size, mode, state);
    if (result.devicePixelRatio() != scale)
        result.setDevicePixelRatio(scale);
    return result;
}

QList<QSize> PaintedIconEngine::availableSizes(QIcon::Mode, QIcon::State)
{
    return { QSize(16, 16), QSize(24, 24), QSize(32, 32), QSize(48, 48), QSize(64, 64) };
}

QIconEngine* PaintedIconEngine::clone() const
{
    return new PaintedIconEngine(m_name, m_painter);
}

QString PaintedIconEngine::key() const
{
    return u"PaintedIconEngine"_s;
}

QString PaintedIconEngine::iconName()
{
    return m_name;
}

bool PaintedIconEngine::isNull()
{
    return false;
}
