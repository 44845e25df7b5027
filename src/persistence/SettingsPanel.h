#pragma once

#include <QString>

// What the configuration loader fills in the control panel: its settings check list and its
// help links list.
class SettingsPanel
{
public:
    virtual ~SettingsPanel() = default;
    // Appends a settings item with that caption, key and check state. Returns 0.
    virtual qint32 AddAutoSetting(const QString& caption, const QString& key, bool checked) = 0;
    // Appends a heading (target "-") or a link that opens target. Returns 0.
    virtual qint32 AddHelpMenuItem(const QString& caption, const QString& target) = 0;
};
