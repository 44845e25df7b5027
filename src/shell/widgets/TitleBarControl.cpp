#include "shell/widgets/TitleBarControl.h"

#include "shell/Twips.h"
#include "shell/widgets/FrameButton.h"
#include "shell/widgets/frmMenu.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMouseEvent>

using namespace Qt::StringLiterals;

namespace {

constexpr int kButtonWidth = 240;
constexpr int kMenuButtonWidth = 1125;
constexpr int kButtonHeight = 225;
constexpr int kGap = 60;

// Captions are written with "&" as a mnemonic marker ("&&" for a plain ampersand), as the
// callers double the ampersands of a URL; a title has no keyboard access, so the marker
// is dropped rather than underlined.
QString withoutMnemonics(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&' && i + 1 < text.size())
            ++i;
        else if (text.at(i) == u'&')
            continue;
        out.append(text.at(i));
    }
    return out;
}

QFont barFont(const QFont& base, bool bold)
{
    QFont f = base;
    f.setPointSizeF(8.25);
    f.setBold(bold);
    return f;
}

} // namespace

TitleBarControl::TitleBarControl(bool showMenu, QWidget* parent)
    : QWidget(parent)
    , m_showMenu(showMenu)
    , m_close(new FrameButton(FramePainter::Button::Close, this))
    , m_maximize(new FrameButton(FramePainter::Button::Maximize, this))
    , m_minimize(new FrameButton(FramePainter::Button::Minimize, this))
    , m_menuButton(new FrameButton(FramePainter::Button::Menu, this))
    , m_menuLabel(new QLabel(u"Options"_s, this))
    , m_captionLabel(new QLabel(this))
    , m_menu(new frmMenu(this))
{
    m_close->setObjectName(u"imgClose"_s);
    m_maximize->setObjectName(u"imgMaximize"_s);
    m_minimize->setObjectName(u"imgMinimize"_s);
    m_menuButton->setObjectName(u"imgMenu"_s);
    m_menuLabel->setObjectName(u"lblMenu"_s);
    m_captionLabel->setObjectName(u"lblCaption"_s);
    m_close->setToolTip(u"Close"_s);
    m_maximize->setToolTip(u"Maximize"_s);
    m_minimize->setToolTip(u"Minimize"_s);
    for (FrameButton* b : { m_close, m_maximize, m_minimize })
        b->setAccessibleName(b->toolTip());
    m_menuButton->setAccessibleName(m_menuLabel->text());

    for (QLabel* label : { m_menuLabel, m_captionLabel }) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, FramePainter::textColor(m_scheme));
        label->setPalette(p);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setTextFormat(Qt::PlainText);
        label->installEventFilter(this);
    }
    m_menuLabel->setFont(barFont(font(), false));
    m_captionLabel->setFont(barFont(font(), true));
    setCaption(u"Window caption"_s);

    connect(m_close, &FrameButton::mousePressed, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
                if (button == Qt::LeftButton && !(modifiers & Qt::ShiftModifier))
                    m_close->setSunken(true);
            });
    for (FrameButton* b : { m_maximize, m_minimize }) {
        connect(b, &FrameButton::mousePressed, b, [b] { b->setSunken(true); });
    }
    // Every release raises the event, whatever the button and wherever the pointer is.
    connect(m_close, &FrameButton::mouseReleased, this, [this] {
        m_close->setSunken(false);
        Q_EMIT WindowClose();
    });
    connect(m_maximize, &FrameButton::mouseReleased, this, [this] {
        m_maximize->setSunken(false);
        Q_EMIT WindowMaximize();
    });
    connect(m_minimize, &FrameButton::mouseReleased, this, [this] {
        m_minimize->setSunken(false);
        Q_EMIT WindowMinimize();
    });
    // The picture itself only shows the press; the label over it opens the menu.
    connect(m_menuButton, &FrameButton::mousePressed, m_menuButton,
            [this] { m_menuButton->setSunken(true); });
    connect(m_menuButton, &FrameButton::mouseReleased, m_menuButton,
            [this] { m_menuButton->setSunken(false); });
    // What a screen reader's press does: the same as a click.
    connect(m_close, &FrameButton::triggered, this, &TitleBarControl::WindowClose);
    connect(m_maximize, &FrameButton::triggered, this, &TitleBarControl::WindowMaximize);
    connect(m_minimize, &FrameButton::triggered, this, &TitleBarControl::WindowMinimize);
    connect(m_menuButton, &FrameButton::triggered, this, &TitleBarControl::showMenu);
    connect(m_menu, &frmMenu::MenuItemClicked, this, &TitleBarControl::MenuItemClicked);
    // The open popup takes the release, so the picture rises when the menu goes.
    connect(m_menu, &frmMenu::menuHidden, m_menuButton, [this] { m_menuButton->setSunken(false); });

    applyVisibility();
}

