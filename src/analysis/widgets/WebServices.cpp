#include "analysis/widgets/WebServices.h"

#include "analysis/widgets/frmSOAPAction.h"
#include "analysis/widgets/frmWebServices.h"
#include "shell/widgets/CenterFormOver.h"
#include "shell/widgets/FramedSubWindow.h"

#include <QMdiArea>

WebServices::WebServices(const QString& folder, MessageSink& messages, QWidget* mainWindow,
                         QMdiArea* area)
    : QObject(mainWindow)
    , m_repository(folder)
    , m_messages(messages)
    , m_mainWindow(mainWindow)
    , m_area(area)
{ }

WebServices::~WebServices()
{
    delete m_wizard;
    delete m_window;
}

void WebServices::setRequestLoader(ctrlSOAP::RequestLoader loader)
{
    m_loader = std::move(loader);
    if (m_wizard)
        m_wizard->panel()->setRequestLoader(m_loader);
}

frmSOAPAction* WebServices::wizard()
{
    if (!m_wizard) {
        m_wizard = new frmSOAPAction(m_messages, m_mainWindow);
        m_wizard->panel()->setRequestLoader(m_loader);
    }
    return m_wizard;
}

bool WebServices::openWizard(const QByteArray& document, const QString& url)
{
    wizard()->panel()->setWSDLDocument(document, url);
    return runWizard();
}

bool WebServices::openWizardOnText(const QString& text, const QString& url)
{
    wizard()->panel()->setWSDLFileContents(text, url);
    return runWizard();
}

bool WebServices::runWizard()
{
    frmSOAPAction* form = wizard();
    form->panel()->EnumPortTypes();
    CenterFormOver(m_mainWindow, form);
    return form->run();
}

RepositoryResult WebServices::store(const QByteArray& document, const QString& url)
{
    RepositoryResult result = m_repository.StoreWSDLFile(document, url);
    if (m_window)
        m_window->EnumWebServices();
    return result;
}

frmWebServices* WebServices::repositoryWindow()
{
    if (!m_window) {
        m_window = new frmWebServices(*this, m_messages);
        if (m_area)
            FramedSubWindow::addTo(m_area, m_window);
    }
    return m_window;
}

void WebServices::showRepository()
{
    frmWebServices* window = repositoryWindow();
    window->EnumWebServices();
    window->show();
    window->raise();
    if (FramedSubWindow* sub = FramedSubWindow::of(window); sub && m_area)
        m_area->setActiveSubWindow(sub);
    else
        window->activateWindow();
}
