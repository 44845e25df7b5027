#pragma once

#include "transport/RequestForm.h"

#include <QString>

struct AutoSettings;
class CookieStore;
class HTTPRequest;
class HeaderTable;
class LogSink;

// Fills request from the window's fields and makes the header rows the send pipeline makes
// before a request goes out: Content-length (or no body headers without a body), Host when the
// setting asks for it, Connection "close", no Cookie rows when the server differs from
// lastServer, and the stored cookies when the setting asks for them (neither blocked ones, ones
// holding a control character, ones past their expiry date, nor secure ones over a plain
// connection; a held-back cookie's pair also leaves the Cookie row). Then request's Header is
// taken from headers. Lines about cookies go to log when given. cookies may be null.
void PrepareRequest(const RequestForm& form, HeaderTable& headers, const AutoSettings& settings,
                    const CookieStore* cookies, const QString& lastServer, HTTPRequest& request,
                    LogSink* log = nullptr);

// Removes the pairs named name (letter case ignored) from the Cookie row, and the row when
// nothing is left. True when one was there.
bool RemoveCookiePair(HeaderTable& headers, const QString& name);

// The request SEND would put on the wire now, for the fields form and the header rows in
// headerText ("name: value" lines), without sending and without changing any rows.
HTTPRequest PreviewRequest(const RequestForm& form, const QString& headerText,
                           const AutoSettings& settings, const CookieStore* cookies,
                           const QString& lastServer);

// The fields the request window shows for a loaded request: its URL with "&amp;" as "&", its
// version (defaultVersion when it has none) and its body, included when it has any bytes.
RequestForm FormForLoadedRequest(const HTTPRequest& request, const QString& defaultVersion);
