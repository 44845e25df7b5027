#include "analysis/WsdlAnalysis.h"

#include "message/UrlReference.h"
#include "persistence/TextUtil.h"
#include "persistence/XmlDocument.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString kSoap11Binding = u"http://schemas.xmlsoap.org/wsdl/soap/"_s;
const QString kSoap12Binding = u"http://schemas.xmlsoap.org/wsdl/soap12/"_s;
const QString kSoap11Envelope = u"http://schemas.xmlsoap.org/soap/envelope/"_s;
const QString kSoap12Envelope = u"http://www.w3.org/2003/05/soap-envelope"_s;
const QString kSoap11Encoding = u"http://schemas.xmlsoap.org/soap/encoding/"_s;
const QString kSoap12Encoding = u"http://www.w3.org/2003/05/soap-encoding"_s;

// Elements are matched by local name so that any prefix (wsdl:, soap:, none) is found.
QString child(const char* localName)
{
    return u"*[local-name()='"_s + QLatin1StringView(localName) + u"']"_s;
}

QString prefixOf(const QString& qname)
{
    const qsizetype colon = qname.indexOf(u':');
    return colon < 0 ? QString() : qname.left(colon);
}

QString localOf(const QString& qname)
{
    return qname.mid(qname.indexOf(u':') + 1);
}

// The namespace a prefix stands for at node, from the declarations in scope; the default
// namespace for an empty prefix.
QString namespaceFor(XmlNode node, const QString& prefix)
{
    const QString declaration = prefix.isEmpty() ? u"xmlns"_s : u"xmlns:"_s + prefix;
    for (; node; node = node.parent()) {
        if (!node.isAttribute() && node.hasAttribute(declaration))
            return node.attribute(declaration);
    }
    return {};
}

QString namespaceOf(const XmlNode& element)
{
    return namespaceFor(element, prefixOf(element.name()));
}

// The message name of an input's message attribute: after the colon of "tns:Name", and the
// first piece when there are several colons.
QString messageName(const QString& attribute)
{
    const QStringList pieces = attribute.split(u':');
    return pieces.size() == 2 ? pieces.at(1) : pieces.at(0);
}

// The SOAP version whose WSDL binding namespace element is in; nothing for any other
// extension (HTTP, MIME, ...), whatever its local name.
std::optional<SoapOperation::Version> soapNamespaceVersion(const XmlNode& element)
{
    const QString ns = namespaceOf(element);
    if (ns == kSoap12Binding)
        return SoapOperation::Version::Soap12;
    if (ns == kSoap11Binding)
        return SoapOperation::Version::Soap11;
    return std::nullopt;
}

// The child extension element localName of parent in the SOAP binding namespace of version.
XmlNode soapChild(const XmlNode& parent, const char* localName, SoapOperation::Version version)
{
    for (const XmlNode& candidate : parent.selectNodes(child(localName))) {
        if (soapNamespaceVersion(candidate) == version)
            return candidate;
    }
    return {};
}

// The SOAP version of a binding; nothing for an HTTP or any other binding.
std::optional<SoapOperation::Version> soapVersion(const XmlNode& binding)
{
    for (const XmlNode& extension : binding.selectNodes(child("binding"))) {
        if (const auto version = soapNamespaceVersion(extension))
            return version;
    }
    return std::nullopt;
}

// The schema element a declaration sits in.
XmlNode schemaOf(XmlNode node)
{
    while (node && localOf(node.name()) != "schema"_L1)
        node = node.parent();
    return node;
}

QString escapeXml(QString text)
{
    return text.replace(u'&', "&amp;"_L1).replace(u'<', "&lt;"_L1).replace(u'>', "&gt;"_L1);
}

QString escapeAttribute(const QString& text)
{
    return escapeXml(text).replace(u'"', "&quot;"_L1);
}

bool hasControlCharacter(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20; });
}

// The soapAction as an HTTP quoted string (RFC 9110, 5.6.4). Line breaks a document may
// carry as character references would end the header line, so control characters go.
QString quotedAction(const QString& action)
{
    QString out = u"\""_s;
    for (QChar c : action) {
        if (c.unicode() < 0x20)
            c = u' ';
        if (c == u'"' || c == u'\\')
            out += u'\\';
        out += c;
    }
    return out + u'"';
}

