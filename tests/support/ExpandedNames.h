#pragma once

#include "persistence/XmlDocument.h"

#include <QStringList>

namespace ExpandedNames {

// The namespace prefix stands for at node, from the declarations in scope.
inline QString namespaceAt(XmlNode node, const QString& prefix)
{
    const QString declaration
        = prefix.isEmpty() ? QStringLiteral("xmlns") : QStringLiteral("xmlns:") + prefix;
    for (; node; node = node.parent()) {
        if (node.hasAttribute(declaration))
            return node.attribute(declaration);
    }
    return {};
}

inline void collect(const XmlNode& element, QStringList& out)
{
    const QString name = element.name();
    const qsizetype colon = name.indexOf(u':');
    const QString prefix = colon < 0 ? QString() : name.left(colon);
    QString entry = u'{' + namespaceAt(element, prefix) + u'}' + name.mid(colon + 1);
    const QList<XmlNode> children = element.children();
    if (children.isEmpty())
        entry += u'=' + element.text();
    out.append(entry);
    for (const XmlNode& child : children)
        collect(child, out);
}

// Every element of an XML document as "{namespace}local", a leaf followed by "=" and its
// text, in document order; one "error: ..." entry when it does not parse.
inline QStringList of(const QByteArray& xml)
{
    XmlDocument doc;
    if (!doc.loadXML(xml))
        return { QStringLiteral("error: ") + doc.parseError().reason };
    QStringList out;
    collect(doc.documentElement(), out);
    return out;
}

} // namespace ExpandedNames
