#include "editing/CurlFiles.h"

#include "editing/CurlCommand.h"
#include "editing/FormEncoder.h"
#include "editing/FormField.h"
#include "editing/HeaderTable.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

FormField formField(const CurlFormField& field, QString& error)
{
    FormField row;
    row.name = field.name;
    if (field.isFile) {
        row.type = u"FILE"_s;
        row.values[0] = u"[..]"_s;
        for (int i = 1; i < FormField::kValueCount; ++i)
            row.values[i] = u'[' + field.value + u']';
        return row;
    }
    row.type = u"SV"_s;
    if (!field.valueFromFile) {
        row.values[0] = field.value;
        return row;
    }
    // "<file": the file's contents as the field's text, not as a file upload.
    QFile file(field.value);
    if (!file.open(QIODevice::ReadOnly)) {
        error = u"Cannot read "_s + field.value + u": "_s + file.errorString();
        return row;
    }
    row.values[0] = QString::fromUtf8(file.readAll());
    return row;
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
            fields.append(formField(field, result.error));
            if (!result.error.isEmpty()) {
                result.request = HTTPRequest();
                return result;
            }
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
        request.Body.setContents(form.body, form.displayText);
        SetFormBodyHeaders(headers, form);
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
    return result;
}

QString WriteCurlBodyFile(const QString& folder, const QByteArray& body, QString* error)
{
    const QByteArray digest = QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex();
    const QString path
        = QDir(folder).filePath(u"~curlbody-"_s + QString::fromLatin1(digest.left(16)) + u".bin"_s);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.commit()) {
        if (error)
            *error = u"Cannot write "_s + path + u": "_s + file.errorString();
        return {};
    }
    return path;
}

QString CurlCommandForRequest(const HTTPRequest& request, const QString& bodyFolder, bool insecure,
                              QString* error)
{
    CurlExportOptions options;
    options.insecure = insecure;
    if (CurlBodyNeedsFile(request)) {
        options.bodyFile = WriteCurlBodyFile(bodyFolder, request.Body.ContentBytes(), error);
        if (options.bodyFile.isEmpty())
            return {};
    }
    return ExportCurlCommand(request, options);
}
