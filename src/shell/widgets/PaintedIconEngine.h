#pragma once

#include <QIconEngine>
#include <QList>
#include <QPixmap>
#include <QString>

#include <functional>

class QPainter;

// An icon drawn by a function at exactly the size and screen scale asked for, never
// scaled from a bitmap. The function paints a 32 by 32 design square. Disabled icons
// are drawn grey and faded; the other modes and states look like the normal one.
class PaintedIconEngine final : public QIconEngine
{
public:
    using Painter = std::function<void(QPainter&)>;

    // name is the icon's name (iconName()); painter must not be empty.
    PaintedIconEngine(QString name, Painter painter);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;
    QString iconName() override;
    bool isNull() override;

private:
    // The picture in device pixels, square, centred in size.
    QImage render(const QSize& size, QIcon::Mode mode) const;

    struct Drawn
    {
        QSize size;
        QIcon::Mode mode;
        QPixmap pixmap;
    };

    QString m_name;
    Painter m_painter;
    // The few sizes and modes a program shows an icon in; kept for its lifetime.
    QList<Drawn> m_drawn;
};
