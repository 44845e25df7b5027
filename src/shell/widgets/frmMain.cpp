#include "shell/widgets/frmMain.h"

#include "editing/RequestFile.h"
#include "persistence/AppData.h"
#include "persistence/DataFolder.h"
#include "shell/MessageSink.h"
#include "shell/Twips.h"
#include "shell/widgets/CenterFormOver.h"
#include "shell/widgets/FramedSubWindow.h"
#include "shell/widgets/PelorinIcons.h"
#include "transport/BrowserSession.h"
#include "transport/widgets/frmBrowser.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolBar>

using namespace Qt::StringLiterals;

frmMain::frmMain(AppData& app, MessageSink& messages, QWidget* parent)
    : QMainWindow(parent)
    , m_app(app)
    , m_messages(messages)
    , m_area(new QMdiArea(this))
{
    setObjectName(u"frmMain"_s);
    resize(Twips::toPx(12000), Twips::toPx(9000));
    setWindowTitle(u" Pelorin - The Web developer's HTTP User-agent"_s);
    setWindowIcon(PelorinIcon(u"app"_s));
    m_area->setObjectName(u"mdiArea"_s);
    setCentralWidget(m_area);
    buildToolbar();
}

frmMain::~frmMain() = default;

void frmMain::buildToolbar()
{
    auto* bar = addToolBar(u"Toolbar1"_s);
    bar->setObjectName(u"Toolbar1"_s);
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const QList<std::pair<QString, QString>> buttons {
        { u"History"_s, u"history"_s },   { u"Cookies"_s, u"cookies"_s },
        { u"Settings"_s, u"settings"_s }, { u"SOAP"_s, u"soap"_s },
        { u"Links"_s, u"links"_s },       { u"Manual"_s, u"manual"_s },
        { u"Exit"_s, u"exit"_s },
    };
    for (const auto& [caption, tag] : buttons) {
        QAction* action = bar->addAction(PelorinIcon(tag), caption);
        action->setData(tag);
        action->setObjectName(tag);
        // The tool windows behind the other buttons are not part of the program yet.
        action->setEnabled(tag == "exit"_L1);
        m_actions.append(action);
    }
    connect(bar, &QToolBar::actionTriggered, this, [this](QAction* action) {
        if (action->data().toString() == "exit"_L1)
            close();
    });
}

QAction* frmMain::toolbarAction(const QString& tag) const
{
    for (QAction* action : m_actions) {
        if (action->data().toString() == tag)
            return action;
    }
    return nullptr;
}

bool frmMain::startUp(const QString& requestFileArgument)
{
    if (!m_app.LoadConfiguration(nullptr))
        return false;

    m_browser = new frmBrowser(m_app, m_messages, m_area, this);
    // Saved at once, so that the exchange survives however the program ends.
    connect(&m_browser->session(), &BrowserSession::userDataChanged, this,
            [this] { m_app.SaveUserDataReported(false); });
    FramedSubWindow* sub = FramedSubWindow::addTo(m_area, m_browser);
    sub->move(Twips::toPx(60), Twips::toPx(60));
    sub->show();
    m_browser->show();
    m_area->setActiveSubWindow(sub);
    m_browser->setFocus();

    m_app.LoadUserData();
    m_browser->GetHistoryForHost();

    const QString file = RequestFileArgument(requestFileArgument);
    if (!file.isEmpty())
        m_browser->openRequestFile(file);
    return true;
}

void frmMain::CenterFormOnMe(QWidget* form)
{
    CenterFormOver(this, form);
}

void frmMain::ShutDown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_app.SaveUserDataReported(true);
    QList<QMdiSubWindow*> windows = m_area->subWindowList(QMdiArea::CreationOrder);
    std::reverse(windows.begin(), windows.end());
    for (QMdiSubWindow* window : windows)
        window->close();
    QApplication::quit();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    ShutDown();
    event->accept();
}
