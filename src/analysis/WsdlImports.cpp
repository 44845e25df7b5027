#include "analysis/WsdlImports.h"

#include "analysis/DecodedBody.h"
#include "message/UrlReference.h"
#include "persistence/XmlDocument.h"
#include "transport/Exchange.h"

#include <QMetaObject>

using namespace Qt::StringLiterals;

namespace {

// Schemas every SOAP processor knows; their locations are not read.
const QStringList kKnownNamespaces { u"http://schemas.xmlsoap.org/soap/encoding/"_s,
                                     u"http://www.w3.org/2003/05/soap-encoding"_s,
                                     u"http://schemas.xmlsoap.org/wsdl/"_s,
                                     u"http://www.w3.org/2001/XMLSchema"_s };

// A fetch that never ends would leave the wizard waiting for ever.
constexpr qint64 kConnectMs = 15000;
constexpr qint64 kTotalMs = 60000;

QString localOf(const QString& qname)
{
    return qname.mid(qname.indexOf(u':') + 1);
}

QString megabytes(qint64 bytes)
{
    return bytes % (1024 * 1024) == 0 ? QString::number(bytes / (1024 * 1024)) + u" MB"_s
                                      : QString::number(bytes) + u" bytes"_s;
}

void schemaLocations(const XmlNode& schema, QStringList& out)
{
    for (const XmlNode& item : schema.selectNodes(
             u"*[local-name()='import' or local-name()='include' or local-name()='redefine']"
             "[@schemaLocation]"_s)) {
        if (kKnownNamespaces.contains(item.attribute(u"namespace"_s)))
            continue;
        out.append(item.attribute(u"schemaLocation"_s).trimmed());
    }
}

} // namespace

WsdlImports::WsdlImports(QObject* parent)
    : QObject(parent)
{ }

WsdlImports::~WsdlImports() = default;

QStringList WsdlImports::ImportLocations(const QByteArray& document)
{
    QStringList locations;
    XmlDocument doc;
    if (!doc.loadXML(document))
        return locations;
    const XmlNode root = doc.documentElement();
    const QString rootName = localOf(root.name());
    if (rootName == "schema"_L1) {
        schemaLocations(root, locations);
    } else if (rootName == "definitions"_L1) {
        for (const XmlNode& import : root.selectNodes(u"*[local-name()='import'][@location]"_s))
            locations.append(import.attribute(u"location"_s).trimmed());
        for (const XmlNode& schema :
             root.selectNodes(u"*[local-name()='types']/*[local-name()='schema']"_s))
            schemaLocations(schema, locations);
    }
    locations.removeAll(QString());
    return locations;
}

void WsdlImports::start(const QByteArray& document, const QString& url)
{
    cancel();
    ++m_generation;
    m_running = true;
    m_queue.clear();
    m_seen.clear();
    m_result = {};
    m_status.clear();
    m_bytes = 0;
    // The main document is named as its imports would name it, so a cycle back ends there.
    QString key = m_localReader ? m_localMain : url;
    if (const std::optional<HTTPRequest> main = ParseHttpUrl(url); main && !m_localReader)
        key = main->FullPath();
    m_result.mainKey = key;
    m_seen.insert(key);
    if (enqueueImports(document, key, 1, m_result.mainReferences))
        queueNext();
}

void WsdlImports::setLocalReader(LocalReader reader, const QString& mainLocation)
{
    m_localReader = std::move(reader);
    m_localMain = mainLocation;
}

void WsdlImports::cancel()
{
    if (!m_running)
        return;
    m_running = false;
    ++m_generation;
    if (m_exchange
        && (m_exchange->state() == Exchange::State::Connecting
            || m_exchange->state() == Exchange::State::Transferring))
        m_exchange->pressButton();
}

bool WsdlImports::enqueueImports(const QByteArray& document, const QString& importerKey, int depth,
                                 QList<WsdlReference>& references)
{
    for (const QString& location : ImportLocations(document)) {
        QString key = location;
        if (!m_localReader) {
            const std::optional<HTTPRequest> base = ParseHttpUrl(importerKey);
            const std::optional<HTTPRequest> target
                = base ? ResolveHttpReference(*base, location) : ParseHttpUrl(location);
            if (!target) {
                fail(location,
                     base ? u"not an http or https location"_s
                          : u"no URL to resolve it against; the document was not read from one"_s);
                return false;
            }
            key = target->FullPath();
        }
        references.append({ location, key });
        if (m_seen.contains(key))
            continue; // read once, also when the imports form a cycle
        if (depth > m_limits.depth) {
            fail(key, u"imports nested deeper than %1 levels"_s.arg(m_limits.depth));
            return false;
        }
        m_seen.insert(key);
        m_queue.append({ location, key, depth });
    }
    return true;
}

