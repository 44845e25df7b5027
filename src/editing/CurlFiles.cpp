#include "editing/CurlFiles.h"

#include "editing/CurlCommand.h"
#include "editing/FormEncoder.h"
#include "editing/FormField.h"
#include "editing/HeaderTable.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <functional>
#include <future>

using namespace Qt::StringLiterals;

namespace {

// The form builder's row for field; fails when a "<file" value cannot be read.
Result formField(const CurlFormField& field, FormField& row)
{
    row.name = field.name;
    if (field.isFile) {
        row.type = u"FILE"_s;
        row.values[0] = u"[..]"_s;
        for (int i = 1; i < FormField::kValueCount; ++i)
            row.values[i] = u'[' + field.value + u']';
        return Result::success();
    }
    row.type = u"SV"_s;
    if (!field.valueFromFile) {
        row.values[0] = field.value;
        return Result::success();
    }
    // "<file": the file's contents as the field's text, not as a file upload.
    QFile file(field.value);
    if (!file.open(QIODevice::ReadOnly))
        return Result::failure(u"Cannot read "_s + field.value + u": "_s + file.errorString());
    row.values[0] = QString::fromUtf8(file.readAll());
    return Result::success();
}

} // namespace

CurlImport ImportCurlCommand(const QString& commandLine, const QString& baseDir)
{
    CurlImport result;
    const CurlRequest curl = ParseCurlCommand(commandLine, baseDir);
    if (!curl) {
        result.error = curl.error;
        return result;
    }
    // curl refuses both at once; guessing which one was meant would send the wrong body.
    if (curl.hasBody && !curl.form.isEmpty()) {
        result.error = u"A curl command cannot send both -d data and -F form fields"_s;
        return result;
    }

    result.tls = curl.tls;
    HTTPRequest& request = result.request;
    request.Secure = curl.secure;
    request.Server = curl.server;
    request.Port = curl.port;
    request.setURL(curl.url);
    request.setMethod(curl.method);
    request.HTTPver = curl.httpVersion;

    HeaderTable headers;
    headers.LoadHeadersFromText(curl.headerText());
    // The grid holds one row per name, so a repeated header keeps only its last value.
    QStringList seen;
    for (const auto& [name, value] : curl.headers) {
        const QString key = name.toLower();
        if (seen.contains(key))
            result.notes.append(u"Header "_s + name
                                + u" is given more than once; only its last "
                                  "value is kept"_s);
        seen.append(key);
    }
    // curl sends these unless told otherwise; without Host an HTTP/1.1 server refuses the request.
    if (headers.findRow(u"Host"_s) < 0) {
        const bool defaultPort = curl.port == (curl.secure ? "443"_L1 : "80"_L1);
        headers.AddHeader(u"Host"_s, defaultPort ? curl.server : curl.server + u':' + curl.port,
                          false);
    }
    if (headers.findRow(u"Accept"_s) < 0)
        headers.AddHeader(u"Accept"_s, u"*/*"_s, false);

    if (!curl.form.isEmpty()) {
        QList<FormField> fields;
        for (const CurlFormField& field : curl.form) {
            FormField row;
            if (const Result read = formField(field, row); !read) {
                result.error = read.text;
                result.request = HTTPRequest();
                return result;
            }
            fields.append(row);
            if (!field.contentType.isEmpty())
                result.notes.append(u"-F "_s + field.name + u": the type "_s + field.contentType
                                    + u" is not kept; the part's type comes from the file name"_s);
        }
        const FormBody form = EncodeForm(fields, true);
        if (!form) {
            result.error = form.error;
            result.request = HTTPRequest();
            return result;
        }
        if (form.pieces.isEmpty())
            request.Body.setContents(form.body, form.displayText);
        else
            request.Body.setPieces(form.pieces, form.displayText);
        SetFormBodyHeaders(headers, form);
        result.includeBody = true;
    } else if (!curl.bodyFile.isEmpty()) {
        request.Body.setFile(curl.bodyFile);
        headers.AddHeader(u"Content-length"_s, QString::number(request.Body.ContentLength()),
                          false);
        result.includeBody = true;
    } else if (curl.hasBody) {
        request.Body.setContents(curl.body);
        result.includeBody = true;
    }
    headers.AddHeadersToRequest(request);

    for (const QString& option : curl.unknownOptions)
        result.notes.append(u"Not taken over: "_s + option);
    for (const QString& option : curl.ignoredOptions)
        result.notes.append(u"Ignored (it does not change the request): "_s + option);
    if (curl.insecure)
        result.notes.append(
            u"Ignored: -k (an untrusted certificate is reported in the log, never refused)"_s);
    // A request file holds no proxy: the proxy is the user's setting, or --proxy for a run.
    if (!curl.proxy.isEmpty() || curl.noProxy) {
        result.proxy = ProxyUrlWithUser(curl.proxy, curl.proxyUser);
        result.noProxy = curl.noProxy;
        QStringList options;
        if (!result.proxy.isEmpty())
            options.append(u"--proxy "_s + ShellQuote(result.proxy));
        if (result.noProxy)
            options.append(u"--noproxy "_s + ShellQuote(*result.noProxy));
        result.notes.append(u"The proxy is not kept in the request; send with "_s
                            + options.join(u' ') + u" or set it in the control panel"_s);
    }
    return result;
}

