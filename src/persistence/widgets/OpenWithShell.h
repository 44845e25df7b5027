#pragma once

#include "persistence/TextUtil.h"

#include <QString>
#include <QUrl>

#include <functional>

// The address the desktop is asked to open for target: a text with a scheme (http:, mailto:,
// file:) as it is, anything else (a file path, a drive-letter path) as a local file URL.
QUrl ShellUrl(const QString& target);

// Asks the desktop to open target with its default handler when CheckShellTarget allows it;
// returns that check (its error when refused, nothing is opened then). Whether the desktop
// then succeeds is not examined. No command line is ever built from target.
ShellTarget OpenWithShell(const QString& target);

// Test hook: while set, allowed targets go to opener instead of the desktop; an empty
// function restores the desktop.
void setShellOpener(std::function<void(const QUrl&)> opener);
