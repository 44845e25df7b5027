#pragma once

#include "message/BodySource.h"

#include <QByteArray>
#include <QList>
#include <QString>

class Configuration;
class HTTPRequest;
class HeaderTable;

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
    // When not empty, the body instead: pieces some of which are read from files when sent.
    QList<BodyPiece> bodyPieces = {};
    QString bodyShown = {}; // what the box shows of bodyPieces
};

// The fields a new request window starts with: localhost, ports 80 and 443, not secure, no
// body, and the method and version the configuration selects (its first entry when it selects
// none, "" when its list is empty).
RequestForm StartingRequestForm(const Configuration& config);

// Puts a stored request into form as loading it does: server, its port box and the secure flag,
// the URL with "&amp;" as "&", the method, the version unless the request has none, and the
// body, included when it has any bytes. The other port box keeps its text.
void LoadRequestIntoForm(const HTTPRequest& request, RequestForm& form);

// Puts a new request made from a URL into form: its server, port box, secure flag and URL (with
// "&amp;" as "&"), GET over HTTP/1.1 and no body.
void UrlRequestIntoForm(const HTTPRequest& request, RequestForm& form);

// Puts a page form's request into form: as UrlRequestIntoForm with the request's method, and
// with any method but GET its body, included, and its Content-type and Content-length rows set
// in headers.
void FormRequestIntoForm(const HTTPRequest& request, RequestForm& form, HeaderTable& headers);

// Puts a request read from a curl command into form: as loading, but the URL exactly as given,
// its version always, and the body included exactly when includeBody (an empty one too).
void CurlRequestIntoForm(const HTTPRequest& request, bool includeBody, RequestForm& form);

// Puts a redirect target's server, port, URL and secure flag into form; the rest stays.
void RedirectForm(const HTTPRequest& target, RequestForm& form);

// Sets request's version, method, secure flag, port (from the box the flag selects), URL and
// server from form. The body and headers are left alone.
void FillRequestFields(const RequestForm& form, HTTPRequest& request);

// Replaces every row of headers with the rows a new request starts with.
void SetDefaultHeaders(HeaderTable& headers);

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
