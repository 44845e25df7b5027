#pragma once

#include <QByteArray>
#include <QString>

// The request window's fields as the send pipeline reads them, taken as they stand.
struct RequestForm
{
    QString server;
    QString port; // the plain port box
    QString portSecure; // the secure port box
    bool secure = false;
    QString method;
    QString url;
    QString httpVersion;
    bool includeBody = false;
    QByteArray body; // the exact bytes of the body
};

// The choices of the redirect prompt. The prompt fills in the answers; it keeps its check
// boxes between prompts.
struct RedirectQuestion
{
    QString location; // one space and the target's full path, as shown
    QString referer; // the Referer offered; the user may edit it
    QString statusCode; // of the redirecting response
    QString method; // the method the follow-up uses
    bool dropsBody = false; // the follow-up goes without the body
    bool addReferer = true;
    bool autoSend = true;
    bool removeCookies = true;
};
