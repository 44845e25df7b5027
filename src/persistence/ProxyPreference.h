#pragma once

#include <QString>

class XmlDocument;

// The proxy setting kept in the user data: none, from the environment, or one proxy URL (with
// its credentials) and its bypass list. Stored as given; the transport reads and checks it.
struct ProxyPreference
{
    enum class Mode { None, Environment, Url };

    Mode mode = Mode::None;
    QString url;
    QString noProxy;

    bool operator==(const ProxyPreference&) const = default;
};

// The preference in userData's <proxy> element; the default (none) when there is none or its
// mode is unknown.
ProxyPreference ReadProxyPreference(const XmlDocument& userData);
// Writes preference to userData's <proxy> element, adding it when missing.
void WriteProxyPreference(XmlDocument& userData, const ProxyPreference& preference);
