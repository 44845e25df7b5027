#pragma once

#include <QString>

// What the history store tells the history viewer.
class HistoryViewer
{
public:
    virtual ~HistoryViewer() = default;
    // Shows the URL below the item "server:port", reusing the items it already has; secure
    // says the server is reached over TLS. Returns 0.
    virtual qint32 AddToHistory(const QString& serverAndPort, const QString& url, bool secure) = 0;
};
