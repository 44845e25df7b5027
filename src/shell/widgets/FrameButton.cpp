#include "shell/widgets/FrameButton.h"

#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

// The buttons are painted pictures; a screen reader announces them as buttons it can press.
class AccessibleFrameButton final : public QAccessibleWidget
{
public:
    explicit AccessibleFrameButton(FrameButton* button)
        : QAccessibleWidget(button, QAccessible::Button)
    { }
    QStringList actionNames() const override { return { pressAction() }; }
    void doAction(const QString& action) override
    {
        if (action == pressAction())
            static_cast<FrameButton*>(widget())->trigger();
    }
};

QAccessibleInterface* accessibleFrameButton(const QString& className, QObject* object)
{
    if (className == "FrameButton"_L1 && object && object->isWidgetType())
        return new AccessibleFrameButton(static_cast<FrameButton*>(object));
    return nullptr;
}

} // namespace

FrameButton::FrameButton(FramePainter::Button button, QWidget* parent)
    : QWidget(parent)
    , m_button(button)
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFrameButton);
        return true;
    }();
    Q_UNUSED(installed);
}

void FrameButton::trigger()
{
    Q_EMIT triggered();
}

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
