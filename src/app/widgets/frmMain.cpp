#include "app/widgets/frmMain.h"

#include "analysis/widgets/WebServices.h"
#include "analysis/widgets/frmResult.h"
#include "analysis/widgets/frmWebServices.h"
#include "app/widgets/frmAbout.h"
#include "app/widgets/frmManual.h"
#include "app/widgets/frmNeedMSXML.h"
#include "editing/RequestFile.h"
#include "persistence/AppData.h"
#include "persistence/AutoSettings.h"
#include "persistence/Configuration.h"
#include "persistence/DataFolder.h"
#include "persistence/UserDataSaver.h"
#include "persistence/XmlDocument.h"
#include "persistence/widgets/ProxyPage.h"
#include "persistence/widgets/frmControlPanel.h"
#include "persistence/widgets/frmCookies.h"
#include "persistence/widgets/frmHistory.h"
#include "shell/MessageSink.h"
#include "shell/Twips.h"
#include "shell/widgets/CenterFormOver.h"
#include "shell/widgets/DialogRunner.h"
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

namespace {

const QString kSoapWaiting = u"The web services repository is not part of this build yet; "
                             "analyse a WSDL response from its result window instead."_s;

} // namespace

frmMain::frmMain(AppData& app, MessageSink& messages, QWidget* parent)
    : QMainWindow(parent)
    , m_app(app)
    , m_messages(messages)
    , m_saver(new UserDataSaver(app, UserDataSaver::kDelayMs, this))
    , m_area(new QMdiArea(this))
{
    setObjectName(u"frmMain"_s);
    resize(Twips::toPx(12000), Twips::toPx(9000));
    setWindowTitle(u" Pelorin - The Web developer's HTTP User-agent"_s);
    // The application's icon when the program set one: the same engine draws each size once.
    setWindowIcon(QApplication::windowIcon().isNull() ? PelorinIcon(u"app"_s)
                                                      : QApplication::windowIcon());
    m_area->setObjectName(u"mdiArea"_s);
    setCentralWidget(m_area);
    buildToolbar();
}

frmControlPanel* frmMain::controlPanel()
{
    if (!m_panel) {
        m_panel = new frmControlPanel(m_app.settings(), m_messages);
        m_panel->setAboutOpener([this] { ShowAbout(); });
        m_panel->setClientCertificatesOpener([this] {
            if (m_browser)
                m_browser->openClientCertificates();
        });
        FramedSubWindow::addTo(m_area, m_panel);
        m_panel->hide();
        // Filled as loading the configuration fills it: only the panel changes the settings.
        // Before the start the configuration fills it itself.
        if (m_configurationLoaded) {
            for (const QString& key : AutoSettings::keys())
                m_panel->AddAutoSetting(AutoSettings::caption(key), key,
                                        m_app.settings().value(key).value_or(false));
            m_app.configuration().LoadHelpLinks(m_panel);
        }
        // The proxy setting lives in the user data, loaded at the start, before the panel is
        // first asked for.
        auto* proxyPage = new ProxyPage(ReadProxyPreference(m_app.userData()));
        m_panel->addPage(proxyPage, u"Proxy"_s);
        connect(proxyPage, &ProxyPage::changed, this, [this](const ProxyPreference& preference) {
            WriteProxyPreference(m_app.userData(), preference);
            m_saver->changed();
        });
    }
    return m_panel;
}

frmCookies* frmMain::cookieWindow()
{
    if (!m_cookies) {
        m_cookies = new frmCookies(m_app, m_messages);
        FramedSubWindow::addTo(m_area, m_cookies);
        m_cookies->hide();
        m_app.cookies().LoadStoredCookies();
    }
    return m_cookies;
}

frmHistory* frmMain::historyWindow()
{
    if (!m_history) {
        m_history = new frmHistory(m_app, m_messages);
        FramedSubWindow::addTo(m_area, m_history);
        m_history->hide();
        m_history->setRequestTarget([this](const HTTPRequest& request) {
            if (!m_browser)
                return;
            m_browser->SetControls_RequestFromURL(request);
            m_browser->focusRequestWindow();
        });
        m_app.history().LoadHistory();
    }
    return m_history;
}

frmMain::~frmMain() = default;

