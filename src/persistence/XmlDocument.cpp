#include "persistence/XmlDocument.h"

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
    m_doc->reset();
    m_buffer.clear();
    m_error = {};
    // Read through QFile rather than pugixml's own file loader so any path Qt can open works.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = { XmlParseError::Kind::File, 0, file.errorString() };
        return false;
    }
    m_buffer = file.readAll();
    if (file.error() != QFileDevice::NoError) {
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
    m_doc->reset();
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
    // can be handed out without a copy (sharedText).
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

QByteArray XmlDocument::takeText(const XmlNode& node)
{
    QByteArray text = viewText(node);
    clear();
    return text;
}

QByteArray XmlDocument::viewText(const XmlNode& node) const
{
    const pugi::xml_node element(node.m_node);
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
    // A view into the document's block that keeps the block alive once the document lets go
    // of it; writing to it while both hold the block detaches it.
    QByteArray::DataPointer view = QByteArray(m_buffer).data_ptr();
    view.ptr = const_cast<char*>(value);
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
