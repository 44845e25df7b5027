#pragma once

#include "analysis/WsdlAnalysis.h"
#include "analysis/WsdlImports.h"

#include <QWidget>

#include <functional>

class MessageSink;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// The SOAP request wizard's panel: lists a WSDL document's operations, shows the chosen
// one's SOAPAction, parameters and service address, and hands the generated request to the
// request loader. Message boxes go through the sink.
class ctrlSOAP final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ctrlSOAP)

public:
    // Where a generated request goes (the request window); it must not be null to generate.
    using RequestLoader = std::function<void(const HTTPRequest&)>;

    // An empty panel: no operations, Generate disabled. messages must outlive it.
    explicit ctrlSOAP(MessageSink& messages, QWidget* parent = nullptr);
    ~ctrlSOAP() override;

    void setRequestLoader(RequestLoader loader) { m_loader = std::move(loader); }

    // Takes the WSDL text or bytes and the URL it came from (relative addresses resolve
    // against it); call EnumPortTypes next.
    void setWSDLFileContents(const QString& text, const QString& wsdlUrl = {});
    void setWSDLDocument(const QByteArray& bytes, const QString& wsdlUrl = {});
    QString WSDLFileContents() const { return m_wsdl.WSDLFileContents(); }

    // Reads imported documents through reader (stored copies, the main one named
    // mainLocation) instead of the network; a null reader restores the network.
    void setLocalReader(WsdlImports::LocalReader reader, const QString& mainLocation = {});

    // Parses the document and fills the list, selecting its first operation. A document
    // with imports is first read with them, without blocking: the list fills when they are
    // read. On failure the list, grid and labels are emptied, Generate is disabled and the
    // status says why.
    void EnumPortTypes();
    // True while imported documents are being read.
    bool isReadingImports() const { return m_imports.isRunning(); }
    // The documents read with the last document, and what each imports.
    const WsdlImports& imports() const { return m_imports; }

    QListWidget* ListView1() const { return m_list; }
    QTableWidget* flxInputParams() const { return m_grid; }
    QLabel* lblSOAPAction() const { return m_lblSOAPAction; }
    QLabel* lblServiceAddress() const { return m_lblServiceAddress; }
    QLabel* lblStatus() const { return m_lblStatus; }
    // The lines logged while reading imports; hidden when there were none.
    QPlainTextEdit* txtImportLog() const { return m_importLog; }
    QPushButton* cmdGenerateRequest() const { return m_cmdGenerate; }
    QPushButton* cmdCancel() const { return m_cmdCancel; }

Q_SIGNALS:
    // A request was handed to the request loader.
    void OkClicked();
    // Cancel was pressed, or generation failed.
    void CancelClicked();
    // The imports of a document were read (or failed); the list is filled.
    void importsRead(bool ok);
    // A log line of the import reading.
    void logLine(const QString& line);

private:
    void clearOperation();
    void selectOperation(int row);
    void cmdGenerateRequest_Click();
    void fillOperations();
    void onImportsFinished(bool ok);
    void showStatus(const QString& status);

    MessageSink& m_messages;
    WsdlAnalysis m_wsdl;
    SoapOperation m_operation;
    RequestLoader m_loader;
    WsdlImports m_imports;
    QString m_note; // the listing's note, kept visible beside each operation's status

    QListWidget* m_list;
    QTableWidget* m_grid;
    QLabel* m_lblSOAPAction;
    QLabel* m_lblServiceAddress;
    QLabel* m_lblStatus;
    QPlainTextEdit* m_importLog;
    QPushButton* m_cmdGenerate;
    QPushButton* m_cmdCancel;
};
