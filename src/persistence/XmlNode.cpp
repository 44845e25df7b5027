#include "persistence/XmlNode.h"

#include <QDebug>

#include <pugixml.hpp>

#include <string>

namespace {

std::string utf8(const QString& s)
{
    return s.toStdString();
}

QString qstr(const pugi::char_t* s)
{
    return QString::fromUtf8(s);
}

// Walks the subtree in document order without recursion, so a deeply nested document
// costs heap, never stack.
template<typename Append> void collectText(const pugi::xml_node& top, Append append)
{
    pugi::xml_node c = top.first_child();
    while (c) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            append(c.value());
        else if (c.type() == pugi::node_element && c.first_child()) {
            c = c.first_child();
            continue;
        }
        while (!c.next_sibling() && c.parent() != top)
            c = c.parent();
        c = c.next_sibling();
    }
}

// Compiles the query with its variables bound and hands it to run; a malformed expression is a
// programming error in the caller, reported as a warning and treated as "nothing found".
template<typename Run> bool evaluate(const QString& xpath, const XPathVariables& variables, Run run)
{
    try {
        pugi::xpath_variable_set set; // the compiled query points into it
        for (const auto& [name, value] : variables) {
            pugi::xpath_variable* var = set.add(utf8(name).c_str(), pugi::xpath_type_string);
            if (!var || !var->set(utf8(value).c_str()))
                return false;
        }
        const pugi::xpath_query query(utf8(xpath).c_str(), &set);
        run(query);
        return true;
    } catch (const pugi::xpath_exception& e) {
        qWarning() << "Invalid XPath" << xpath << e.what();
    } catch (const std::bad_alloc&) {
        qWarning() << "Out of memory evaluating" << xpath;
    }
    return false;
}

} // namespace

XmlNode::XmlNode(pugi::xml_node_struct* node, pugi::xml_attribute_struct* attr,
                 std::shared_ptr<pugi::xml_document> detached)
    : m_node(node)
    , m_attr(attr)
    , m_detached(std::move(detached))
{ }

QString XmlNode::Attribute::localName() const
{
    const qsizetype colon = name.indexOf(u':');
    return colon < 0 ? name : name.mid(colon + 1);
}

QString XmlNode::name() const
{
    if (m_attr)
        return qstr(pugi::xml_attribute(m_attr).name());
    return m_node ? qstr(pugi::xml_node(m_node).name()) : QString();
}

QString XmlNode::text() const
{
    if (m_attr)
        return qstr(pugi::xml_attribute(m_attr).value());
    const pugi::xml_node node(m_node);
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
        return qstr(node.value());
    QString out;
    collectText(node, [&out](const char* value) { out += qstr(value); });
    return out;
}

QByteArray XmlNode::textBytes() const
{
    if (m_attr)
        return QByteArray(pugi::xml_attribute(m_attr).value());
    const pugi::xml_node node(m_node);
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
        return QByteArray(node.value());
    QByteArray out;
    collectText(node, [&out](const char* value) { out += value; });
    return out;
}

bool XmlNode::setText(const QString& text)
{
    if (m_attr)
        return pugi::xml_attribute(m_attr).set_value(utf8(text).c_str());
    pugi::xml_node node(m_node);
    if (node.type() != pugi::node_element)
        return false;
    node.remove_children();
    return text.isEmpty() || node.append_child(pugi::node_pcdata).set_value(utf8(text).c_str());
}

QList<XmlNode::Attribute> XmlNode::attributes() const
{
    QList<Attribute> out;
    if (m_attr)
        return out;
    for (const pugi::xml_attribute& a : pugi::xml_node(m_node).attributes())
        out.append({ qstr(a.name()), qstr(a.value()) });
    return out;
}

bool XmlNode::hasAttribute(const QString& name) const
{
    return !m_attr && pugi::xml_node(m_node).attribute(utf8(name).c_str());
}

QString XmlNode::attribute(const QString& name) const
{
    if (m_attr)
        return {};
    return qstr(pugi::xml_node(m_node).attribute(utf8(name).c_str()).value());
}

