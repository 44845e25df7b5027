// The request window's keyboard: the Tab order, the shortcuts and the names assistive
// technology reads for the buttons that show only a picture.
#include "analysis/widgets/frmResult.h"
#include "editing/widgets/ctrlHeaders.h"
#include "shell/widgets/ctrlWindowContainer.h"
#include "transport/widgets/ctrlHTTP.h"
#include "transport/widgets/frmBrowser.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Reports when the watched widget is shown or hidden.
class VisibilityWatch final : public QObject
{
public:
    VisibilityWatch(QWidget* watched, std::function<void(bool)> changed)
        : QObject(watched)
        , m_changed(std::move(changed))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
            m_changed(event->type() == QEvent::Show);
        return false;
    }

private:
    std::function<void(bool)> m_changed;
};

// The result window holding the focus, or else the active sub-window's; null when neither
// is one.
frmResult* activeResultWindow(QMdiArea* area)
{
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
        if (auto* result = qobject_cast<frmResult*>(w))
            return result;
    }
    if (area && area->activeSubWindow()) {
        QWidget* inside = area->activeSubWindow()->widget();
        if (auto* result = qobject_cast<frmResult*>(inside))
            return result;
        return inside ? inside->findChild<frmResult*>() : nullptr;
    }
    return nullptr;
}

} // namespace

void frmBrowser::installKeyboard()
{
    // Reading order; the catalogue and authentication buttons sit above the grid.
    const QList<QWidget*> order {
        cmbServer,
        txtPort,
        txtPortSecure,
        chkSecureConnection,
        cmdPasteUrl,
        cmdNewResultWindow,
        cmbReqMethod,
        cmbURL,
        cmbHTTPver,
        ctrlHeaders1->findChild<QWidget*>(u"cmdAddHeader"_s),
        ctrlHeaders1->findChild<QWidget*>(u"cmdBasicAuth"_s),
        ctrlHeaders1->findChild<QWidget*>(u"flxRequestHeaders"_s),
        ctrlHeaders1->findChild<QWidget*>(u"cmdValue"_s), // shown on a value cell only
        chkIncludePostData,
        chkRB_UseFormBuilder,
        cmdRB_FORMdata,
        cmdBodyEditor,
        cmdBodyFromFile,
        txtRequestBody,
        cmdSend,
        chkKeepAlive,
        cmdCloseConnection, // shown while a connection is kept
    };
    QWidget* previous = nullptr;
    for (QWidget* w : order) {
        if (!w)
            continue;
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
    // Tab leaves the grid and the body instead of moving between cells or typing a tab;
    // arrow keys move within the grid.
    if (auto* grid = qobject_cast<QAbstractItemView*>(
            ctrlHeaders1->findChild<QWidget*>(u"flxRequestHeaders"_s)))
        grid->setTabKeyNavigation(false);
    txtRequestBody->setTabChangesFocus(true);

    const auto shortcut = [this](const QKeySequence& keys, Qt::ShortcutContext context,
                                 std::function<void()> slot) {
        return new QShortcut(keys, this, this, std::move(slot), context);
    };
    const auto send = [this] {
        if (cmdSend->isEnabled())
            cmdSend->click();
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), Qt::WidgetWithChildrenShortcut, send);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Enter), Qt::WidgetWithChildrenShortcut, send);
    // Saving with no request file yet asks for one, as a first save does in any editor.
    shortcut(QKeySequence::Save, Qt::WindowShortcut, [this] { menuItemClicked(u"savereq"_s); });
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), Qt::WindowShortcut,
             [this] { menuItemClicked(u"savereqas"_s); });
    shortcut(QKeySequence::Open, Qt::WindowShortcut, [this] { menuItemClicked(u"loadreq"_s); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_L), Qt::WindowShortcut, [this] {
        if (!cmbURL->isEnabled())
            return;
        cmbURL->setFocus(Qt::ShortcutFocusReason);
        cmbURL->lineEdit()->selectAll();
    });
    // Escape belongs to the transport panel only while it shows, so that everywhere else it
    // keeps its usual meaning (closing a find bar, a popup).
    auto* cancel = ctrlHTTP1->findChild<QPushButton*>(u"cmdCancel"_s);
    QShortcut* escape = shortcut(QKeySequence(Qt::Key_Escape), Qt::WindowShortcut, [cancel] {
        if (cancel && cancel->isVisible() && cancel->isEnabled())
            cancel->click();
    });
    escape->setEnabled(ctrlHTTP1->isVisible());
    new VisibilityWatch(ctrlHTTP1, [escape](bool shown) { escape->setEnabled(shown); });
    // Result windows are top-level when there is no document area.
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_W), Qt::ApplicationShortcut, [this] {
        if (frmResult* result = activeResultWindow(m_area))
            result->close();
    });

    cmdSend->setToolTip(u"Send the request (Ctrl+Enter)"_s);
    cmbURL->setToolTip(u"Absolute path (Ctrl+L)"_s);
    if (cancel)
        cancel->setToolTip(u"Cancel the exchange (Esc)"_s);
    cmdPasteUrl->setAccessibleName(u"Paste request"_s);
    cmdNewResultWindow->setAccessibleName(u"New result window"_s);
}
