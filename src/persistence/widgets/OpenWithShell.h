#pragma once

#include <QString>
#include <QUrl>

// The address the desktop is asked to open for target: a text with a scheme (http:, mailto:,
// file:) as it is, anything else (a file path, a drive-letter path) as a local file URL.
QUrl ShellUrl(const QString& target);

// Asks the desktop to open target with its default handler; the outcome is not examined and
// nothing is reported. No command line is ever built from target.
void OpenWithShell(const QString& target);
