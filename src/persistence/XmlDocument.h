#pragma once

#include "persistence/FileReplace.h"
#include "persistence/XmlNode.h"
#include "shell/Result.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>
#include <memory>

// Why a document failed to load.
struct XmlParseError
{
    enum class Kind { None, File, Syntax };
    Kind kind = Kind::None;
    int line = 0; // 1-based line of the error; 0 when the file could not be read
    QString reason; // one line
};

// How a document is read.
struct XmlLoadOptions
{
    // Keep CR LF and lone CR in character data as written (no XML end-of-line handling).
    bool keepLineEnds = false;
    // When set, a document whose element has another name fails to load like a malformed one.
    QString requiredRoot;
    // With keepLineEnds: the CDATA sections of 1 MB or more in elements of this name are set
    // aside before parsing instead of being scanned byte by byte; the text of such an element is
    // then had only from takeText. Empty: none.
    QString largeSectionsOf;
};

// How a document is written.
enum class XmlFormat {
    Indented, // XML declaration, one element per line
    Raw, // no declaration, no indentation: exactly the nodes
};

// An XML DOM document queried with XPath 1.0.
class XmlDocument final
{
    Q_DISABLE_COPY_MOVE(XmlDocument)
public:
    // Deepest element nesting a load accepts; deeper documents fail like malformed ones.
    static constexpr int kMaxDepth = 1000;

    XmlDocument();
    ~XmlDocument();

    // Reads and parses the file. On failure (also for nesting beyond kMaxDepth) returns false,
    // fills parseError() and leaves the document empty.
    bool load(const QString& path, const XmlLoadOptions& options = {});
    // Parses a document held in memory (UTF-8, or with a BOM or declaration naming another
    // encoding). On failure (also for nesting beyond kMaxDepth) returns false, fills parseError()
    // and leaves the document empty.
    bool loadXML(const QByteArray& text, const XmlLoadOptions& options = {});
    // The same for text.
    bool loadXML(const QString& text, const XmlLoadOptions& options = {});
    // The error of the last failed load; kind None after a successful one.
    const XmlParseError& parseError() const { return m_error; }

    // Writes the whole document to path atomically (temporary file, then rename), flushed as
    // far as flush says. On failure returns the reason and leaves any previous file unchanged.
    Result save(const QString& path, XmlFormat format = XmlFormat::Indented,
                Flush flush = Flush::ToDisk) const;
    // The serialised document, UTF-8.
    QByteArray toByteArray(XmlFormat format = XmlFormat::Indented) const;

    // Removes every node.
    void clear();
    // The document node, parent of the document element; never null.
    XmlNode documentNode() const;
    // The document element; null for an empty document.
    XmlNode documentElement() const;
    // A new element not yet in any tree; add it with XmlNode::appendChild.
    XmlNode createElement(const QString& name) const;

    // selectSingleNode evaluated from the document node.
    XmlNode selectSingleNode(const QString& xpath, const XPathVariables& variables = {}) const;
    // selectNodes evaluated from the document node.
    QList<XmlNode> selectNodes(const QString& xpath, const XPathVariables& variables = {}) const;

    // node's text as XmlNode::textBytes gives it, then empties the document (every handle into
    // it becomes invalid). A large text that is one section of the loaded document is handed
    // over without a copy, so a big request body is held once.
    QByteArray takeText(const XmlNode& node);

private:
    // Texts shorter than this are copied: a small text should not keep a whole document alive.
    static constexpr qsizetype kShareFrom = 64 * 1024;

    QByteArray viewText(const XmlNode& node) const;
    QByteArray shareOf(qsizetype offset, qsizetype length) const;
    bool parse(const XmlLoadOptions& options, const std::function<QByteArray()>& original);
    bool parseWithSectionsAside(unsigned flags, const QByteArray& element);

    std::unique_ptr<pugi::xml_document> m_doc;
    // The bytes the document was parsed from, in place; pugixml's strings point into them.
    QByteArray m_buffer;
    // With sections set aside: what was parsed instead (m_buffer without their contents), and
    // where each left-out content lies in m_buffer, by the empty section standing for it.
    QByteArray m_parsed;
    QHash<const char*, std::pair<qsizetype, qsizetype>> m_aside;
    XmlParseError m_error;
};
