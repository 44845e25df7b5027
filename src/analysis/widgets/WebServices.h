#pragma once

#include "analysis/WebServicesRepository.h"
#include "analysis/widgets/ctrlSOAP.h"

#include <QObject>
#include <QPointer>

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

    // Runs the wizard on a WSDL document that came from url. True when a request was
    // generated and handed to the request loader.
    bool openWizard(const QByteArray& document, const QString& url);
    // The same for a document already decoded into text (a response decoded by its charset).
    bool openWizardOnText(const QString& text, const QString& url);
    // Stores the document in the repository and refreshes the repository window's list.
    RepositoryResult store(const QByteArray& document, const QString& url);
    // Shows the repository window (creating it on first use) and brings it to the front.
    void showRepository();

    // The wizard and the repository window, created on first use.
    frmSOAPAction* wizard();
    frmWebServices* repositoryWindow();

private:
    bool runWizard();

    WebServicesRepository m_repository;
    MessageSink& m_messages;
    QPointer<QWidget> m_mainWindow;
    QPointer<QMdiArea> m_area;
    ctrlSOAP::RequestLoader m_loader;
    QPointer<frmSOAPAction> m_wizard;
    QPointer<frmWebServices> m_window;
};
