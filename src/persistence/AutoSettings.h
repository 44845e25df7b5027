#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The five automatic settings, read from the configuration at start-up and afterwards changed
// only from the control panel for the rest of the run; never written to disk.
struct AutoSettings
{
    bool AddCookies = false;
    bool StoreCookies = false;
    bool AddHistory = false;
    bool Redirect = false;
    bool SetHostHeader = false;
    // "Connection: close" goes with every request, so each exchange ends at the close. Not one
    // of the five: not in the configuration; switched off by --keep-alive or the request window.
    bool CloseConnection = true;

    // The keys in the order they are read and listed.
    static QStringList keys();
    // The control panel caption of a key; empty for an unknown key.
    static QString caption(const QString& key);

    // The setting of that key; no value for an unknown key.
    std::optional<bool> value(const QString& key) const;
    // Sets the setting of that key; returns false and changes nothing for an unknown key.
    bool set(const QString& key, bool on);

private:
    template<typename Self> static auto* slot(Self& self, const QString& key);
};
