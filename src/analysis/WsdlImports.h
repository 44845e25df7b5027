#pragma once

#include "analysis/WsdlAnalysis.h"
#include "message/HTTPRequest.h"
#include "shell/Result.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

class Exchange;

// One import a document makes: the location as written and the key of the document it
// names (its URL, or the stored file name when read from a folder).
struct WsdlReference
{
    QString location;
    QString key;
};

// What a reading found: the documents in the order read, what each imports (by index in
// documents), and what the main document imports.
struct WsdlImportSet
{
    QString mainKey; // the main document's own key, as its importers would name it
    QList<WsdlSource> documents;
    QList<QList<WsdlReference>> references;
    QList<WsdlReference> mainReferences;
};

// Reads, one after the other and without blocking, every document a WSDL description
// imports: wsdl:import of other descriptions and schema import, include and redefine with a
// schemaLocation, followed through the documents read. Each location resolves against its
// importer's URL and is fetched through the program's own transport; each document is read
// once (a cycle ends there). A failure or a limit reached ends the whole reading: nothing
// read is offered then.
class WsdlImports final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WsdlImports)

public:
    // Reads a location from elsewhere than the network (the repository's stored copies).
    using LocalReader = std::function<Result(const QString& location, QByteArray& bytes)>;

    struct Limits
    {
        int depth = 10; // imports of imports ...
        int documents = 50; // documents read besides the main one
        qint64 bytes = 16LL * 1024 * 1024; // decoded bytes of all of them together
    };

    explicit WsdlImports(QObject* parent = nullptr);
    ~WsdlImports() override;

    void setLimits(const Limits& limits) { m_limits = limits; }
    // Locations are then read through reader, as written, never from the network; the main
    // document is mainLocation there. A null reader restores the network.
    void setLocalReader(LocalReader reader, const QString& mainLocation = {});

    // The locations document imports, in document order, without the SOAP encoding and
    // WSDL schemas every processor knows; none for a document that is not well-formed.
    static QStringList ImportLocations(const QByteArray& document);

    // Starts reading the imports of document, which came from url. finished follows, never
    // before this returns; a reading under way is abandoned.
    void start(const QByteArray& document, const QString& url);
    // Abandons the reading under way; finished is not raised.
    void cancel();
    bool isRunning() const { return m_running; }

    // The documents read, in the order read; empty unless the last reading succeeded.
    const QList<WsdlSource>& documents() const { return m_result.documents; }
    // Everything the last successful reading found; empty otherwise.
    const WsdlImportSet& result() const { return m_result; }
    // Why the last reading failed ("Import not read: URL: reason"); "" after success.
    const QString& status() const { return m_status; }

Q_SIGNALS:
    // A line for the log: each fetch with URL, status and size, the transport's own lines,
    // limits that applied.
    void logLine(const QString& line);
    // The reading ended; status() says why when ok is false.
    void finished(bool ok);

private:
    struct Pending
    {
        QString location; // as written, for messages
        QString key; // URL or local location
        int depth = 1;
    };

    bool enqueueImports(const QByteArray& document, const QString& importerKey, int depth,
                        QList<WsdlReference>& references);
    void next();
    void queueNext();
    void readLocal(const Pending& item);
    void onExchangeData(const QByteArray& chunk);
    void onExchangeDone();
    void accept(const Pending& item, const QByteArray& bytes);
    void fail(const QString& key, const QString& reason);
    void succeed();

    Limits m_limits;
    LocalReader m_localReader;
    std::unique_ptr<Exchange> m_exchange;
    HTTPRequest m_request;
    QByteArray m_received;
    Pending m_current;
    QList<Pending> m_queue;
    QSet<QString> m_seen;
    QString m_localMain;
    WsdlImportSet m_result;
    QString m_status;
    qint64 m_bytes = 0;
    bool m_running = false;
    quint64 m_generation = 0;
};
