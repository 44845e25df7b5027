#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <utility>

namespace pugi {
struct xml_node_struct;
struct xml_attribute_struct;
class xml_document;
class xpath_node;
} // namespace pugi

// Named string values for an XPath query, referred to there as $name. Values are bound,
// never parsed as XPath, so quotes of either kind in them cannot break a query.
using XPathVariables = QList<std::pair<QString, QString>>;

// A handle to an element, attribute or document node of an XmlDocument. Cheap to copy;
// becomes dangling when the node is removed or its document is destroyed or reloaded.
class XmlNode final
{
public:
    // One attribute as written: its qualified name and its value.
    struct Attribute
    {
        QString name;
        QString value;
        // The name without a namespace prefix.
        QString localName() const;
    };

    XmlNode() = default;

    // True for the handle of no node (a query that found nothing).
    bool isNull() const { return m_node == nullptr; }
    explicit operator bool() const { return !isNull(); }
    // True when the handle is an attribute (selected by an XPath "@name" step).
    bool isAttribute() const { return m_attr != nullptr; }

    // The element's or attribute's name; empty for the document node or a null handle.
    QString name() const;
    // The concatenated character data (text and CDATA) below an element, or an attribute's value.
    QString text() const;
    // The same as it stands in the document, UTF-8, without decoding it.
    QByteArray textBytes() const;
    // Replaces the element's content by one text node (none for empty text), or sets the
    // attribute's value. Returns false for a null handle.
    bool setText(const QString& text);

    // The element's attributes in document order; empty for anything else.
    QList<Attribute> attributes() const;
    // True when the element has an attribute of that name.
    bool hasAttribute(const QString& name) const;
    // The value of the named attribute; empty when it is missing.
    QString attribute(const QString& name) const;
    // Sets the attribute, appending it after the existing ones when new. Returns false for
    // anything but an element.
    bool setAttribute(const QString& name, const QString& value);

    // The parent of an element, or the owning element of an attribute; null at the top.
    XmlNode parent() const;
    // The first child element of that name; null when there is none.
    XmlNode child(const QString& name) const;
    // The child elements of that name (all child elements for an empty name), in document order.
    QList<XmlNode> children(const QString& name = {}) const;

    // Adds node as the last child and returns it. A node made by XmlDocument::createElement
    // is copied in and `node` is rebound to the copy; a node of this document is moved.
    // Returns null (and changes nothing) when this is not an element or document node.
    XmlNode appendChild(XmlNode& node);
    // Creates an element of that name as the last child. Returns null on failure.
    XmlNode appendElement(const QString& name);
    // Adds a CDATA section holding text as the last child. Returns null on failure.
    XmlNode appendCData(const QString& text);
    // Removes a child element and its subtree; false when child is not a child of this node.
    bool removeChild(const XmlNode& child);

    // The first node the XPath 1.0 expression selects from this node; null when nothing
    // matches or the expression is invalid.
    XmlNode selectSingleNode(const QString& xpath, const XPathVariables& variables = {}) const;
    // Every node the expression selects, in document order; empty when nothing matches or the
    // expression is invalid.
    QList<XmlNode> selectNodes(const QString& xpath, const XPathVariables& variables = {}) const;

    friend bool operator==(const XmlNode& a, const XmlNode& b)
    {
        return a.m_node == b.m_node && a.m_attr == b.m_attr;
    }

private:
    friend class XmlDocument;
    explicit XmlNode(pugi::xml_node_struct* node, pugi::xml_attribute_struct* attr = nullptr,
                     std::shared_ptr<pugi::xml_document> detached = {});
    static XmlNode fromXPath(const pugi::xpath_node* node);

    pugi::xml_node_struct* m_node = nullptr;
    pugi::xml_attribute_struct* m_attr = nullptr;
    // Owns the little document an element made by createElement lives in until appended.
    std::shared_ptr<pugi::xml_document> m_detached;
};