void WsdlImports::next()
{
    if (!m_running)
        return;
    if (m_queue.isEmpty()) {
        succeed();
        return;
    }
    if (m_result.documents.size() >= m_limits.documents) {
        fail(m_queue.first().key, u"more than %1 imported documents"_s.arg(m_limits.documents));
        return;
    }
    m_current = m_queue.takeFirst();
    if (m_localReader) {
        readLocal(m_current);
        return;
    }
    std::optional<HTTPRequest> target = ParseHttpUrl(m_current.key);
    if (!target) {
        fail(m_current.key, u"not an http or https location"_s);
        return;
    }
    m_request = *target;
    const QString defaultPort = m_request.Secure ? u"443"_s : u"80"_s;
    // RFC 9110, 7.2: the port goes with the host unless it is the scheme's default.
    m_request.Header = u"Host: "_s + m_request.Server
        + (m_request.Port == defaultPort ? QString() : u':' + m_request.Port)
        + u"\r\nConnection: close\r\nUser-agent: Pelorin HTTP User-agent/1.0"_s;
    m_request.HTTPver = u"HTTP/1.1"_s;
    m_request.setMethod(u"GET"_s);
    m_received.clear();
    if (!m_exchange) {
        m_exchange = std::make_unique<Exchange>();
        m_exchange->setTimeLimits(kConnectMs, kTotalMs);
        connect(m_exchange.get(), &Exchange::logLineAdded, this, &WsdlImports::logLine);
        connect(m_exchange.get(), &Exchange::DataArrived, this, &WsdlImports::onExchangeData);
        connect(m_exchange.get(), &Exchange::Done, this, &WsdlImports::onExchangeDone);
        connect(m_exchange.get(), &Exchange::ErrorOccured, this, [this](const QString& message) {
            if (m_running)
                fail(m_current.key, message);
        });
    }
    Q_EMIT logLine(u"Reading import "_s + m_current.key);
    m_exchange->Execute(m_request);
}

void WsdlImports::readLocal(const Pending& item)
{
    QByteArray bytes;
    if (const Result read = m_localReader(item.key, bytes); !read) {
        fail(item.key, read.text);
        return;
    }
    Q_EMIT logLine(u"Import %1: stored copy, %2 bytes"_s.arg(item.key).arg(bytes.size()));
    accept(item, bytes);
}

void WsdlImports::onExchangeData(const QByteArray& chunk)
{
    if (!m_running)
        return;
    m_received.append(chunk);
    // The raw response may be larger than its decoded body, but not without bound.
    if (m_bytes + m_received.size() > 2 * m_limits.bytes + 65536) {
        m_exchange->pressButton();
        fail(m_current.key, u"the imported documents exceed %1"_s.arg(megabytes(m_limits.bytes)));
    }
}

void WsdlImports::onExchangeDone()
{
    if (!m_running)
        return;
    const qsizetype lineEnd = m_received.indexOf('\n');
    const QString statusLine
        = QString::fromLatin1(m_received.left(lineEnd < 0 ? m_received.size() : lineEnd)).trimmed();
    const QString code = statusLine.section(u' ', 1, 1);
    const DecodedBody body = decodeBody(m_received, m_limits.bytes - m_bytes + 1);
    Q_EMIT logLine(
        u"Import %1: status %2, %3 bytes"_s.arg(m_current.key, code.isEmpty() ? u"???"_s : code)
            .arg(body.bytes.size()));
    if (!statusLine.startsWith("HTTP/"_L1) || !code.startsWith(u'2')) {
        fail(m_current.key,
             statusLine.isEmpty() ? u"no response"_s : u"the server answered "_s + statusLine);
        return;
    }
    if (body.truncated || m_bytes + body.bytes.size() > m_limits.bytes) {
        fail(m_current.key, u"the imported documents exceed %1"_s.arg(megabytes(m_limits.bytes)));
        return;
    }
    if (!body) {
        fail(m_current.key, body.error);
        return;
    }
    accept(m_current, body.bytes);
}

void WsdlImports::accept(const Pending& item, const QByteArray& bytes)
{
    m_bytes += bytes.size();
    if (m_bytes > m_limits.bytes) {
        fail(item.key, u"the imported documents exceed %1"_s.arg(megabytes(m_limits.bytes)));
        return;
    }
    XmlDocument doc;
    if (!doc.loadXML(bytes)) {
        fail(item.key, u"not well-formed XML ("_s + doc.parseError().reason + u')');
        return;
    }
    m_result.documents.append({ item.key, bytes });
    m_result.references.append(QList<WsdlReference>());
    if (enqueueImports(bytes, item.key, item.depth + 1, m_result.references.last()))
        queueNext();
}

void WsdlImports::queueNext()
{
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == m_generation)
                next();
        },
        Qt::QueuedConnection);
}

void WsdlImports::fail(const QString& key, const QString& reason)
{
    m_status = u"Import not read: "_s + key + u": "_s + reason;
    Q_EMIT logLine(m_status);
    m_result = {};
    m_queue.clear();
    const quint64 generation = ++m_generation;
    // Reported from the event loop: a failure found in start must not finish before it returns.
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation != m_generation || !m_running)
                return;
            m_running = false;
            Q_EMIT finished(false);
        },
        Qt::QueuedConnection);
}

void WsdlImports::succeed()
{
    m_running = false;
    if (!m_result.documents.isEmpty())
        Q_EMIT logLine(
            u"Imports read: %1 documents, %2 bytes"_s.arg(m_result.documents.size()).arg(m_bytes));
    Q_EMIT finished(true);
}
