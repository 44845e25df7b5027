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

template<typename Self> auto* AutoSettings::slot(Self& self, const QString& key)
{
    decltype(&self.AddCookies) found = nullptr;
    if (key == "AddCookies"_L1)
        found = &self.AddCookies;
    else if (key == "StoreCookies"_L1)
        found = &self.StoreCookies;
    else if (key == "AddHistory"_L1)
        found = &self.AddHistory;
    else if (key == "Redirect"_L1)
        found = &self.Redirect;
    else if (key == "SetHostHeader"_L1)
        found = &self.SetHostHeader;
    return found;
}

std::optional<bool> AutoSettings::value(const QString& key) const
{
    const bool* p = slot(*this, key);
    return p ? std::optional<bool>(*p) : std::nullopt;
}

bool AutoSettings::set(const QString& key, bool on)
{
    bool* p = slot(*this, key);
    if (p)
        *p = on;
    return p != nullptr;
}