namespace {

// Writes under a temporary name and renames, so that a command never reads a torn body. No
// flush to the disk: the file serves a command about to run, and syncing a large body took
// seconds.
Result replaceFile(const QString& named, const std::function<Result(QFile&)>& write)
{
    QFile file(named + u".part"_s);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Result::failure(u"Cannot write "_s + named + u": "_s + file.errorString());
    if (const Result written = write(file); !written) {
        file.remove();
        return written;
    }
    file.close();
    if (file.error() != QFileDevice::NoError || (QFile::exists(named) && !QFile::remove(named))
        || !file.rename(named)) {
        const QString reason = file.errorString();
        file.remove();
        return Result::failure(u"Cannot write "_s + named + u": "_s + reason);
    }
    return Result::success();
}

// Named by a digest of the contents, so that an earlier command keeps its own body; BLAKE2b
// hashes a large body five times faster than SHA-256.
QString bodyFileName(const QString& folder, const QByteArray& digest)
{
    return QDir(folder).filePath(u"~curlbody-"_s + QString::fromLatin1(digest.toHex().left(16))
                                 + u".bin"_s);
}

QString writingName(const QString& folder)
{
    return QDir(folder).filePath(u"~curlbody-writing.bin"_s);
}

// Gives the written body file its name by digest.
Result nameBodyFile(const QString& folder, const QString& writing, const QByteArray& digest,
                    QString& path)
{
    const QString named = bodyFileName(folder, digest);
    if ((QFile::exists(named) && !QFile::remove(named)) || !QFile::rename(writing, named))
        return Result::failure(u"Cannot write "_s + named);
    path = named;
    return Result::success();
}

} // namespace

Result WriteCurlBodyFile(const QString& folder, const QByteArray& body, QString& path)
{
    // The name is needed only for the final rename, so the body is hashed on another core
    // while it is written.
    auto digest = std::async(std::launch::async, [body] {
        return QCryptographicHash::hash(body, QCryptographicHash::Blake2b_256);
    });
    const QString writing = writingName(folder);
    const Result written = replaceFile(writing, [&body, &writing](QFile& file) {
        return file.write(body) == body.size()
            ? Result::success()
            : Result::failure(u"Cannot write "_s + writing + u": "_s + file.errorString());
    });
    const QByteArray hash = digest.get();
    return written ? nameBodyFile(folder, writing, hash, path) : written;
}

Result WriteCurlBodyFile(const QString& folder, const QList<BodyPiece>& pieces, QString& path)
{
    // The name comes from the contents, known only once they are written.
    const QString writing = writingName(folder);
    QCryptographicHash digest(QCryptographicHash::Blake2b_256);
    const Result written = replaceFile(writing, [&](QFile& file) {
        BodySource source(pieces);
        while (!source.atEnd()) {
            QByteArray block;
            if (const Result read = source.next(1 << 20, block); !read)
                return read;
            digest.addData(block);
            if (file.write(block) != block.size())
                return Result::failure(u"Cannot write "_s + writing + u": "_s + file.errorString());
        }
        return Result::success();
    });
    return written ? nameBodyFile(folder, writing, digest.result(), path) : written;
}

Result CurlCommandForRequest(const HTTPRequest& request, const QString& bodyFolder,
                             QString& command, const CurlTlsFiles& tls)
{
    CurlExportOptions options;
    options.tls = tls;
    if (CurlBodyNeedsFile(request)) {
        Result written = request.Body.hasFiles()
            ? WriteCurlBodyFile(bodyFolder, request.Body.pieces(), options.bodyFile)
            : WriteCurlBodyFile(bodyFolder, request.Body.ContentBytes(), options.bodyFile);
        if (!written)
            return written;
    }
    command = ExportCurlCommand(request, options);
    return Result::success();
}
