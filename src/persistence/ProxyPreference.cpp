#include "persistence/ProxyPreference.h"

#include "persistence/XmlDocument.h"

using namespace Qt::StringLiterals;

namespace {

const QString kElement = u"proxy"_s;

} // namespace

ProxyPreference ReadProxyPreference(const XmlDocument& userData)
{
    ProxyPreference preference;
    const XmlNode node = userData.documentElement().child(kElement);
    if (!node)
        return preference;
    const QString mode = node.attribute(u"mode"_s);
    if (mode == "environment"_L1)
        preference.mode = ProxyPreference::Mode::Environment;
    else if (mode == "url"_L1)
        preference.mode = ProxyPreference::Mode::Url;
    preference.url = node.attribute(u"url"_s);
    preference.noProxy = node.attribute(u"noproxy"_s);
    return preference;
}

void WriteProxyPreference(XmlDocument& userData, const ProxyPreference& preference)
{
    XmlNode root = userData.documentElement();
    XmlNode node = root.child(kElement);
    if (!node)
        node = root.appendElement(kElement);
    const QString mode = preference.mode == ProxyPreference::Mode::Environment ? u"environment"_s
        : preference.mode == ProxyPreference::Mode::Url                        ? u"url"_s
                                                                               : u"none"_s;
    node.setAttribute(u"mode"_s, mode);
    node.setAttribute(u"url"_s, preference.url);
    node.setAttribute(u"noproxy"_s, preference.noProxy);
}
