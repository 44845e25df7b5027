#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

// The program's icons, drawn in code so that they are sharp at any size and screen scale.
// Their colours are their own, outlined, so they read on light and dark desktops alike.
// Names: "history", "cookies", "settings", "soap", "links", "manual", "exit", "paste",
// "newresult", "app". Returns a null icon for any other name.
QIcon PelorinIcon(const QString& name);

// Every name PelorinIcon knows, in the order above.
QStringList PelorinIconNames();
