#pragma once

#include "shell/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class HTTPRequest;

// Splits a command line into words as a POSIX shell would: single and double quotes, $'...'
// escapes, backslashes and backslash-newline continuations. Fails for an unterminated quote;
// words then holds what was read so far.
Result SplitShellWords(const QString& text, QStringList& words);

// A word quoted for a POSIX shell: as it is when it holds only safe characters, in single
// quotes otherwise, and as $'...' when it holds control characters.
QString ShellQuote(const QString& word);

// One -F field of a curl command: a value, or a file ("@path") with an optional type.
struct CurlFormField
{
    QString name;
    QString value; // the text value, or the file path when isFile
    bool isFile = false;
    bool valueFromFile = false; // "<path": the file's contents as a text value
    QString contentType; // ";type=..." when given
};

// Splits curl's "--cert FILE[:PASSPHRASE]": the first ':' not written "\:" ends the file name, "\\"
// there stands for one backslash, and any other backslash for itself.
void SplitCertArgument(const QString& argument, QString& file, std::optional<QString>& passphrase);
// The argument SplitCertArgument reads back as file and passphrase.
QString JoinCertArgument(const QString& file, const std::optional<QString>& passphrase);
// A command's client certificate and trust options, files made absolute.
struct CurlTlsFiles
{
    QString cert; // --cert's file, its escapes undone
    std::optional<QString> passphrase; // --cert's passphrase, else --pass
    QString key; // --key
    QString certType; // --cert-type as written, empty when not given
    QString caFile; // --cacert

    bool isEmpty() const { return cert.isEmpty() && caFile.isEmpty(); }
};

// The request a curl command describes, with what it could not take over.
struct CurlRequest
{
    bool secure = false;
    QString server; // as in the URL; IPv6 literals keep their brackets
    QString port; // the URL's port, or the scheme's default
    QString url; // path and query, "/" at least
    QString method = QStringLiteral("GET");
    QString httpVersion = QStringLiteral("HTTP/1.1");
    QList<QPair<QString, QString>> headers; // in the command's order
    bool hasBody = false;
    QByteArray body; // exact bytes
    QString bodyFile; // when not empty, the body is this whole file, read when sent
    QList<CurlFormField> form; // -F fields, in order; the caller builds the multipart body
    bool insecure = false; // -k: the user accepts an untrusted certificate
    CurlTlsFiles tls; // --cert, --key, --cert-type, --pass, --cacert
    QString proxy; // -x/--proxy, as given
    QString proxyUser; // -U/--proxy-user "user:password"
    std::optional<QString> noProxy; // --noproxy
    QStringList unknownOptions; // options we do not know: the request may differ from curl's
    QStringList ignoredOptions; // known options that do not change the request bytes
    QString error; // why the command could not be read; empty on success

    explicit operator bool() const { return error.isEmpty(); }
    // The header lines joined by CR LF, as HTTPRequest::Header holds them.
    QString headerText() const;
};

// True when text looks like a curl command (its first word is curl) rather than a URL.
bool LooksLikeCurlCommand(const QString& text);

// Reads a curl command line (the options developer tools copy). Files named with "@" are read
// relative to baseDir, except the one file of "--data-binary @file" or "-T file", which becomes
// bodyFile (absolute) and is not read. Returns a request; error is set when the command cannot be
// used (no URL, unterminated quote, an unreadable file, an option missing its value).
CurlRequest ParseCurlCommand(const QString& commandLine, const QString& baseDir = {});

// How ExportCurlCommand treats the body.
struct CurlExportOptions
{
    QString bodyFile; // when the body is not text, it is read from this file (@path)
    CurlTlsFiles tls; // the target's client certificate and CA file, given as curl's options
};

// True when the body cannot travel as a shell word (NUL bytes, invalid UTF-8, or over 64 KiB), so
// ExportCurlCommand reads it from options.bodyFile, which the caller writes first.
bool CurlBodyNeedsFile(const HTTPRequest& request);

// A curl command that puts the same request bytes on the wire: method, URL, every header line
// as -H (curl's own Host, User-Agent, Accept, Content-Type and Expect suppressed when the
// request does not carry them), the body as --data-binary (a body from a file as @file) and
// the HTTP version. HTTPS commands carry -k, since a request sent here is never refused for its
// certificate. A body of several pieces with files in them cannot be told to curl: fails.
QString ExportCurlCommand(const HTTPRequest& request, const CurlExportOptions& options = {});

// The curl options for a proxy, each a line to append to an exported command: -x proxy,
// --proxy-user when user is set ("user:password"), --noproxy when noProxy is set. Empty without a
// proxy.
QStringList CurlProxyOptions(const QString& proxy, const QString& user,
                             const std::optional<QString>& noProxy);
// A proxy URL with the credentials of --proxy-user put in (percent-encoded); proxy unchanged
// without them.
QString ProxyUrlWithUser(const QString& proxy, const QString& user);