bool XmlNode::setAttribute(const QString& name, const QString& value)
{
    pugi::xml_node node(m_node);
    if (m_attr || node.type() != pugi::node_element)
        return false;
    const std::string key = utf8(name);
    pugi::xml_attribute a = node.attribute(key.c_str());
    if (!a)
        a = node.append_attribute(key.c_str());
    return a && a.set_value(utf8(value).c_str());
}

XmlNode XmlNode::parent() const
{
    if (m_attr)
        return XmlNode(m_node);
    const pugi::xml_node p = pugi::xml_node(m_node).parent();
    return p ? XmlNode(p.internal_object()) : XmlNode();
}

XmlNode XmlNode::child(const QString& name) const
{
    if (m_attr)
        return {};
    const pugi::xml_node c = pugi::xml_node(m_node).child(utf8(name).c_str());
    return c ? XmlNode(c.internal_object()) : XmlNode();
}

QList<XmlNode> XmlNode::children(const QString& name) const
{
    QList<XmlNode> out;
    if (m_attr)
        return out;
    const std::string key = utf8(name);
    for (pugi::xml_node c = pugi::xml_node(m_node).first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && (key.empty() || key == c.name()))
            out.append(XmlNode(c.internal_object()));
    }
    return out;
}

XmlNode XmlNode::appendChild(XmlNode& node)
{
    pugi::xml_node self(m_node);
    const pugi::xml_node moved(node.m_node);
    if (m_attr || node.m_attr || !moved
        || (self.type() != pugi::node_element && self.type() != pugi::node_document))
        return {};
    pugi::xml_node added;
    if (node.m_detached) {
        // pugixml nodes cannot leave their document, so a detached element is copied in.
        added = self.append_copy(moved);
        if (added)
            node = XmlNode(added.internal_object());
    } else {
        added = self.append_move(moved);
    }
    return added ? XmlNode(added.internal_object()) : XmlNode();
}

XmlNode XmlNode::appendElement(const QString& name)
{
    if (m_attr)
        return {};
    const pugi::xml_node added = pugi::xml_node(m_node).append_child(utf8(name).c_str());
    return added ? XmlNode(added.internal_object()) : XmlNode();
}

XmlNode XmlNode::appendCData(const QString& text)
{
    if (m_attr)
        return {};
    pugi::xml_node added = pugi::xml_node(m_node).append_child(pugi::node_cdata);
    if (!added || !added.set_value(utf8(text).c_str()))
        return {};
    return XmlNode(added.internal_object());
}

bool XmlNode::removeChild(const XmlNode& child)
{
    if (m_attr || child.m_attr || !child.m_node)
        return false;
    return pugi::xml_node(m_node).remove_child(pugi::xml_node(child.m_node));
}

XmlNode XmlNode::selectSingleNode(const QString& xpath, const XPathVariables& variables) const
{
    const pugi::xml_node context(m_node);
    pugi::xpath_node found;
    if (m_attr || !context || !evaluate(xpath, variables, [&](const pugi::xpath_query& q) {
            found = q.evaluate_node(context);
        }))
        return {};
    return fromXPath(&found);
}

QList<XmlNode> XmlNode::selectNodes(const QString& xpath, const XPathVariables& variables) const
{
    QList<XmlNode> out;
    const pugi::xml_node context(m_node);
    pugi::xpath_node_set set;
    if (m_attr || !context || !evaluate(xpath, variables, [&](const pugi::xpath_query& q) {
            set = q.evaluate_node_set(context);
        }))
        return out;
    set.sort();
    out.reserve(qsizetype(set.size()));
    for (const pugi::xpath_node& n : set)
        out.append(fromXPath(&n));
    return out;
}

XmlNode XmlNode::fromXPath(const pugi::xpath_node* n)
{
    if (n->attribute())
        return XmlNode(n->parent().internal_object(), n->attribute().internal_object());
    return n->node() ? XmlNode(n->node().internal_object()) : XmlNode();
}
