#pragma once

#include "persistence/TextUtil.h"

#include <QString>
#include <QUrl>

#include <functional>

// The address the desktop is asked to open for target: a text with a scheme (http:, mailto:,
// file:) as it is, anything else (a file path, a drive-letter path) as a local file URL.
QUrl ShellUrl(const QString& target);

// Asks the desktop to open target with its default handler when CheckShellTarget allows it;
// returns that check, or an error naming the target when no program could be started for it.
// No command line is ever built from target.
ShellTarget OpenWithShell(const QString& target);

// Test hook: while set, allowed targets go to opener instead of the desktop (it returns whether
// a program was started); an empty function restores the desktop.
void setShellOpener(std::function<bool(const QUrl&)> opener);
