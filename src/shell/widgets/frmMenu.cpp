#include "shell/widgets/frmMenu.h"

#include "shell/Twips.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kItemHeightTwips = 285;
constexpr int kExtraWidthTwips = 240;
constexpr int kBottomMarginTwips = 120;
const QString kIndent = u"   "_s;

} // namespace

frmMenu::frmMenu(QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint)
    , m_lengthTest(new QLabel(this))
{
    setObjectName(u"frmMenu"_s);
    setAutoFillBackground(true);
    setBarColor(kItemBackground);
    m_lengthTest->setObjectName(u"lblLengthTest"_s);
    m_lengthTest->hide();
    // The first item exists from the start and stays hidden until an item is added.
    auto* first = new QLabel(u"Menu item"_s, this);
    first->setObjectName(u"lblMenuItem0"_s);
    first->hide();
    m_items.append({ first, QString(), kItemBackground });
    resize(Twips::toPx(1000), Twips::toPx(kBottomMarginTwips));
}

void frmMenu::AddMenuItem(const QString& sMenuItemCaption, const QString& sMenuItemTag)
{
    ++m_count;
    const int index = m_count - 1;
    const int height = std::max(Twips::toPx(kItemHeightTwips), fontMetrics().height() + 4);
    if (index > 0) {
        const QLabel* previous = m_items.at(index - 1).label;
        auto* label = new QLabel(this);
        label->setObjectName(u"lblMenuItem"_s + QString::number(index));
        label->setGeometry(0, previous->y() + previous->height(), previous->width(), height);
        m_items.append({ label, QString(), kItemBackground });
    } else {
        m_items[0].label->setGeometry(0, 0, width(), height);
    }
    Item& item = m_items[index];
    item.label->setText(kIndent + sMenuItemCaption);
    item.label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    item.label->setAutoFillBackground(true);
    item.label->setMouseTracking(true);
    item.label->installEventFilter(this);
    item.tag = sMenuItemTag;
    paintItem(index, false);
    item.label->show();

    m_lengthTest->setText(item.label->text());
    const int measured
        = Twips::fromPx(m_lengthTest->fontMetrics().horizontalAdvance(m_lengthTest->text()));
    if (measured > m_widestTwips) {
        m_widestTwips = measured;
        const int width = Twips::toPx(m_widestTwips + kExtraWidthTwips);
        for (const Item& each : std::as_const(m_items))
            each.label->resize(width, each.label->height());
        resize(width, this->height());
    }
    resize(width(), item.label->y() + item.label->height() + Twips::toPx(kBottomMarginTwips));
}

int frmMenu::indexOf(const QString& tag) const
{
    for (int i = 0; i < m_count; ++i) {
        if (m_items.at(i).tag.compare(tag, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void frmMenu::SetMenuCaption(const QString& tag, const QString& caption)
{
    const int i = indexOf(tag);
    if (i >= 0)
        m_items.at(i).label->setText(kIndent + caption);
}

void frmMenu::EnableMenuItem(const QString& tag, bool enable)
{
    const int i = indexOf(tag);
    if (i < 0)
        return;
    if (!enable && m_highlighted == i)
        highlight(-1);
    m_items.at(i).label->setEnabled(enable);
}

void frmMenu::setBarColor(const QColor& colour)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
}

void frmMenu::setItemBackground(int index, const QColor& colour)
{
    if (index < 0 || index >= m_items.size())
        return;
    m_items[index].background = colour;
    paintItem(index, index == m_highlighted);
}

QLabel* frmMenu::lblMenuItem(int index) const
{
    return index >= 0 && index < m_count ? m_items.at(index).label : nullptr;
}

QString frmMenu::itemTag(int index) const
{
    return index >= 0 && index < m_count ? m_items.at(index).tag : QString();
}

void frmMenu::paintItem(int index, bool highlighted)
{
    QLabel* label = m_items.at(index).label;
    QPalette p = label->palette();
    // The desktop's button-text colour, unless a dark theme makes it too light to read
    // on the light item background.
    QColor text = palette().color(QPalette::Active, QPalette::ButtonText);
    if (text.lightness() > 110)
        text = Qt::black;
    p.setColor(QPalette::Window, highlighted ? kHighlightBackground : m_items.at(index).background);
    p.setColor(QPalette::Active, QPalette::WindowText, highlighted ? QColor(Qt::white) : text);
    p.setColor(QPalette::Inactive, QPalette::WindowText, highlighted ? QColor(Qt::white) : text);
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(112, 112, 140));
    p.setColor(QPalette::Disabled, QPalette::Window, m_items.at(index).background);
    label->setPalette(p);
}

void frmMenu::highlight(int index)
{
    if (index == m_highlighted)
        return;
    if (m_highlighted >= 0)
        paintItem(m_highlighted, false);
    m_highlighted = index;
    if (index >= 0)
        paintItem(index, true);
}

bool frmMenu::eventFilter(QObject* watched, QEvent* event)
{
    int index = -1;
    for (int i = 0; i < m_count; ++i) {
        if (m_items.at(i).label == watched)
            index = i;
    }
    if (index < 0)
        return QWidget::eventFilter(watched, event);
    // Filters see the events of disabled labels too; those take part in nothing.
    const bool enabled = m_items.at(index).label->isEnabled();
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::MouseMove:
        if (enabled)
            highlight(index);
        break;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (enabled && m_items.at(index).label->rect().contains(mouse->position().toPoint())) {
            // The popup lets go of the mouse first: an item may open a modal dialog, whose
            // first click the grab would otherwise take.
            hide();
            QMetaObject::invokeMethod(
                this, [this, tag = m_items.at(index).tag] { Q_EMIT MenuItemClicked(tag); },
                Qt::QueuedConnection);
        }
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void frmMenu::popupAt(const QPoint& globalPos)
{
    // Wholly on its screen: moved left or up as far as the screen's edge needs.
    QPoint place = globalPos;
    const QScreen* screen = QGuiApplication::screenAt(globalPos);
    if (!screen)
        screen = this->screen();
    if (screen) {
        const QRect room = screen->availableGeometry();
        place.setX(std::max(room.left(), std::min(place.x(), room.right() + 1 - width())));
        place.setY(std::max(room.top(), std::min(place.y(), room.bottom() + 1 - height())));
    }
    move(place);
    show();
    raise();
    activateWindow();
}

void frmMenu::dismiss()
{
    highlight(-1);
    if (isVisible())
        hide();
}

void frmMenu::hideEvent(QHideEvent* event)
{
    highlight(-1);
    QWidget::hideEvent(event);
    Q_EMIT menuHidden();
}

void frmMenu::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    dismiss();
}

void frmMenu::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow())
        dismiss();
}
