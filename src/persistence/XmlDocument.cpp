#include "persistence/XmlDocument.h"

#include "shell/FreshMemory.h"

#include <QFile>

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

class ByteArrayWriter final : public pugi::xml_writer
{
public:
    QByteArray bytes;
    void write(const void* data, size_t size) override
    {
        bytes.append(static_cast<const char*>(data), qsizetype(size));
    }
};

int lineAt(const QByteArray& bytes, ptrdiff_t offset)
{
    const qsizetype end = std::clamp<qsizetype>(qsizetype(offset), 0, bytes.size());
    return int(std::count(bytes.cbegin(), bytes.cbegin() + end, '\n')) + 1;
}

// Where the first "]]>" at or after from begins, -1 if none; memchr keeps it at memory speed
// over a large section.
qsizetype sectionEnd(QByteArrayView bytes, qsizetype from)
{
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    for (const char* p = begin + from; p < end;) {
        p = static_cast<const char*>(std::memchr(p, ']', size_t(end - p)));
        if (!p)
            return -1;
        if (end - p >= 3 && p[1] == ']' && p[2] == '>')
            return p - begin;
        ++p;
    }
    return -1;
}

// The first element, in document order, with more than limit elements enclosing it (itself
// included); null when there is none.
pugi::xml_node tooDeep(const pugi::xml_document& doc, int limit)
{
    int enclosing = 0; // elements above n
    pugi::xml_node n = doc.first_child();
    while (n) {
        if (n.type() == pugi::node_element) {
            if (enclosing >= limit)
                return n;
            if (n.first_child()) {
                ++enclosing;
                n = n.first_child();
                continue;
            }
        }
        while (!n.next_sibling()) {
            n = n.parent();
            if (n.type() == pugi::node_document)
                return {};
            --enclosing;
        }
        n = n.next_sibling();
    }
    return {};
}

} // namespace

XmlDocument::XmlDocument()
    : m_doc(std::make_unique<pugi::xml_document>())
{ }

XmlDocument::~XmlDocument() = default;

bool XmlDocument::load(const QString& path, const XmlLoadOptions& options)
{
    clear();
    m_error = {};
    // Read through QFile rather than pugixml's own file loader so any path Qt can open works.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = { XmlParseError::Kind::File, 0, file.errorString() };
        return false;
    }
    // Read into one block of the file's size, faulted in at once: for a request file with a large
    // body the faults cost more than the read.
    const qint64 size = file.size();
    m_buffer.resize(qsizetype(size));
    PrepareForWrite(m_buffer.data(), m_buffer.size());
    const qint64 got = size > 0 ? file.read(m_buffer.data(), size) : 0;
    m_buffer.truncate(qsizetype(qMax<qint64>(got, 0)));
    // A file that grew meanwhile is read to its end.
    if (got >= 0)
        m_buffer += file.readAll();
    if (got < 0 || file.error() != QFileDevice::NoError) {
        m_error = { XmlParseError::Kind::File, 0, file.errorString() };
        m_buffer.clear();
        return false;
    }
    // Parsing in place changed the bytes an error line is counted in; a failure is rare
    // enough to read the file again.
    return parse(options, [&file] {
        file.seek(0);
        return file.readAll();
    });
}

bool XmlDocument::loadXML(const QByteArray& text, const XmlLoadOptions& options)
{
    clear();
    m_buffer = text;
    m_buffer.detach();
    m_error = {};
    return parse(options, [&text] { return text; });
}

bool XmlDocument::loadXML(const QString& text, const XmlLoadOptions& options)
{
    return loadXML(text.toUtf8(), options);
}