TitleBarControl::~TitleBarControl()
{
    endDrag();
}

void TitleBarControl::setCaption(const QString& caption)
{
    m_caption = caption;
    m_captionLabel->setText(withoutMnemonics(caption));
    // A screen reader names the window by its title bar.
    setAccessibleName(m_captionLabel->text());
}

void TitleBarControl::setMenuButtonCaption(const QString& caption)
{
    m_menuLabel->setText(caption);
    m_menuButton->setAccessibleName(caption);
}

void TitleBarControl::setBarColor(int scheme)
{
    if (scheme == 1) {
        m_scheme = FramePainter::Scheme::Red;
        m_menu->setItemBackground(0, QColor(255, 192, 192));
    } else if (scheme == 2) {
        m_scheme = FramePainter::Scheme::Green;
    } else {
        return;
    }
    for (FrameButton* b : { m_close, m_maximize, m_minimize, m_menuButton })
        b->setScheme(m_scheme);
    update();
}

void TitleBarControl::setFlag(bool& flag, bool show)
{
    if (flag == show)
        return;
    flag = show;
    applyVisibility();
    relayout();
}

void TitleBarControl::setShowMinimizeButton(bool show)
{
    setFlag(m_showMinimize, show);
}

void TitleBarControl::setShowMaximizeButton(bool show)
{
    setFlag(m_showMaximize, show);
}

void TitleBarControl::setShowCloseButton(bool show)
{
    setFlag(m_showClose, show);
}

void TitleBarControl::setShowmenu(bool show)
{
    setFlag(m_showMenu, show);
}

void TitleBarControl::applyVisibility()
{
    m_close->setVisible(m_showClose);
    m_maximize->setVisible(m_showMaximize);
    m_minimize->setVisible(m_showMinimize);
    m_menuButton->setVisible(m_showMenu);
    m_menuLabel->setVisible(m_showMenu);
}

void TitleBarControl::AddMenuItem(const QString& sMenuItemCaption, const QString& sMenuItemTag)
{
    m_menu->AddMenuItem(sMenuItemCaption, sMenuItemTag);
}

void TitleBarControl::SetMenuCaption(const QString& tag, const QString& caption)
{
    m_menu->SetMenuCaption(tag, caption);
}

void TitleBarControl::EnableMenuItem(const QString& tag, bool enable)
{
    m_menu->EnableMenuItem(tag, enable);
}

QWidget* TitleBarControl::hostWindow() const
{
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (w->isWindow() || qobject_cast<QMdiSubWindow*>(w))
            return w;
    }
    return window();
}

int TitleBarControl::placeButtons(int right, int top, int labelTop)
{
    const struct
    {
        FrameButton* button;
        bool shown;
        int width;
    } order[] = { { m_close, m_showClose, kButtonWidth },
                  { m_maximize, m_showMaximize, kButtonWidth },
                  { m_minimize, m_showMinimize, kButtonWidth },
                  { m_menuButton, m_showMenu, kMenuButtonWidth } };
    for (const auto& b : order) {
        if (!b.shown)
            continue;
        const int left = right - b.width;
        b.button->setGeometry(Twips::rect(left, top, b.width, kButtonHeight));
        if (b.button == m_menuButton)
            m_menuLabel->setGeometry(
                Twips::rect(left + kGap, labelTop, b.width - kGap, kButtonHeight));
        right = left - kGap;
    }
    return right;
}

void TitleBarControl::placeCaption(int left, int top, int width)
{
    m_captionLabel->setGeometry(Twips::rect(left, top, std::max(width, 0), kButtonHeight));
}

void TitleBarControl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void TitleBarControl::showMenu()
{
    m_menuButton->setSunken(true);
    m_menu->popupAt(m_menuButton->mapToGlobal(QPoint(0, m_menuButton->height())));
}

void TitleBarControl::endDrag()
{
    if (!m_dragging)
        return;
    m_dragging = false;
    QGuiApplication::restoreOverrideCursor();
}

bool TitleBarControl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_menuLabel) {
        if (event->type() == QEvent::MouseButtonPress) {
            showMenu();
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            m_menuButton->setSunken(false);
            return true;
        }
    } else if (watched == m_captionLabel) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            // Screen positions, not label positions: the label moves with the window.
            const auto* mouse = static_cast<QMouseEvent*>(event);
            endDrag();
            m_dragStart = mouse->globalPosition().toPoint();
            m_hostStart = hostWindow()->pos();
            m_dragging = true;
            QGuiApplication::setOverrideCursor(Qt::SizeAllCursor);
            return true;
        }
        case QEvent::MouseMove:
            if (m_dragging) {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                hostWindow()->move(m_hostStart + mouse->globalPosition().toPoint() - m_dragStart);
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            endDrag();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