void frmMain::buildToolbar()
{
    auto* bar = addToolBar(u"Toolbar1"_s);
    bar->setObjectName(u"Toolbar1"_s);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->toggleViewAction()->setEnabled(false);
    bar->toggleViewAction()->setVisible(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const QList<std::pair<QString, QString>> buttons {
        { u"History"_s, u"history"_s },   { u"Cookies"_s, u"cookies"_s },
        { u"Settings"_s, u"settings"_s }, { u"SOAP"_s, u"soap"_s },
        { u"Links"_s, u"links"_s },       { u"Manual"_s, u"manual"_s },
        { u"Exit"_s, u"exit"_s },
    };
    const QHash<QString, QString> tips {
        { u"history"_s, u"Recorded requests: make a new request from one, or remove it"_s },
        { u"cookies"_s, u"Stored persistent cookies: block, unblock or delete them"_s },
        { u"settings"_s, u"Switch the automatic settings for this run"_s },
        { u"soap"_s, kSoapWaiting },
        { u"links"_s, u"Help and resources"_s },
        { u"manual"_s, u"The manual and the licence"_s },
        { u"exit"_s, u"Save cookies and history and end Pelorin"_s },
    };
    for (const auto& [caption, tag] : buttons) {
        QAction* action = bar->addAction(PelorinIcon(tag), caption);
        action->setData(tag);
        action->setObjectName(tag);
        action->setToolTip(tips.value(tag));
        // Its window comes with the repository; the tool tip says why until then.
        action->setEnabled(tag != "soap"_L1);
        m_actions.append(action);
    }
    connect(bar, &QToolBar::actionTriggered, this, &frmMain::toolbarClicked);
}

void frmMain::setRepositoryWindowFactory(WindowFactory factory)
{
    m_repositoryFactory = std::move(factory);
    QAction* soap = toolbarAction(u"soap"_s);
    soap->setEnabled(bool(m_repositoryFactory));
    soap->setToolTip(m_repositoryFactory ? u"The web services repository"_s : kSoapWaiting);
}

void frmMain::toolbarClicked(QAction* action)
{
    const QString tag = action->data().toString();
    if (tag == "exit"_L1) {
        close();
    } else if (tag == "history"_L1) {
        openToolWindow(historyWindow());
    } else if (tag == "cookies"_L1) {
        openToolWindow(cookieWindow());
    } else if (tag == "settings"_L1 || tag == "links"_L1) {
        openToolWindow(controlPanel());
        m_panel->showTab(tag == "settings"_L1 ? 0 : 1);
    } else if (tag == "manual"_L1) {
        if (!m_manual) {
            m_manual = new frmManual(m_messages);
            FramedSubWindow::addTo(m_area, m_manual);
        }
        openToolWindow(m_manual);
    } else if (tag == "soap"_L1 && m_repositoryFactory) {
        if (!m_repository) {
            m_repository = m_repositoryFactory();
            if (!m_repository)
                return;
            if (!FramedSubWindow::of(m_repository))
                FramedSubWindow::addTo(m_area, m_repository);
        }
        openToolWindow(m_repository);
    }
}

void frmMain::openToolWindow(QWidget* window)
{
    FramedSubWindow* sub = FramedSubWindow::of(window);
    if (!sub)
        return;
    CenterFormOnMe(sub);
    window->show();
    sub->show();
    sub->keepInsideArea();
    sub->raise();
    m_area->setActiveSubWindow(sub);
}

QAction* frmMain::toolbarAction(const QString& tag) const
{
    for (QAction* action : m_actions) {
        if (action->data().toString() == tag)
            return action;
    }
    return nullptr;
}

QMenu* frmMain::createPopupMenu()
{
    return nullptr;
}

bool frmMain::startUp(const QString& requestFileArgument)
{
    // pugixml is linked in, so this holds unless the library itself is broken.
    if (XmlDocument probe; !probe.loadXML(u"<probe/>"_s)) {
        ShowPrerequisiteWindow();
        return false;
    }
    if (!m_app.LoadConfiguration(m_panel))
        return false;
    m_configurationLoaded = true;

    m_browser = new frmBrowser(m_app, m_messages, m_area, this);
    // Saved soon, so that the exchange survives however the program ends.
    connect(&m_browser->session(), &BrowserSession::userDataChanged, m_saver,
            &UserDataSaver::changed);
    FramedSubWindow* sub = FramedSubWindow::addTo(m_area, m_browser);
    sub->move(Twips::toPx(60), Twips::toPx(60));
    sub->show();
    m_browser->show();
    m_area->setActiveSubWindow(sub);
    m_browser->setFocus();
    m_webServices = new WebServices(m_app.folder().webservicesFolder(), m_messages, this, m_area);
    m_webServices->setRequestLoader([this](const HTTPRequest& request) {
        m_browser->SetControls_LoadedRequest(request);
        m_browser->focusRequestWindow();
    });
    m_browser->setWebServices(m_webServices);
    // Fetching a description's imports is logged where the exchanges it belongs to are.
    connect(m_webServices, &WebServices::logLine, this, [this](const QString& line) {
        if (frmResult* result = m_browser->oResult())
            result->AddToLog(line);
    });
    setRepositoryWindowFactory([this]() -> QWidget* {
        frmWebServices* window = m_webServices->repositoryWindow();
        window->EnumWebServices();
        return window;
    });

    m_app.LoadUserData();
    m_browser->loadClientCertificates();
    m_browser->GetHistoryForHost();

    const QString file = RequestFileArgument(requestFileArgument);
    if (!file.isEmpty())
        m_browser->openRequestFile(file);
    return true;
}

void frmMain::ShowPrerequisiteWindow()
{
    frmNeedMSXML window(this);
    CenterFormOnMe(&window);
    DialogRunner::exec(window);
}

void frmMain::ShowAbout()
{
    frmAbout about(this);
    CenterFormOnMe(&about);
    DialogRunner::exec(about);
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
    m_saver->close(true);
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
