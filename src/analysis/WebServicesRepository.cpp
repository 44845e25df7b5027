#include "analysis/WebServicesRepository.h"

#include "persistence/XmlDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kMaxName = 100;
const QString kIndexFile = u"index.xml"_s;
const QString kExtension = u".wsdl"_s;

bool allowed(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')
        || c == u'.' || c == u'_' || c == u'-';
}

// Device names that some systems reserve whatever the extension; the folder may be shared.
bool reservedDeviceName(const QString& name)
{
    const QString stem = name.section(u'.', 0, 0).toLower();
    static const QStringList fixed { u"con"_s, u"prn"_s, u"aux"_s, u"nul"_s };
    if (fixed.contains(stem))
        return true;
    return stem.size() == 4 && (stem.startsWith("com"_L1) || stem.startsWith("lpt"_L1))
        && stem.at(3).isDigit();
}

// name with "-n" before its extension, kept within the length limit.
QString numbered(const QString& name, int n)
{
    const QString suffix = u'-' + QString::number(n) + kExtension;
    QString stem = name.left(name.size() - kExtension.size());
    return stem.left(kMaxName - suffix.size()) + suffix;
}

// Fails, saying why, for anything but a well-formed document whose root is definitions.
Result checkWsdl(const QByteArray& document)
{
    XmlDocument doc;
    if (!doc.loadXML(document))
        return Result::failure(doc.parseError().reason);
    const QString root = doc.documentElement().name();
    if (root.mid(root.indexOf(u':') + 1) != "definitions"_L1)
        return Result::failure(u"its root element is "_s + root + u", not definitions"_s);
    return Result::success();
}

bool isSchema(const QByteArray& document)
{
    XmlDocument doc;
    const QString root = doc.loadXML(document) ? doc.documentElement().name() : QString();
    return root.mid(root.indexOf(u':') + 1) == "schema"_L1;
}

// The document with each import location (attribute location or schemaLocation, as written,
// in either quote) replaced by the stored name of what it names; the rest stays byte-exact.
QByteArray rewriteLocations(QByteArray document, const QList<WsdlReference>& references,
                            const QHash<QString, QString>& storedAs)
{
    for (const WsdlReference& reference : references) {
        const QString stored = storedAs.value(reference.key);
        if (stored.isEmpty())
            continue;
        QString escaped = reference.location;
        escaped.replace(u'&', "&amp;"_L1);
        for (const QString& written : { reference.location, escaped }) {
            for (const char* attribute : { "location", "schemaLocation" }) {
                for (const char quote : { '"', '\'' }) {
                    const QByteArray head = QByteArray(attribute) + '=' + quote;
                    const QByteArray from = head + written.toUtf8() + quote;
                    const QByteArray to = head + stored.toUtf8() + quote;
                    document.replace(from, to);
                }
            }
        }
    }
    return document;
}

QString loadErrorText(const QString& path, const XmlParseError& error)
{
    const QString file = QDir::toNativeSeparators(path);
    if (error.kind == XmlParseError::Kind::File)
        return u"Error reading "_s + file + u": "_s + error.reason;
    return u"Error parsing %1: (line %2) %3"_s.arg(file, QString::number(error.line), error.reason);
}

} // namespace

WebServicesRepository::WebServicesRepository(const QString& folder)
    : m_folder(folder)
{ }

