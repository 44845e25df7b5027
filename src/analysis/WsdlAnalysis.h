#pragma once

#include "message/HTTPRequest.h"
#include "persistence/XmlNode.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class XmlDocument;

// One operation of a port type, as listed by the SOAP wizard.
struct OperationEntry
{
    QString portTypeName;
    QString operationName;
    QString inputMessageName; // the list's text: the input message name without its prefix
};

// One row of the parameter grid: what the user types a value for.
struct SoapParameter
{
    QString name;
    QString type; // the part's type or element, or the schema type of a wrapped child
    QString ns; // a wrapped child's element namespace; "" for an unqualified element
    bool header = false; // the row goes into the SOAP Header
};

// One document of a description read besides the main one (an imported WSDL or schema).
struct WsdlSource
{
    QString url; // where it was read from
    QByteArray bytes; // the document as received
};

// Everything the wizard shows for one operation and needs to generate its request.
struct SoapOperation
{
    enum class Version { Soap11, Soap12 };

    OperationEntry entry;
    // The binding's soapAction; nothing when the binding names none.
    std::optional<QString> soapAction;
    QList<SoapParameter> parameters;
    // The service address as written in the document; empty when none was found.
    QString address;
    Version version = Version::Soap11;
    bool rpc = true; // rpc style: parts go inside an element named after the operation
    bool encoded = true; // SOAP encoding (only meaningful for rpc)
    QString operationNamespace; // rpc: the namespace of the operation element

    // Document style: the elements that go directly under Body, one per part.
    struct BodyElement
    {
        QString name;
        QString ns;
        bool wrapper = false; // its rows are its child elements; otherwise its row is its content
        int firstRow = 0;
        int rowCount = 0;
    };
    QList<BodyElement> bodyElements;
    // The soap:header parts (either style), written into the SOAP Header.
    QList<BodyElement> headerElements;

    // An error message box to show, "" for none.
    QString errorMessage;
    // The status line after the selection ("" when all is well).
    QString status;
    // False when no service address was found; the request cannot be generated then.
    bool canGenerate() const { return !address.isEmpty(); }
};

// A generated request, or the message box that says why there is none.
struct SoapRequestResult
{
    std::optional<HTTPRequest> request;
    QString errorMessage;
    QString errorTitle;
    explicit operator bool() const { return request.has_value(); }
};

// True when a request URL names a WSDL document: its path ends in ".wsdl", or its query is
// "wsdl" or "singleWsdl" (with or without a value), letters in any case.
bool IsWsdlUrl(const QString& url);

// The WSDL analysis behind the SOAP request wizard: lists a WSDL document's operations,
// finds each one's SOAPAction, input parameters and service address, and turns typed
// values into a ready-to-send SOAP request.
class WsdlAnalysis final
{
    Q_DISABLE_COPY_MOVE(WsdlAnalysis)
public:
    WsdlAnalysis();
    ~WsdlAnalysis();

    // Takes the WSDL text and the URL it came from (relative addresses resolve against it;
    // may be empty). Forgets the previous document's operations and imported documents.
    void setWSDLFileContents(const QString& text, const QString& wsdlUrl = {});
    // The same for the document's bytes, whose encoding the document declares.
    void setWSDLDocument(const QByteArray& bytes, const QString& wsdlUrl = {});
    // The text as given without its XML declaration, or the bytes read as UTF-8.
    QString WSDLFileContents() const;
    const QString& wsdlUrl() const { return m_url; }
    // The document as bytes: as given, or the text in UTF-8.
    QByteArray documentBytes() const { return m_bytes.isEmpty() ? m_text.toUtf8() : m_bytes; }

    // The documents the main one imports, directly or through others, as read for it; they
    // are parsed with it as one description. Without a call, imports are noted as not read.
    void setImportedDocuments(const QList<WsdlSource>& documents);

    // Parses the document and lists its operations, sorted by input message name; operations
    // of a port type bound only by non-SOAP bindings (HTTP GET/POST) are left out. Returns the
    // status line: "" on success or a note (an import not followed, operations left out);
    // "Error: " + reason (naming an imported document that does not parse), "No ports found
    // in WSDL file" (with the note) or "No SOAP binding ..." on failure, with no operations.
    QString EnumPortTypes();
    // The operations of the last successful EnumPortTypes, in list order.
    const QList<OperationEntry>& operations() const { return m_operations; }

    // The details of operation index (in list order); an empty operation out of range.
    SoapOperation SelectOperation(qsizetype index) const;

    // Builds the POST request for operation with one value per parameter row, sent to
    // address (normally operation.address; a relative one resolves against the WSDL's URL).
    // Fails with the message box text and title when the address is not an http(s) URL
    // after resolving, or holds a control character.
    SoapRequestResult GenerateRequest(const SoapOperation& operation, const QStringList& values,
                                      const QString& address) const;

    // The SOAP envelope of the operation with those values, as sent.
    static QString BuildEnvelope(const SoapOperation& operation, const QStringList& values);
    // A value as it goes into the envelope: kept as typed when it is a well-formed XML
    // fragment holding markup, else with &, < and > escaped.
    static QString EnvelopeValue(const QString& value);

private:
    XmlNode definitions() const;
    // The definitions of the main and every imported WSDL document.
    QList<XmlNode> allDefinitions() const;
    // Nodes the XPath selects below each definitions element, in document order.
    QList<XmlNode> selectAll(const QString& xpath, const XPathVariables& variables = {}) const;
    // Every schema: in each document's types, and imported schema documents.
    QList<XmlNode> schemas() const;
    // The global schema component kind ("element", "complexType") name in namespace ns.
    XmlNode globalComponent(const char* kind, const QString& ns, const QString& name) const;
    // Appends a document-style element part (body or header) and its rows to op.
    void addElementPart(SoapOperation& op, const XmlNode& part, bool header) const;

    QString m_text;
    QByteArray m_bytes;
    QString m_url;
    std::unique_ptr<XmlDocument> m_doc;
    QList<WsdlSource> m_imports;
    bool m_importsRead = false;
    std::vector<std::unique_ptr<XmlDocument>> m_importDocs;
    QList<OperationEntry> m_operations;
};
