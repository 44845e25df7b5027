#pragma once

#include "analysis/WsdlImports.h"
#include "shell/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The outcome of a repository operation: success or failure with the text to show.
struct RepositoryResult
{
    bool ok = false;
    QString text; // "Stored as x.wsdl", or why it failed
    QString fileName; // the file stored or removed
    explicit operator bool() const { return ok; }
};

// One stored document: its file name in the folder and the URL it came from ("" unknown).
struct StoredWebService
{
    QString fileName;
    QString url;
    QString importOf; // the stored description this document is an import of; "" for none
};

// The web services repository: WSDL documents stored as files in one folder, with an index
// (index.xml in the same folder) recording the URL each file came from. No operation reads
// or writes outside the folder.
class WebServicesRepository final
{
public:
    // The repository kept in folder (created when something is stored).
    explicit WebServicesRepository(const QString& folder);

    const QString& folder() const { return m_folder; }

    // The file name a document from url is stored under before collisions are resolved:
    // the URL's last path segment without query or fragment, only [A-Za-z0-9._-] (others
    // become "_"), no leading dot, at most 100 characters, "service" when empty, ending
    // in ".wsdl".
    static QString SanitizedFileName(const QString& url);

    // Stores document (the decoded response body) under the sanitised name of url,
    // overwriting only a file stored from the same URL (another gets "x-2.wsdl" and so on),
    // and records the URL in the index. The documents it imports (imports, as read for it)
    // are stored beside it as "<name>-import<n>.xsd" or ".wsdl", recorded in the index with
    // their URLs, and every import location in the stored files is rewritten to the stored
    // copy's name; the rest of each file stays byte-exact (without imports, all of it). A
    // new store replaces the imports of an earlier one. Fails for an empty document, one that
    // is not a WSDL document, an index that does not load, or a folder or file that cannot be
    // written; nothing is changed then.
    RepositoryResult StoreWSDLFile(const QByteArray& document, const QString& url,
                                   const WsdlImportSet& imports = {});

    // Every stored description (imports left out), sorted by name, with the URL the index
    // records ("" when none).
    QList<StoredWebService> EnumWebServices() const;

    // Reads the stored import location of the stored description mainFile. Fails for a
    // name that is not an import of it or that cannot be read.
    Result ReadImport(const QString& mainFile, const QString& location, QByteArray& bytes) const;

    // Reads the stored file fileName into document for analysis. Fails with a text naming the
    // file when it is not a stored file, cannot be read or is not well-formed XML; document
    // is empty then.
    RepositoryResult ReadWSDLFile(const QString& fileName, QByteArray& document) const;

    // Deletes the stored file, its imports and their index entries. Fails for a name that is
    // not a stored file of the folder.
    RepositoryResult Remove(const QString& fileName);

    // The full path of a stored file; "" when fileName is not a file of the folder.
    QString filePath(const QString& fileName) const;
    // The URL recorded for fileName; "" when none.
    QString urlOf(const QString& fileName) const;

private:
    // A missing index is an empty one; an index that does not load is a failure.
    Result readIndex(QList<StoredWebService>& entries) const;
    Result writeIndex(const QList<StoredWebService>& entries) const;
    bool isStoredName(const QString& fileName) const;

    QString m_folder;
};
