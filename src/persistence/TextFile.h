#pragma once

#include <QString>

class MessageSink;

// Whole-file text reading and writing, UTF-8, with failures shown through the sink.

// Sets contents to the file's text exactly as stored (UTF-8). Returns 0; on failure shows
// "Error reading file: " + reason titled "Error:" and returns the error's number, with
// contents empty.
qint32 ReadTextFile(const QString& path, QString& contents, MessageSink& sink);

// Replaces the file by exactly contents as UTF-8 (atomically: the old file survives a failed
// write). Refuses files the user may not write and hidden (dot) files with error 1234
// "Cannot overwrite read-only/system/hidden files!". Returns 0; on failure shows
// "Error writing file: " + reason titled "Error:" and returns the error's number.
qint32 WriteTextFile(const QString& path, const QString& contents, MessageSink& sink);
