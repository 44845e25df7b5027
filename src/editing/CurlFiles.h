#pragma once

#include "editing/CurlCommand.h"
#include "message/HTTPRequest.h"
#include "shell/Result.h"

#include <QString>
#include <QStringList>

#include <optional>

// A curl command taken over as a request, with what the user must be told about it.
struct CurlImport
{
    HTTPRequest request; // Header holds the command's rows; Host and Accept as curl sends them
    bool includeBody = false; // the command sends a body (-d, --data-*, -F), even an empty one
    QStringList notes; // options not taken over or ignored, one line each; never dropped silently
    CurlTlsFiles tls; // the command's client certificate and CA file, for the target's TLS choice
    QString proxy; // -x with -U's credentials put in; empty without a proxy
    std::optional<QString> noProxy; // --noproxy
    QString error; // why the command cannot be used; empty on success

    explicit operator bool() const { return error.isEmpty(); }
};

// Reads a curl command into a request: server, port, secure, method, URL, version, header rows
// (a Host row for the URL's server and "Accept: */*" unless the command sets them, as curl
// sends them), and the body as exact bytes. -F fields become a multipart body through the form
// encoder, with its Content-type (boundary included) and Content-length rows. Files named with
// "@" or "<" are read relative to baseDir. Returns the error of a malformed command or an
// unreadable file; the request is then empty.
CurlImport ImportCurlCommand(const QString& commandLine, const QString& baseDir = {});

// Writes body into folder for a curl command to read with --data-binary @file, and sets path to
// the file. The file is named by its contents, so an earlier command keeps its own body. Fails
// with the reason when the file cannot be written; path is then left as it was.
Result WriteCurlBodyFile(const QString& folder, const QByteArray& body, QString& path);
// The same for a body of pieces, read from their files as it is written.
Result WriteCurlBodyFile(const QString& folder, const QList<BodyPiece>& pieces, QString& path);

// Sets command to the curl command for request as it goes on the wire; a body that is not text
// is written to a file in bodyFolder first. Fails with the reason when the
// body file cannot be written; command is then left as it was. tls gives the target's client
// certificate and CA file.
Result CurlCommandForRequest(const HTTPRequest& request, const QString& bodyFolder,
                             QString& command, const CurlTlsFiles& tls = {});