bool XmlDocument::parse(const XmlLoadOptions& options, const std::function<QByteArray()>& original)
{
    unsigned flags = pugi::parse_default;
    if (options.keepLineEnds)
        flags &= ~pugi::parse_eol;
    // In place: a large document (a request file with a big body) is held once, and its text
    // can be handed out without a copy (takeText).
    if (options.keepLineEnds && !options.largeSectionsOf.isEmpty()
        && parseWithSectionsAside(flags, options.largeSectionsOf.toUtf8())) {
        if ((options.requiredRoot.isEmpty()
             || options.requiredRoot == QString::fromUtf8(m_doc->document_element().name()))
            && !tooDeep(*m_doc, kMaxDepth))
            return true;
        // Anything else is judged, and its error placed, by the whole parse.
        m_doc->reset();
    }
    m_parsed.clear();
    m_aside.clear();
    const pugi::xml_parse_result result
        = m_doc->load_buffer_inplace(m_buffer.data(), size_t(m_buffer.size()), flags);
    const auto fail = [&](ptrdiff_t offset, const QString& reason) {
        m_error = { XmlParseError::Kind::Syntax, lineAt(original(), offset), reason };
        m_doc->reset();
        m_buffer.clear();
        return false;
    };
    if (!result)
        return fail(result.offset, QString::fromUtf8(result.description()));
    // Anything that walks the tree (ours or a caller's) stays safe when nesting is bounded.
    if (const pugi::xml_node deep = tooDeep(*m_doc, kMaxDepth))
        return fail(deep.offset_debug(),
                    u"Elements are nested more than %1 levels deep"_s.arg(kMaxDepth));
    const pugi::xml_node root = m_doc->document_element();
    if (!options.requiredRoot.isEmpty() && options.requiredRoot != QString::fromUtf8(root.name())) {
        // The offset is approximate once line ends were normalised, which only matters for
        // the line shown to the user.
        return fail(root.offset_debug(),
                    u"The document element is <%1>, expected <%2>"_s.arg(
                        QString::fromUtf8(root.name()), options.requiredRoot));
    }
    return true;
}

bool XmlDocument::parseWithSectionsAside(unsigned flags, const QByteArray& element)
{
    m_parsed.clear();
    m_aside.clear();
    // Only plain UTF-8: another encoding is converted by the parser, changing the bytes.
    const QByteArrayView all(m_buffer);
    if (!all.startsWith('<'))
        return false;
    if (all.startsWith("<?xml")) {
        const QByteArray declaration = m_buffer.left(all.indexOf("?>") + 2).toLower();
        const qsizetype encoding = declaration.indexOf("encoding");
        if (declaration.size() < 7
            || (encoding >= 0 && !declaration.sliced(encoding).contains("utf-8")))
            return false;
    }
    // A section's content ends at the first "]]>", as the parser ends it; one holding a NUL
    // byte is left to the parser, which refuses it.
    constexpr qsizetype kAsideFrom = 1024 * 1024;
    const QByteArrayView open("<![CDATA[");
    QList<std::pair<qsizetype, qsizetype>> sections; // content start and end in m_buffer
    for (qsizetype from = 0;;) {
        const qsizetype found = all.indexOf(open, from);
        if (found < 0)
            break;
        const qsizetype start = found + open.size();
        const qsizetype end = sectionEnd(all, start);
        if (end < 0)
            break;
        if (end - start >= kAsideFrom && !std::memchr(all.data() + start, 0, size_t(end - start)))
            sections.append({ start, end });
        from = end + 3;
    }
    if (sections.isEmpty())
        return false;
    QList<qsizetype> standIns; // where each empty section's value lies in m_parsed
    qsizetype kept = 0;
    for (const auto& [start, end] : sections) {
        m_parsed.append(all.sliced(kept, start - kept));
        standIns.append(m_parsed.size());
        kept = end;
    }
    m_parsed.append(all.sliced(kept));
    if (!m_doc->load_buffer_inplace(m_parsed.data(), size_t(m_parsed.size()), flags))
        return false;
    // Each stand-in must have been read as an empty section where the content was cut out, in an
    // element whose text the caller takes with takeText.
    // Then the parser was in the same state there as in the whole document (the bytes before
    // are the same), and would have read the whole content as that section's text.
    QHash<const char*, std::pair<qsizetype, qsizetype>> aside;
    for (qsizetype i = 0; i < sections.size(); ++i)
        aside.insert(m_parsed.constData() + standIns[i],
                     { sections[i].first, sections[i].second - sections[i].first });
    qsizetype found = 0;
    for (pugi::xml_node n = m_doc->first_child(); n;) {
        if (n.type() == pugi::node_cdata && aside.contains(n.value())
            && element == n.parent().name())
            ++found;
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && !n.next_sibling())
            n = n.parent();
        if (n)
            n = n.next_sibling();
    }
    if (found != sections.size())
        return false;
    m_aside = std::move(aside);
    return true;
}

