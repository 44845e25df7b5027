#include "persistence/AutoSettings.h"

using namespace Qt::StringLiterals;

QStringList AutoSettings::keys()
{
    return { u"AddCookies"_s, u"StoreCookies"_s, u"AddHistory"_s, u"Redirect"_s,
             u"SetHostHeader"_s };
}

QString AutoSettings::caption(const QString& key)
{
    if (key == "AddCookies"_L1)
        return u"add received cookies to request window"_s;
    if (key == "StoreCookies"_L1)
        return u"store persistent cookies"_s;
    if (key == "AddHistory"_L1)
        return u"add request to history"_s;
    if (key == "Redirect"_L1)
        return u"Prompt for redirect if 30x response and 'location' header present"_s;
    if (key == "SetHostHeader"_L1)
        return u"set 'host' header before sending request"_s;
    return {};
}

bool* AutoSettings::slot(const QString& key)
{
    if (key == "AddCookies"_L1)
        return &AddCookies;
    if (key == "StoreCookies"_L1)
        return &StoreCookies;
    if (key == "AddHistory"_L1)
        return &AddHistory;
    if (key == "Redirect"_L1)
        return &Redirect;
    if (key == "SetHostHeader"_L1)
        return &SetHostHeader;
    return nullptr;
}

std::optional<bool> AutoSettings::value(const QString& key) const
{
    const bool* p = const_cast<AutoSettings*>(this)->slot(key);
    return p ? std::optional<bool>(*p) : std::nullopt;
}

bool AutoSettings::set(const QString& key, bool on)
{
    bool* p = slot(key);
    if (p)
        *p = on;
    return p != nullptr;
}
