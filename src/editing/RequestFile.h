#pragma once

#include "shell/Result.h"

#include <QString>

class HTTPRequest;

// Request files (.phr): one request as a small XML document whose root `request` holds host,
// port, url, httpver, method, header, body (CDATA) and secure, in that order. A body that XML
// 1.0 cannot carry exactly (bytes that are not UTF-8, control characters other than TAB, LF
// and CR) is stored as Base64 in a body element marked encoding="base64"; files without the
// mark hold the body as text. A body taken from a file is stored as a reference, an empty body
// element with a file attribute naming it relative to the request file's folder (absolute when
// it lies outside that folder); the file is read only when the request is sent.

// Writes request to path atomically, replacing any file there. On failure returns the error
// number (ErrorCode) with the reason; a previous file then stays unchanged.
Result SaveRequestFile(const HTTPRequest& request, const QString& path);

// Reads path into request. The body comes back byte for byte as saved (CR LF included); header
// lines come back separated by LF. On a missing, malformed or incomplete file returns the error
// number (ErrorCode) with the reason, and request is left unchanged.
Result LoadRequestFile(const QString& path, HTTPRequest& request);

// The request file a command-line argument names: the argument without its double quotes when
// it then ends in ".phr" (letter case must match); empty for anything else.
QString RequestFileArgument(const QString& argument);
