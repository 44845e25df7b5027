#pragma once

#include <QString>

// What the history store tells the request window about its server and URL lists.
class RequestHistoryLists
{
public:
    virtual ~RequestHistoryLists() = default;
    // Offers server in the server list (the window ignores what it already lists).
    virtual void AddHistoryItemServer(const QString& server) = 0;
    // Offers url in the URL list of the current server.
    virtual void AddHistoryItemURL(const QString& url) = 0;
};
