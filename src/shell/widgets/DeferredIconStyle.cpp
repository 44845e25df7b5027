#include "shell/widgets/DeferredIconStyle.h"

#include <QIconEngine>
#include <QPointer>
#include <QStyleOption>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Set while a deferred icon is read: the base style may ask its proxy for other icons then,
// and those are read at once.
int s_reading = 0;

// Stands for the base style's icon and asks for it on first use.
class DeferredStandardIcon final : public QIconEngine
{
public:
    DeferredStandardIcon(QStyle* style, QStyle::StandardPixmap which, const QStyleOption* option)
        : m_style(style)
        , m_which(which)
    {
        // Only the common part is kept (direction, palette, state, font metrics), marked as
        // such so no style takes it for the widget's own kind of option.
        if (option) {
            m_option = *option;
            m_option->type = QStyleOption::SO_Default;
            m_option->version = QStyleOption::Version;
        }
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new DeferredStandardIcon(*this); }
    QString key() const override { return u"DeferredStandardIcon"_s; }
    // Asked when a widget lays out, long before anything is drawn: answering it must not
    // read the files. The base style draws every standard icon it is asked for.
    bool isNull() override { return m_loaded ? m_icon.isNull() : false; }

private:
    const QIcon& icon()
    {
        if (!m_loaded) {
            m_loaded = true;
            if (m_style) {
                ++s_reading;
                m_icon = m_style->standardIcon(m_which, m_option ? &*m_option : nullptr);
                --s_reading;
            }
        }
        return m_icon;
    }

    QPointer<QStyle> m_style;
    QStyle::StandardPixmap m_which;
    std::optional<QStyleOption> m_option;
    bool m_loaded = false;
    QIcon m_icon;
};

} // namespace

QIcon DeferredIconStyle::standardIcon(StandardPixmap which, const QStyleOption* option,
                                      const QWidget* widget) const
{
    if (s_reading > 0)
        return QProxyStyle::standardIcon(which, option, widget);
    return QIcon(new DeferredStandardIcon(baseStyle(), which, option));
}
