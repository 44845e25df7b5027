#pragma once

#include "message/Cookie.h"
#include "persistence/CookieViewer.h"
#include "persistence/HistoryViewer.h"
#include "persistence/RequestHistoryLists.h"

#include <QList>
#include <QString>
#include <QStringList>

// Stand-ins for the cookie viewer, the history viewer and the request window's lists that keep
// every call for inspection.
class CookieViewerRecorder final : public CookieViewer
{
public:
    qint32 AddCookie(const Cookie& cookie) override
    {
        cookies.append(cookie);
        return 0;
    }
    QList<Cookie> cookies;
};

class HistoryViewerRecorder final : public HistoryViewer
{
public:
    qint32 AddToHistory(const QString& serverAndPort, const QString& url, bool secure) override
    {
        items.append(serverAndPort + QLatin1Char(' ') + url);
        secures.append(secure);
        return 0;
    }
    QStringList items; // "server:port url"
    QList<bool> secures; // the secure flag of each item
};

class HistoryListsRecorder final : public RequestHistoryLists
{
public:
    void AddHistoryItemServer(const QString& server) override { servers.append(server); }
    void AddHistoryItemURL(const QString& url) override { urls.append(url); }
    QStringList servers;
    QStringList urls;
};
