#pragma once

#include <QString>
#include <QStringList>

class HTTPRequest;
class HistoryViewer;
class MessageSink;
class RequestHistoryLists;
class XmlDocument;

// The request history in the history section of the user data document: URLs (compared
// exactly) under a lower-cased host name and a port, with the server's secure attribute
// ("True" for TLS; when absent, port 443 counts as TLS). Failures are shown through the sink
// and returned as a non-zero status.
class HistoryStore final
{
    Q_DISABLE_COPY_MOVE(HistoryStore)
public:
    HistoryStore(XmlDocument& userData, MessageSink& sink);

    // The history viewer; null while there is none.
    void setViewer(HistoryViewer* viewer) { m_viewer = viewer; }
    // The request window's server and URL lists; null while there is none.
    void setRequestLists(RequestHistoryLists* lists) { m_lists = lists; }

    // Records the request's server, port, TLS use and URL, offering a new server and a new URL
    // to the request window's lists, and tells the viewer. Returns 0, or the error's number after
    // showing it (the history section is missing).
    qint32 AddHistoryItem(const HTTPRequest& request);

    // Removes the request's URL under its server and port; the server element stays. Returns
    // 0 (also when nothing was recorded), or the error's number after showing it.
    qint32 RemoveHistoryItem(const HTTPRequest& request);

    // Hands every recorded item to the viewer and its server to the request window's list.
    // Servers lacking name or port are skipped; a request without url ends its server's walk.
    void LoadHistory() const;

    // The URLs recorded for server (any letter case) and port, in document order; empty when
    // there are none (no trailing empty entry).
    QStringList GetHistoryURLs(const QString& server, const QString& port) const;

    // The request a history item stands for: a GET of url on server and port, over TLS when
    // secure.
    static HTTPRequest RequestFor(const QString& server, const QString& port, bool secure,
                                  const QString& url);

    // The items the viewer shows below the host item for url: one per folder, then the
    // document ("<default document>" when the URL ends in "/"). Empty for a URL without "/";
    // the part before the first "/" is not used.
    static QStringList ViewerPath(const QString& url);

private:
    bool hasSection();

    XmlDocument& m_doc;
    MessageSink& m_sink;
    HistoryViewer* m_viewer = nullptr;
    RequestHistoryLists* m_lists = nullptr;
};