QString WebServicesRepository::SanitizedFileName(const QString& url)
{
    QString name = url;
    const qsizetype cut = name.indexOf(QRegularExpression(u"[?#]"_s));
    if (cut >= 0)
        name.truncate(cut);
    name = name.mid(std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\')) + 1);
    for (QChar& c : name) {
        if (!allowed(c))
            c = u'_';
    }
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    if (name.isEmpty())
        name = u"service"_s;
    if (reservedDeviceName(name))
        name.prepend(u'_');
    if (!name.endsWith(kExtension, Qt::CaseInsensitive))
        name = name.left(kMaxName - kExtension.size()) + kExtension;
    else if (name.size() > kMaxName)
        name = name.left(kMaxName - kExtension.size()) + kExtension;
    return name;
}

RepositoryResult WebServicesRepository::StoreWSDLFile(const QByteArray& document,
                                                      const QString& url,
                                                      const WsdlImportSet& imports)
{
    RepositoryResult result;
    if (document.isEmpty()) {
        result.text = u"Nothing to store: there is no response body"_s;
        return result;
    }
    if (const Result wsdl = checkWsdl(document); !wsdl) {
        result.text = u"Not stored: the response is not a WSDL document ("_s + wsdl.text + u')';
        return result;
    }
    if (!QDir().mkpath(m_folder)) {
        result.text = u"Could not create the folder "_s + QDir::toNativeSeparators(m_folder);
        return result;
    }

    QList<StoredWebService> entries;
    // Rewriting an index that does not load would drop the URL of every stored file.
    if (const Result index = readIndex(entries); !index) {
        result.text = index.text;
        return result;
    }
    auto byName = [&](const QString& name) {
        return std::find_if(entries.begin(), entries.end(),
                            [&](const StoredWebService& e) { return e.fileName == name; });
    };
    // The same URL keeps its file; a name taken by another URL (or by a file the index does
    // not know) gets a number.
    QString name;
    const auto same = std::find_if(entries.begin(), entries.end(), [&](const StoredWebService& e) {
        return e.url == url && isStoredName(e.fileName);
    });
    if (same != entries.end()) {
        name = same->fileName;
    } else {
        const QString base = SanitizedFileName(url);
        name = base;
        auto taken = [&](const QString& candidate) {
            const auto entry = byName(candidate);
            if (entry != entries.end())
                return entry->url != url;
            return QFileInfo::exists(filePath(candidate));
        };
        for (int n = 2; taken(name); ++n)
            name = numbered(base, n);
    }

    // The imports of an earlier store of this description give way to the new ones.
    QStringList oldImports;
    for (const StoredWebService& e : std::as_const(entries)) {
        if (e.importOf == name)
            oldImports.append(e.fileName);
    }
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const StoredWebService& e) { return e.importOf == name; }),
                  entries.end());

    QHash<QString, QString> storedAs { { imports.mainKey, name } };
    QStringList importNames;
    const QString stem = name.left(name.size() - kExtension.size());
    for (const WsdlSource& source : imports.documents) {
        const QString extension = isSchema(source.bytes) ? u".xsd"_s : kExtension;
        QString candidate;
        for (int n = int(importNames.size()) + 1;; ++n) {
            candidate = stem + u"-import"_s + QString::number(n) + extension;
            const bool free = byName(candidate) == entries.end() && candidate != name
                && !importNames.contains(candidate)
                && (!QFileInfo::exists(filePath(candidate)) || oldImports.contains(candidate));
            if (free)
                break;
        }
        importNames.append(candidate);
        storedAs.insert(source.url, candidate);
    }

    QList<std::pair<QString, QByteArray>> files;
    files.append({ name, rewriteLocations(document, imports.mainReferences, storedAs) });
    for (qsizetype i = 0; i < imports.documents.size(); ++i) {
        files.append({ importNames.at(i),
                       rewriteLocations(imports.documents.at(i).bytes, imports.references.value(i),
                                        storedAs) });
    }
    QStringList created;
    auto undo = [&] {
        for (const QString& file : std::as_const(created))
            QFile::remove(filePath(file));
    };
    for (const auto& [fileName, bytes] : files) {
        const QString path = QDir(m_folder).filePath(fileName);
        const bool existed = QFileInfo::exists(path);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()
            || !file.commit()) {
            result.text = u"Could not write "_s + QDir::toNativeSeparators(path) + u": "_s
                + file.errorString();
            file.cancelWriting();
            undo();
            return result;
        }
        if (!existed)
            created.append(fileName);
    }
    const auto entry = byName(name);
    if (entry == entries.end())
        entries.append({ name, url, {} });
    else
        entry->url = url;
    for (qsizetype i = 0; i < importNames.size(); ++i)
        entries.append({ importNames.at(i), imports.documents.at(i).url, name });
    if (const Result written = writeIndex(entries); !written) {
        undo();
        result.text = u"Could not write the repository index: "_s + written.text;
        return result;
    }
    for (const QString& old : std::as_const(oldImports)) {
        if (!importNames.contains(old))
            QFile::remove(filePath(old));
    }
    result.ok = true;
    result.fileName = name;
    result.text = importNames.isEmpty()
        ? u"Stored as "_s + name
        : u"Stored as %1 with %2 imported documents"_s.arg(name).arg(importNames.size());
    return result;
}

QList<StoredWebService> WebServicesRepository::EnumWebServices() const
{
    QList<StoredWebService> services;
    const QStringList files = QDir(m_folder).entryList(QDir::Files | QDir::NoDotAndDotDot,
                                                       QDir::Name | QDir::IgnoreCase);
    QList<StoredWebService> entries;
    (void)readIndex(entries); // files still list when the index does not load, without URLs
    for (const QString& file : files) {
        if (file == kIndexFile)
            continue;
        const auto entry
            = std::find_if(entries.begin(), entries.end(),
                           [&](const StoredWebService& e) { return e.fileName == file; });
        if (entry != entries.end() && !entry->importOf.isEmpty())
            continue;
        services.append({ file, entry == entries.end() ? QString() : entry->url, {} });
    }
    return services;
}