// The parser keeps malformed references as text, so they are checked here.
bool referencesWellFormed(const QString& value)
{
    for (qsizetype at = value.indexOf(u'&'); at >= 0; at = value.indexOf(u'&', at + 1)) {
        const qsizetype end = value.indexOf(u';', at);
        if (end < 0)
            return false;
        const QString name = value.mid(at + 1, end - at - 1);
        static const QStringList named { u"amp"_s, u"lt"_s, u"gt"_s, u"quot"_s, u"apos"_s };
        bool ok = named.contains(name);
        if (!ok && name.startsWith("#x"_L1))
            name.mid(2).toUInt(&ok, 16);
        else if (!ok && name.startsWith(u'#'))
            name.mid(1).toUInt(&ok, 10);
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

bool IsWsdlUrl(const QString& url)
{
    const QString withoutFragment = url.section(u'#', 0, 0);
    const qsizetype query = withoutFragment.indexOf(u'?');
    const QString path = query < 0 ? withoutFragment : withoutFragment.left(query);
    if (path.endsWith(".wsdl"_L1, Qt::CaseInsensitive))
        return true;
    // Servers publish their description at the service's own address with a query.
    const QString name = query < 0
        ? QString()
        : withoutFragment.mid(query + 1).section(u'&', 0, 0).section(u'=', 0, 0);
    return name.compare("wsdl"_L1, Qt::CaseInsensitive) == 0
        || name.compare("singlewsdl"_L1, Qt::CaseInsensitive) == 0;
}

WsdlAnalysis::WsdlAnalysis()
    : m_doc(std::make_unique<XmlDocument>())
{ }

WsdlAnalysis::~WsdlAnalysis() = default;

void WsdlAnalysis::setWSDLFileContents(const QString& text, const QString& wsdlUrl)
{
    m_text = text;
    // A declaration naming another encoding would misread the text's UTF-8 form.
    RemoveBetween(m_text, u"<?xml "_s, u"?>"_s);
    m_bytes.clear();
    m_url = wsdlUrl;
    m_doc->clear();
    m_operations.clear();
    m_imports.clear();
    m_importsRead = false;
    m_importDocs.clear();
}

void WsdlAnalysis::setWSDLDocument(const QByteArray& bytes, const QString& wsdlUrl)
{
    setWSDLFileContents({}, wsdlUrl);
    m_bytes = bytes;
}

QString WsdlAnalysis::WSDLFileContents() const
{
    return m_bytes.isEmpty() ? m_text : QString::fromUtf8(m_bytes);
}

XmlNode WsdlAnalysis::definitions() const
{
    const XmlNode root = m_doc->documentElement();
    return root && localOf(root.name()) == "definitions"_L1 ? root : XmlNode();
}

void WsdlAnalysis::setImportedDocuments(const QList<WsdlSource>& documents)
{
    m_imports = documents;
    m_importsRead = true;
    m_importDocs.clear();
}

QList<XmlNode> WsdlAnalysis::allDefinitions() const
{
    QList<XmlNode> roots;
    if (const XmlNode defs = definitions())
        roots.append(defs);
    for (const auto& doc : m_importDocs) {
        const XmlNode root = doc->documentElement();
        if (localOf(root.name()) == "definitions"_L1)
            roots.append(root);
    }
    return roots;
}

QList<XmlNode> WsdlAnalysis::selectAll(const QString& xpath, const XPathVariables& variables) const
{
    QList<XmlNode> nodes;
    for (const XmlNode& root : allDefinitions())
        nodes.append(root.selectNodes(xpath, variables));
    return nodes;
}

QList<XmlNode> WsdlAnalysis::schemas() const
{
    QList<XmlNode> found = selectAll(child("types") + u'/' + child("schema"));
    for (const auto& doc : m_importDocs) {
        const XmlNode root = doc->documentElement();
        if (localOf(root.name()) == "schema"_L1)
            found.append(root);
    }
    return found;
}

XmlNode WsdlAnalysis::globalComponent(const char* kind, const QString& ns,
                                      const QString& name) const
{
    // An included schema without a target namespace takes its includer's, so it may hold
    // the component whatever namespace is asked for; one that names the namespace comes first.
    const QList<XmlNode> all = schemas();
    for (const bool exact : { true, false }) {
        for (const XmlNode& schema : all) {
            const QString target = schema.attribute(u"targetNamespace"_s);
            if (exact ? target != ns : !target.isEmpty())
                continue;
            const XmlNode found
                = schema.selectSingleNode(child(kind) + u"[@name=$n]"_s, { { u"n"_s, name } });
            if (found)
                return found;
        }
    }
    return {};
}

QString WsdlAnalysis::EnumPortTypes()
{
    m_operations.clear();
    m_importDocs.clear();
    const bool parsed = m_bytes.isEmpty() ? m_doc->loadXML(m_text) : m_doc->loadXML(m_bytes);
    if (!parsed)
        return u"Error: "_s + m_doc->parseError().reason;
    for (const WsdlSource& source : std::as_const(m_imports)) {
        auto doc = std::make_unique<XmlDocument>();
        if (!doc->loadXML(source.bytes)) {
            m_importDocs.clear();
            return u"Error: "_s + source.url + u": "_s + doc->parseError().reason;
        }
        m_importDocs.push_back(std::move(doc));
    }

    const XmlNode defs = definitions();
    const QList<XmlNode> inputs
        = selectAll(child("portType") + u'/' + child("operation") + u'/' + child("input"));
    const XmlNode import
        = defs && !m_importsRead ? defs.selectSingleNode(child("import")) : XmlNode();
    QString note = import ? u"Imported documents are not read: "_s + import.attribute(u"location"_s)
                          : QString();
    if (!defs || inputs.isEmpty())
        return note.isEmpty() ? u"No ports found in WSDL file"_s
                              : u"No ports found in WSDL file. "_s + note;

    // A port type without a SOAP binding (bound to HTTP GET/POST, or not bound at all while
    // others are) cannot be reached with SOAP. A description without any binding keeps the
    // plain rpc/encoded form for all.
    const QList<XmlNode> bindings = selectAll(child("binding"));
    auto soapReachable = [&](const QString& portType) {
        for (const XmlNode& binding : bindings) {
            if (localOf(binding.attribute(u"type"_s)) == portType && soapVersion(binding))
                return true;
        }
        return bindings.isEmpty();
    };
    int leftOut = 0;
    for (const XmlNode& input : inputs) {
        if (!input.hasAttribute(u"message"_s))
            continue;
        const XmlNode operation = input.parent();
        const QString portType = operation.parent().attribute(u"name"_s);
        if (!soapReachable(portType)) {
            ++leftOut;
            continue;
        }
        m_operations.append({ portType, operation.attribute(u"name"_s),
                              messageName(input.attribute(u"message"_s)) });
    }
    if (m_operations.isEmpty() && leftOut > 0)
        return u"No SOAP binding in WSDL file: its operations are bound only to HTTP"_s;
    if (leftOut > 0) {
        const QString leftOutNote
            = u"Operations without a SOAP binding are not listed: %1"_s.arg(leftOut);
        note = note.isEmpty() ? leftOutNote : note + u". "_s + leftOutNote;
    }
    std::stable_sort(m_operations.begin(), m_operations.end(),
                     [](const OperationEntry& a, const OperationEntry& b) {
                         return a.inputMessageName.compare(b.inputMessageName, Qt::CaseInsensitive)
                             < 0;
                     });
    return note;
}

void WsdlAnalysis::addElementPart(SoapOperation& op, const XmlNode& part, bool header) const
{
    const QString name
        = part.hasAttribute(u"name"_s) ? part.attribute(u"name"_s) : u"- @name missing - "_s;
    const QString type = part.attribute(u"element"_s);
    SoapOperation::BodyElement element { localOf(type), namespaceFor(part, prefixOf(type)), false,
                                         int(op.parameters.size()), 0 };
    const XmlNode declaration = globalComponent("element", element.ns, element.name);
    XmlNode complex = declaration.selectSingleNode(child("complexType"));
    if (!complex && declaration.hasAttribute(u"type"_s)) {
        const QString typeName = declaration.attribute(u"type"_s);
        complex = globalComponent("complexType", namespaceFor(declaration, prefixOf(typeName)),
                                  localOf(typeName));
    }
    const QList<XmlNode> children
        = complex.selectNodes(child("sequence") + u'/' + child("element") + u'|' + child("all")
                              + u'/' + child("element"));
    // A complex type of another shape (choice, extension, any) is typed whole by the user.
    const XmlNode otherShape = complex.selectSingleNode(
        u"*[local-name()='choice' or local-name()='group' or local-name()='complexContent'"
        " or local-name()='simpleContent'] | *[local-name()='sequence' or local-name()='all']"
        "/*[local-name()!='element' and local-name()!='annotation']"_s);
    if (complex && !otherShape) {
        element.wrapper = true;
        for (const XmlNode& item : children) {
            SoapParameter row;
            row.header = header;
            if (item.hasAttribute(u"ref"_s)) {
                // A global element is always in its schema's namespace.
                const QString ref = item.attribute(u"ref"_s);
                row.name = localOf(ref);
                row.ns = namespaceFor(item, prefixOf(ref));
                row.type = globalComponent("element", row.ns, row.name).attribute(u"type"_s);
            } else {
                // A local element is qualified by its form, else by elementFormDefault.
                const XmlNode schema = schemaOf(item);
                const QString form = item.hasAttribute(u"form"_s)
                    ? item.attribute(u"form"_s)
                    : schema.attribute(u"elementFormDefault"_s);
                row.name = item.attribute(u"name"_s);
                row.type = item.attribute(u"type"_s);
                if (form == "qualified"_L1)
                    row.ns = schema.hasAttribute(u"targetNamespace"_s)
                        ? schema.attribute(u"targetNamespace"_s)
                        : element.ns;
            }
            op.parameters.append(row);
        }
        element.rowCount = int(children.size());
    } else {
        op.parameters.append({ name, type, {}, header });
        element.rowCount = 1;
    }
    (header ? op.headerElements : op.bodyElements).append(element);
}

SoapOperation WsdlAnalysis::SelectOperation(qsizetype index) const
{
    SoapOperation op;
    const XmlNode defs = definitions();
    if (index < 0 || index >= m_operations.size() || !defs)
        return op;
    op.entry = m_operations.at(index);
    const XPathVariables opName { { u"op"_s, op.entry.operationName } };

    // The SOAP binding of this port type that defines the operation, SOAP 1.1 before
    // SOAP 1.2; else, as a last resort, a SOAP binding of another port type defining it.
    XmlNode binding;
    int bestRank = 4;
    for (const XmlNode& candidate : selectAll(child("binding"))) {
        const auto version = soapVersion(candidate);
        if (!version || !candidate.selectSingleNode(child("operation") + u"[@name=$op]"_s, opName))
            continue;
        int rank = *version == SoapOperation::Version::Soap11 ? 0 : 1;
        if (localOf(candidate.attribute(u"type"_s)) != op.entry.portTypeName)
            rank += 2;
        if (rank < bestRank) {
            bestRank = rank;
            binding = candidate;
        }
    }
    if (binding)
        op.version = *soapVersion(binding);
    const XmlNode bindingOp
        = binding.selectSingleNode(child("operation") + u"[@name=$op]"_s, opName);
    const XmlNode soapOp = soapChild(bindingOp, "operation", op.version);
    if (!soapOp) {
        op.errorMessage = u"Could not determine SOAPAction for operation, \r\n"
                          "possible invalid WSDL file"_s;
    } else if (soapOp.hasAttribute(u"soapAction"_s)) {
        op.soapAction = soapOp.attribute(u"soapAction"_s);
    } else {
        op.status = u"No SOAPAction for this operation; an empty one is sent"_s;
    }

    // Style: the operation's, else the binding's, else document (WSDL 1.1, 3.4). Without any
    // binding the request keeps the rpc/encoded form.
    const XmlNode bindingInput = bindingOp.selectSingleNode(child("input"));
    const XmlNode body = soapChild(bindingInput, "body", op.version);
    if (binding) {
        QString style = soapOp.attribute(u"style"_s);
        if (style.isEmpty())
            style = soapChild(binding, "binding", op.version).attribute(u"style"_s);
        op.rpc = style == "rpc"_L1;
        op.encoded = body.attribute(u"use"_s) == "encoded"_L1;
    }
    op.operationNamespace = body.attribute(u"namespace"_s);
    if (op.operationNamespace.isEmpty())
        op.operationNamespace = defs.attribute(u"targetNamespace"_s);

    // Header parts first, as they come first in the envelope.
    for (const XmlNode& header : bindingInput.selectNodes(child("header"))) {
        if (soapNamespaceVersion(header) != op.version)
            continue;
        const XmlNode part
            = selectAll(child("message") + u"[@name=$m]/"_s + child("part") + u"[@name=$p]"_s,
                        { { u"m"_s, localOf(header.attribute(u"message"_s)) },
                          { u"p"_s, header.attribute(u"part"_s) } })
                  .value(0);
        if (!part)
            continue;
        if (part.hasAttribute(u"element"_s)) {
            addElementPart(op, part, true);
            continue;
        }
        // A typed header part is an element named after the part in the header's namespace.
        op.headerElements.append({ part.attribute(u"name"_s), header.attribute(u"namespace"_s),
                                   false, int(op.parameters.size()), 1 });
        op.parameters.append({ part.attribute(u"name"_s), part.attribute(u"type"_s), {}, true });
    }

    // Parameters: one row per body part (those soap:body names when it names some); a
    // document part whose element wraps a sequence of child elements contributes those
    // children instead, as the server expects them.
    const QStringList bodyParts = body.attribute(u"parts"_s).split(u' ', Qt::SkipEmptyParts);
    const QList<XmlNode> parts = selectAll(child("message") + u"[@name=$m]/"_s + child("part"),
                                           { { u"m"_s, op.entry.inputMessageName } });
    for (const XmlNode& part : parts) {
        const QString name
            = part.hasAttribute(u"name"_s) ? part.attribute(u"name"_s) : u"- @name missing - "_s;
        if (body && body.hasAttribute(u"parts"_s) && !bodyParts.contains(name))
            continue;
        QString type = part.attribute(u"type"_s);
        if (part.hasAttribute(u"element"_s))
            type = part.attribute(u"element"_s);
        if (!op.rpc && part.hasAttribute(u"element"_s)) {
            addElementPart(op, part, false);
            continue;
        }
        if (!op.rpc)
            op.bodyElements.append({ name, {}, false, int(op.parameters.size()), 1 });
        op.parameters.append({ name, type, {}, false });
    }

    // Service address: the port bound to the chosen binding; else the port named after the
    // port type; else the first port with an address.
    const QList<XmlNode> ports = selectAll(child("service") + u'/' + child("port"));
    const QString addressPath = child("address") + u"[@location]"_s;
    XmlNode address;
    for (const XmlNode& port : ports) {
        if (binding && localOf(port.attribute(u"binding"_s)) == binding.attribute(u"name"_s)
            && (address = soapChild(port, "address", op.version))
            && address.hasAttribute(u"location"_s))
            break;
        address = {};
    }
    for (const XmlNode& port : ports) {
        if (!address && port.attribute(u"name"_s) == op.entry.portTypeName)
            address = port.selectSingleNode(addressPath);
    }
    for (const XmlNode& port : ports) {
        if (!address)
            address = port.selectSingleNode(addressPath);
    }
    op.address = address.attribute(u"location"_s);
    if (op.address.isEmpty()) {
        op.status = op.status.isEmpty() ? u"Error determining Service Address"_s
                                        : u"Error determining Service Address. "_s + op.status;
    }
    return op;
}

QString WsdlAnalysis::EnvelopeValue(const QString& value)
{
    if (value.contains(u'<') || value.contains(u'&')) {
        XmlDocument fragment;
        if (referencesWellFormed(value) && fragment.loadXML(u"<f>"_s + value + u"</f>"_s))
            return value;
    }
    return escapeXml(value);
}

QString WsdlAnalysis::BuildEnvelope(const SoapOperation& operation, const QStringList& values)
{
    const bool soap12 = operation.version == SoapOperation::Version::Soap12;
    const QString crlf = u"\r\n"_s;
    auto line = [&](int blanks, const QString& text) -> QString {
        return QString(blanks, u' ') + text + crlf;
    };
    auto value = [&](int row) {
        return EnvelopeValue(values.value(row));
    };

    QString out = line(0, u"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>"_s);
    out += line(0, u"<SOAP-ENV:Envelope"_s);
    // SOAP 1.2 forbids encodingStyle on the Envelope (SOAP 1.2 part 1, 5.1.1).
    const bool encodingOnEnvelope = operation.rpc && operation.encoded && !soap12;
    if (encodingOnEnvelope)
        out += line(2, u"SOAP-ENV:encodingStyle = \""_s + kSoap11Encoding + u'"');
    out += line(2,
                u"xmlns:SOAP-ENV=\""_s + (soap12 ? kSoap12Envelope : kSoap11Envelope) + u"\">"_s);
    // Each element declares the namespaces it and its children use, so every one stands
    // alone: the element's own as m, a child's other one (a referenced global element) as n.
    auto writeElements = [&](const QList<SoapOperation::BodyElement>& elements) {
        for (const SoapOperation::BodyElement& element : elements) {
            const QString tag
                = element.ns.isEmpty() ? element.name : QString(u"m:"_s + element.name);
            const QString open = u'<' + tag
                + (element.ns.isEmpty()
                       ? u">"_s
                       : u" xmlns:m=\""_s + escapeAttribute(element.ns) + u"\">"_s);
            if (!element.wrapper) {
                out += line(6, open + value(element.firstRow) + u"</"_s + tag + u'>');
                continue;
            }
            out += line(6, open);
            for (int row = element.firstRow; row < element.firstRow + element.rowCount; ++row) {
                const SoapParameter& child = operation.parameters.at(row);
                QString name = child.name;
                QString declaration;
                if (!child.ns.isEmpty() && child.ns == element.ns) {
                    name = u"m:"_s + child.name;
                } else if (!child.ns.isEmpty()) {
                    name = u"n:"_s + child.name;
                    declaration = u" xmlns:n=\""_s + escapeAttribute(child.ns) + u'"';
                }
                out += line(8,
                            u'<' + name + declaration + u'>' + value(row) + u"</"_s + name + u'>');
            }
            out += line(6, u"</"_s + tag + u'>');
        }
    };
    if (!operation.headerElements.isEmpty()) {
        out += line(4, u"<SOAP-ENV:Header>"_s);
        writeElements(operation.headerElements);
        out += line(4, u"</SOAP-ENV:Header>"_s);
    }
    out += line(4, u"<SOAP-ENV:Body>"_s);
    if (operation.rpc) {
        const QString op = operation.entry.operationName;
        QString open = u"<m:"_s + op + u" xmlns:m=\""_s
            + escapeAttribute(operation.operationNamespace) + u'"';
        if (operation.encoded && soap12)
            open += u" SOAP-ENV:encodingStyle=\""_s + kSoap12Encoding + u'"';
        out += line(6, open + u'>');
        for (int row = 0; row < operation.parameters.size(); ++row) {
            const SoapParameter& parameter = operation.parameters.at(row);
            if (parameter.header)
                continue;
            out += line(
                8, u'<' + parameter.name + u'>' + value(row) + u"</"_s + parameter.name + u'>');
        }
        out += line(6, u"</m:"_s + op + u'>');
    } else {
        writeElements(operation.bodyElements);
    }
    out += line(4, u"</SOAP-ENV:Body>"_s);
    out += line(0, u"</SOAP-ENV:Envelope>"_s);
    return out;
}

SoapRequestResult WsdlAnalysis::GenerateRequest(const SoapOperation& operation,
                                                const QStringList& values,
                                                const QString& address) const
{
    SoapRequestResult result;
    std::optional<HTTPRequest> request;
    const std::optional<HTTPRequest> base = ParseHttpUrl(m_url);
    if (hasControlCharacter(address))
        request = std::nullopt;
    else if (base)
        request = ResolveHttpReference(*base, address.trimmed());
    else
        request = ParseHttpUrl(address.trimmed());
    if (!request) {
        result.errorMessage = u"Could not generate SOAP request, possible\r\n"
                              "invalid format in service address."_s;
        result.errorTitle = u"Error:"_s;
        return result;
    }

    const bool soap12 = operation.version == SoapOperation::Version::Soap12;
    if (request->Port.isEmpty())
        request->Port = request->Secure ? u"443"_s : u"80"_s;
    const QString defaultPort = request->Secure ? u"443"_s : u"80"_s;
    // RFC 9110, 7.2: the port goes with the host unless it is the scheme's default.
    const QString host
        = request->Server + (request->Port == defaultPort ? QString() : u':' + request->Port);
    // SOAP 1.1, 6.1.1 and WS-I BP R2744/R2745: the action is a quoted string, "" when none.
    const QString action = quotedAction(operation.soapAction.value_or(QString()));
    request->Body.setContents(BuildEnvelope(operation, values));
    if (soap12) {
        request->Body.ContentType = u"application/soap+xml; charset=utf-8"_s;
        if (!operation.soapAction.value_or(QString()).isEmpty())
            request->Body.ContentType += u"; action="_s + action;
    } else {
        request->Body.ContentType = u"text/xml; charset=\"utf-8\""_s;
    }

    QStringList header { u"Host: "_s + host, u"Connection: close"_s,
                         u"User-agent: Pelorin HTTP User-agent/1.0"_s,
                         u"Cache-control: no-cache"_s };
    if (!soap12)
        header.append(u"SOAPAction: "_s + action);
    header.append(u"Content-type: "_s + request->Body.ContentType);
    header.append(u"Content-length: "_s + QString::number(request->Body.ContentLength()));
    request->Header = header.join(u"\r\n"_s);
    request->HTTPver = u"HTTP/1.1"_s;
    request->setMethod(u"POST"_s);
    result.request = std::move(request);
    return result;
}
