#pragma once

#include "analysis/WebServicesRepository.h"
#include "analysis/widgets/ctrlSOAP.h"

#include <QObject>
#include <QPointer>

#include <functional>

class MessageSink;
class QMdiArea;
class frmSOAPAction;
class frmWebServices;

// The web services tools of one program run: the repository, the single SOAP wizard and the
// single repository window, both created on first use. The main window owns it; the WSDL
// page of a result window and the repository window use it.
class WebServices final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebServices)

public:
    // The repository lives in folder (the data folder's webservices). The wizard is owned by
    // and placed over mainWindow; the repository window goes into area (top-level when null).
    // messages must outlive this object.
    WebServices(const QString& folder, MessageSink& messages, QWidget* mainWindow,
                QMdiArea* area = nullptr);
    ~WebServices() override;

    // Where generated requests go: normally the request window's SetControls_LoadedRequest
    // followed by giving it the focus.
    void setRequestLoader(ctrlSOAP::RequestLoader loader);

    WebServicesRepository& repository() { return m_repository; }

    // Runs the wizard on a WSDL document that came from url, its imports read from the
    // network. True when a request was generated and handed to the request loader.
    bool openWizard(const QByteArray& document, const QString& url);
    // The same for a document already decoded into text (a response decoded by its charset).
    bool openWizardOnText(const QString& text, const QString& url);
    // The same for the stored description fileName, its imports read from their stored copies.
    // False (with a message) when it cannot be read.
    bool openStored(const QString& fileName);

    using StoreDone = std::function<void(const RepositoryResult&)>;
    // Stores the document in the repository with the documents it imports, read first
    // without blocking, then refreshes the repository window's list and calls done (at once
    // when the document imports nothing). A store under way is abandoned for a new one.
    void store(const QByteArray& document, const QString& url, StoreDone done);
    // Shows the repository window (creating it on first use) and brings it to the front.
    void showRepository();

    // The wizard and the repository window, created on first use.
    frmSOAPAction* wizard();
    frmWebServices* repositoryWindow();

Q_SIGNALS:
    // A log line of reading imported documents (for the wizard or for a store).
    void logLine(const QString& line);

private:
    bool runWizard(WsdlImports::LocalReader reader = {}, const QString& mainLocation = {});
    void onStoreImportsRead(bool ok);
    void finishStore(const RepositoryResult& result);

    WebServicesRepository m_repository;
    MessageSink& m_messages;
    QPointer<QWidget> m_mainWindow;
    QPointer<QMdiArea> m_area;
    ctrlSOAP::RequestLoader m_loader;
    QPointer<frmSOAPAction> m_wizard;
    QPointer<frmWebServices> m_window;
    WsdlImports m_storeImports;
    QByteArray m_storeDocument;
    QString m_storeUrl;
    StoreDone m_storeDone;
};