RepositoryResult WebServicesRepository::ReadWSDLFile(const QString& fileName,
                                                     QByteArray& document) const
{
    RepositoryResult result;
    result.fileName = fileName;
    document.clear();
    if (!isStoredName(fileName)) {
        result.text = u"Not a stored file: "_s + fileName;
        return result;
    }
    const QString path = filePath(fileName);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.text = loadErrorText(path, { XmlParseError::Kind::File, 0, file.errorString() });
        return result;
    }
    const QByteArray bytes = file.readAll();
    XmlDocument doc;
    if (!doc.loadXML(bytes)) {
        result.text = loadErrorText(path, doc.parseError());
        return result;
    }
    document = bytes;
    result.ok = true;
    return result;
}

RepositoryResult WebServicesRepository::Remove(const QString& fileName)
{
    RepositoryResult result;
    result.fileName = fileName;
    if (!isStoredName(fileName)) {
        result.text = u"Not a stored file: "_s + fileName;
        return result;
    }
    QFile file(filePath(fileName));
    if (!file.remove()) {
        result.text = u"Could not remove "_s + fileName + u": "_s + file.errorString();
        return result;
    }
    QList<StoredWebService> entries;
    // An index that does not load is left alone: it lists nothing to remove.
    (void)readIndex(entries);
    for (const StoredWebService& e : std::as_const(entries)) {
        if (e.importOf == fileName)
            QFile::remove(filePath(e.fileName));
    }
    const auto removed
        = std::remove_if(entries.begin(), entries.end(), [&](const StoredWebService& e) {
              return e.fileName == fileName || e.importOf == fileName;
          });
    if (removed != entries.end()) {
        entries.erase(removed, entries.end());
        if (const Result written = writeIndex(entries); !written) {
            result.text = u"Removed "_s + fileName + u", but the index could not be written: "_s
                + written.text;
            return result;
        }
    }
    result.ok = true;
    result.text = u"Removed "_s + fileName;
    return result;
}

QString WebServicesRepository::filePath(const QString& fileName) const
{
    // Only plain names: nothing reaches beyond the folder.
    if (fileName.isEmpty() || fileName == kIndexFile || fileName.contains(u'/')
        || fileName.contains(u'\\') || fileName == "."_L1 || fileName == ".."_L1)
        return {};
    return QDir(m_folder).filePath(fileName);
}

bool WebServicesRepository::isStoredName(const QString& fileName) const
{
    const QString path = filePath(fileName);
    return !path.isEmpty() && QFileInfo(path).isFile();
}

Result WebServicesRepository::ReadImport(const QString& mainFile, const QString& location,
                                         QByteArray& bytes) const
{
    bytes.clear();
    QList<StoredWebService> entries;
    if (const Result index = readIndex(entries); !index)
        return index;
    const bool known = std::any_of(entries.begin(), entries.end(), [&](const StoredWebService& e) {
        return e.fileName == location && e.importOf == mainFile;
    });
    if (!known || !isStoredName(location))
        return Result::failure(u"not stored in the repository with "_s + mainFile);
    QFile file(filePath(location));
    if (!file.open(QIODevice::ReadOnly))
        return Result::failure(file.errorString());
    bytes = file.readAll();
    return Result::success();
}

QString WebServicesRepository::urlOf(const QString& fileName) const
{
    QList<StoredWebService> entries;
    (void)readIndex(entries);
    for (const StoredWebService& entry : std::as_const(entries)) {
        if (entry.fileName == fileName)
            return entry.url;
    }
    return {};
}

Result WebServicesRepository::readIndex(QList<StoredWebService>& entries) const
{
    entries.clear();
    const QString path = QDir(m_folder).filePath(kIndexFile);
    XmlDocument doc;
    if (!doc.load(path)) {
        return QFileInfo::exists(path) ? Result::failure(loadErrorText(path, doc.parseError()))
                                       : Result::success();
    }
    for (const XmlNode& node : doc.selectNodes(u"/webservices/service"_s))
        entries.append(
            { node.attribute(u"file"_s), node.attribute(u"url"_s), node.attribute(u"importOf"_s) });
    return Result::success();
}

Result WebServicesRepository::writeIndex(const QList<StoredWebService>& entries) const
{
    XmlDocument doc;
    XmlNode root = doc.createElement(u"webservices"_s);
    XmlNode top = doc.documentNode();
    top.appendChild(root);
    for (const StoredWebService& entry : entries) {
        XmlNode service = root.appendElement(u"service"_s);
        service.setAttribute(u"file"_s, entry.fileName);
        service.setAttribute(u"url"_s, entry.url);
        if (!entry.importOf.isEmpty())
            service.setAttribute(u"importOf"_s, entry.importOf);
    }
    return doc.save(QDir(m_folder).filePath(kIndexFile), XmlFormat::Indented);
}
