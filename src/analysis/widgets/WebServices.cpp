#include "analysis/widgets/WebServices.h"

#include "analysis/widgets/frmSOAPAction.h"
#include "analysis/widgets/frmWebServices.h"
#include "shell/MessageSink.h"
#include "shell/widgets/CenterFormOver.h"
#include "shell/widgets/FramedSubWindow.h"

#include <QMdiArea>

#include <utility>

using namespace Qt::StringLiterals;

WebServices::WebServices(const QString& folder, MessageSink& messages, QWidget* mainWindow,
                         QMdiArea* area)
    : QObject(mainWindow)
    , m_repository(folder)
    , m_messages(messages)
    , m_mainWindow(mainWindow)
    , m_area(area)
{
    connect(&m_storeImports, &WsdlImports::finished, this, &WebServices::onStoreImportsRead);
    connect(&m_storeImports, &WsdlImports::logLine, this, &WebServices::logLine);
}

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
        connect(m_wizard->panel(), &ctrlSOAP::logLine, this, &WebServices::logLine);
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

bool WebServices::openStored(const QString& fileName)
{
    QByteArray document;
    if (const RepositoryResult read = m_repository.ReadWSDLFile(fileName, document); !read) {
        m_messages.showMessage(read.text, u"Error:"_s, MessageSink::Icon::Error);
        return false;
    }
    wizard()->panel()->setWSDLDocument(document, m_repository.urlOf(fileName));
    return runWizard(
        [this, fileName](const QString& location, QByteArray& bytes) {
            return m_repository.ReadImport(fileName, location, bytes);
        },
        fileName);
}

bool WebServices::runWizard(WsdlImports::LocalReader reader, const QString& mainLocation)
{
    frmSOAPAction* form = wizard();
    form->panel()->setLocalReader(std::move(reader), mainLocation);
    form->panel()->EnumPortTypes();
    CenterFormOver(m_mainWindow, form);
    return form->run();
}

void WebServices::store(const QByteArray& document, const QString& url, StoreDone done)
{
    m_storeImports.cancel();
    m_storeDocument = document;
    m_storeUrl = url;
    m_storeDone = std::move(done);
    if (WsdlImports::ImportLocations(document).isEmpty()) {
        finishStore(m_repository.StoreWSDLFile(document, url));
        return;
    }
    m_storeImports.start(document, url);
}

void WebServices::onStoreImportsRead(bool ok)
{
    // A description whose imports cannot be read is not stored half.
    finishStore(
        ok ? m_repository.StoreWSDLFile(m_storeDocument, m_storeUrl, m_storeImports.result())
           : RepositoryResult { false, u"Not stored: "_s + m_storeImports.status(), {} });
}

void WebServices::finishStore(const RepositoryResult& result)
{
    if (m_window)
        m_window->EnumWebServices();
    const StoreDone done = std::exchange(m_storeDone, {});
    if (done)
        done(result);
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
