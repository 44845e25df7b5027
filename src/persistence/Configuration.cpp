#include "persistence/Configuration.h"

#include "BuildInfo.h"
#include "persistence/AutoSettings.h"
#include "persistence/SettingsPanel.h"
#include "shell/MessageSink.h"

#include <cmath>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// "True"/"False" in any letter case, or a number with zero as false.
std::optional<bool> toBoolean(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare("true"_L1, Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare("false"_L1, Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = t.toDouble(&ok);
    if (ok)
        return number != 0.0;
    return std::nullopt;
}

qint32 toInteger(const QString& text)
{
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return 0;
    // Halves round to even, as integer conversion of a numeric text does elsewhere.
    const double rounded = std::nearbyint(number);
    if (rounded < std::numeric_limits<qint32>::min()
        || rounded > std::numeric_limits<qint32>::max())
        return 0;
    return qint32(rounded);
}

} // namespace

QString Configuration::requestMethodsPath()
{
    return u"pelorinhttp/combos/requestmethod/option"_s;
}

QString Configuration::httpVersionsPath()
{
    return u"pelorinhttp/combos/httpver/option"_s;
}

Configuration::Configuration(MessageSink& sink)
    : m_sink(sink)
{ }

bool Configuration::LoadConfiguration(const QString& path, AutoSettings& settings,
                                      SettingsPanel* panel)
{
    if (!m_doc.load(
            path,
            { .keepLineEnds = false, .requiredRoot = u"pelorinhttp"_s, .largeSectionsOf = {} })) {
        const XmlParseError& e = m_doc.parseError();
        m_sink.showMessage(u"Error parsing pelorinconfig.xml: (line %1) %2"_s.arg(
                               QString::number(e.line), e.reason),
                           QStringLiteral(PELORIN_PRODUCT_NAME), MessageSink::Icon::Error);
        return false;
    }
    for (const QString& key : AutoSettings::keys()) {
        const bool on = GetConfigValue(u"pelorinhttp/auto/"_s + key, ValueKind::Boolean).toBool();
        settings.set(key, on);
        if (panel)
            panel->AddAutoSetting(AutoSettings::caption(key), key, on);
    }
    LoadHelpLinks(panel);
    return true;
}

QVariant Configuration::GetConfigValue(const QString& path, ValueKind kind) const
{
    const XmlNode node = m_doc.selectSingleNode(path);
    const QString text = node ? node.text() : QString();
    switch (kind) {
    case ValueKind::Integer:
        return toInteger(text);
    case ValueKind::Text:
        return text;
    case ValueKind::Boolean:
        break;
    }
    if (!node)
        return false;
    const std::optional<bool> value = toBoolean(text);
    if (!value) {
        m_sink.showMessage(
            u"Type mismatch: \"%1\" in %2 is not a boolean (True or False)"_s.arg(text, path),
            QStringLiteral(PELORIN_PRODUCT_NAME), MessageSink::Icon::Error);
        return false;
    }
    return *value;
}

void Configuration::LoadHelpLinks(SettingsPanel* panel) const
{
    if (!panel)
        return;
    panel->AddHelpMenuItem(u"General Information"_s, u"-"_s);
    panel->AddHelpMenuItem(u"About this program"_s, u"about"_s);
    panel->AddHelpMenuItem(u"Visit the Pelorin website"_s, QStringLiteral(PELORIN_WEBSITE));
    panel->AddHelpMenuItem(u"Send feedback or bug-report"_s, QStringLiteral(PELORIN_FEEDBACK));
    for (const XmlNode& link : m_doc.selectNodes(u"pelorinhttp/helplinks/link"_s)) {
        const QList<XmlNode::Attribute> attributes = link.attributes();
        const QString caption = attributes.isEmpty() ? QString() : attributes.first().value;
        const QString target = link.text().trimmed();
        if (!caption.isEmpty() && !target.isEmpty())
            panel->AddHelpMenuItem(caption, target);
    }
}

Configuration::ComboList Configuration::ListFromConfig(const QString& path) const
{
    ComboList list;
    for (const XmlNode& option : m_doc.selectNodes(path)) {
        list.entries.append(option.text().trimmed());
        const QList<XmlNode::Attribute> attributes = option.attributes();
        if (!attributes.isEmpty()
            && attributes.first().localName().compare("default"_L1, Qt::CaseInsensitive) == 0
            && attributes.first().value.compare("true"_L1, Qt::CaseInsensitive) == 0)
            list.selected = list.entries.size() - 1;
    }
    return list;
}

QString Configuration::GetHeaderValueList(const QString& headerName, bool& multiple) const
{
    QString separator;
    return GetHeaderValueList(headerName, multiple, separator);
}

QString Configuration::GetHeaderValueList(const QString& headerName, bool& multiple,
                                          QString& separator) const
{
    const XmlNode option = m_doc.selectSingleNode(
        u"pelorinhttp/requestheaders/option[name=$name]"_s, { { u"name"_s, headerName } });
    if (!option)
        return {};
    const XmlNode values = option.child(u"values"_s);
    multiple = values.attribute(u"multiple"_s).compare("yes"_L1, Qt::CaseInsensitive) == 0;
    // Most list-valued fields join their members with commas (the #rule of RFC 9110 5.6.1);
    // ";" stays the default for the few whose parts are parameters of one element.
    separator = values.attribute(u"separator"_s);
    if (separator.isEmpty())
        separator = u";"_s;
    QStringList texts;
    for (const XmlNode& value : values.children(u"value"_s))
        texts.append(value.text().trimmed());
    return texts.join(u'|');
}

QList<Configuration::HeaderInfo> Configuration::HeaderCatalogue() const
{
    QList<HeaderInfo> headers;
    for (const XmlNode& option : m_doc.selectNodes(u"pelorinhttp/requestheaders/option"_s)) {
        const QString name = option.child(u"name"_s).text().trimmed();
        if (!name.isEmpty())
            headers.append({ name, option.child(u"description"_s).text().trimmed() });
    }
    return headers;
}
