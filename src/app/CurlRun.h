#pragma once

#include <QString>

class DataFolder;

// The command-line conversions between request files and curl commands. Neither needs a
// display; both return the program's exit status: 0, 1 when a file cannot be written, 2 for bad
// input (an unreadable request file, a malformed curl command). out is for standard output, err
// for standard error.

// The curl command that puts on the wire what `pelorin --send requestFile` would: the request
// with the automatic settings and stored cookies of folder applied. A body that is not text is
// written to a file in folder.
int RunToCurl(const QString& requestFile, const DataFolder& folder, QString& out, QString& err);

// Reads a curl command and saves it as the request file savePath. Options not taken over are
// listed in err. A client certificate or CA file the command names is kept for its target in
// the user data of folder (never a passphrase).
int RunFromCurl(const QString& command, const QString& savePath, const DataFolder& folder,
                QString& err);
