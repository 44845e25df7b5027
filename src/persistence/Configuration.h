#pragma once

#include "persistence/XmlDocument.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class MessageSink;
class SettingsPanel;
struct AutoSettings;

// The read-only configuration document (pelorinconfig.xml) and the queries other parts read
// their lists and defaults through.
class Configuration final
{
    Q_DISABLE_COPY_MOVE(Configuration)
public:
    enum class ValueKind { Integer, Text, Boolean };

    // Entries of a combo box list and the entry to preselect (-1: none).
    struct ComboList
    {
        QStringList entries;
        qsizetype selected = -1;
    };

    // One header of the catalogue.
    struct HeaderInfo
    {
        QString name;
        QString description;
    };

    // The request method list of the request window.
    static QString requestMethodsPath();
    // The HTTP version list of the request window.
    static QString httpVersionsPath();

    explicit Configuration(MessageSink& sink);

    // Loads the file, sets the five settings (listing each in panel, which may be null) and
    // lists the help links. On a missing or malformed file shows "Error parsing
    // pelorinconfig.xml: (line N) reason" and returns false: the program must then end with a
    // non-zero status.
    bool LoadConfiguration(const QString& path, AutoSettings& settings, SettingsPanel* panel);

    // The text of the element at path converted by kind: Integer (0 unless numeric), Text (as
    // is), Boolean ("True"/"False" in any case or a number; any other text shows a conversion
    // error and gives false). A missing element gives 0, empty text or false.
    QVariant GetConfigValue(const QString& path, ValueKind kind) const;

    // Lists the four built-in help entries, then every configured link whose caption and
    // target are both non-empty. Does nothing when panel is null.
    void LoadHelpLinks(SettingsPanel* panel) const;

    // The texts of the elements at path, in document order, and the last one whose first
    // attribute is default="true" (name and value in any letter case) as the preselected one.
    ComboList ListFromConfig(const QString& path) const;

    // The predefined values of the catalogue header named exactly headerName, joined by "|",
    // with multiple set from values/@multiple ("yes" in any case). Empty text and multiple
    // unchanged when the header is not in the catalogue.
    QString GetHeaderValueList(const QString& headerName, bool& multiple) const;
    // As above, and separator set from values/@separator, the text that joins several chosen
    // values (";" when the attribute is missing or empty). Both are left unchanged when the
    // header is not in the catalogue.
    QString GetHeaderValueList(const QString& headerName, bool& multiple, QString& separator) const;

    // Name and description of every catalogue header that has a name, in document order.
    QList<HeaderInfo> HeaderCatalogue() const;

    // The loaded document.
    const XmlDocument& document() const { return m_doc; }

private:
    XmlDocument m_doc;
    MessageSink& m_sink;
};