QByteArray XmlDocument::takeText(const XmlNode& node)
{
    QByteArray text = viewText(node);
    clear();
    return text;
}

QByteArray XmlDocument::viewText(const XmlNode& node) const
{
    const pugi::xml_node element(node.m_node);
    if (!m_aside.isEmpty() && !node.m_attr) {
        const auto asideOf = [this](const pugi::xml_node& child) {
            return child.type() == pugi::node_cdata ? m_aside.constFind(child.value())
                                                    : m_aside.constEnd();
        };
        const pugi::xml_node first = element.first_child();
        if (first && !first.next_sibling()) {
            if (const auto it = asideOf(first); it != m_aside.constEnd())
                return shareOf(it->first, it->second);
        }
        bool anyAside = false;
        for (pugi::xml_node child = first; child; child = child.next_sibling())
            anyAside = anyAside || asideOf(child) != m_aside.constEnd();
        if (anyAside) {
            QByteArray joined;
            for (pugi::xml_node child = first; child; child = child.next_sibling()) {
                if (const auto it = asideOf(child); it != m_aside.constEnd())
                    joined.append(QByteArrayView(m_buffer).sliced(it->first, it->second));
                else if (child.type() == pugi::node_cdata || child.type() == pugi::node_pcdata)
                    joined += child.value();
            }
            return joined;
        }
    }
    const pugi::xml_node only = element.first_child();
    const bool single = !node.m_attr && element.type() == pugi::node_element && only
        && !only.next_sibling()
        && (only.type() == pugi::node_cdata || only.type() == pugi::node_pcdata);
    const char* value = single ? only.value() : nullptr;
    const char* begin = m_buffer.constData();
    if (!value || value < begin || value >= begin + m_buffer.size())
        return node.textBytes();
    const auto length = qsizetype(std::strlen(value));
    if (length < kShareFrom)
        return node.textBytes();
    return shareOf(value - begin, length);
}

QByteArray XmlDocument::shareOf(qsizetype offset, qsizetype length) const
{
    // A view into the document's block that keeps the block alive once the document lets go
    // of it; writing to it while both hold the block detaches it.
    QByteArray::DataPointer view = QByteArray(m_buffer).data_ptr();
    view.ptr = const_cast<char*>(m_buffer.constData()) + offset;
    view.size = length;
    return QByteArray(std::move(view));
}

QByteArray XmlDocument::toByteArray(XmlFormat format) const
{
    ByteArrayWriter writer;
    const unsigned flags = format == XmlFormat::Raw ? pugi::format_raw | pugi::format_no_declaration
                                                    : pugi::format_indent;
    m_doc->save(writer, "  ", flags, pugi::encoding_utf8);
    return writer.bytes;
}

Result XmlDocument::save(const QString& path, XmlFormat format, Flush flush) const
{
    return ReplaceFile(path, toByteArray(format), flush);
}

void XmlDocument::clear()
{
    m_doc->reset();
    m_buffer.clear();
    m_parsed.clear();
    m_aside.clear();
}

XmlNode XmlDocument::documentNode() const
{
    return XmlNode(m_doc->internal_object());
}

XmlNode XmlDocument::documentElement() const
{
    const pugi::xml_node root = m_doc->document_element();
    return root ? XmlNode(root.internal_object()) : XmlNode();
}

XmlNode XmlDocument::createElement(const QString& name) const
{
    auto holder = std::make_shared<pugi::xml_document>();
    const pugi::xml_node element = holder->append_child(name.toStdString().c_str());
    if (!element)
        return {};
    return XmlNode(element.internal_object(), nullptr, std::move(holder));
}

XmlNode XmlDocument::selectSingleNode(const QString& xpath, const XPathVariables& variables) const
{
    return documentNode().selectSingleNode(xpath, variables);
}

QList<XmlNode> XmlDocument::selectNodes(const QString& xpath, const XPathVariables& variables) const
{
    return documentNode().selectNodes(xpath, variables);
}
