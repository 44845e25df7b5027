#pragma once

#include "shell/Result.h"

#include <QString>
#include <QUrl>

#include <optional>

// Shared text helpers. Positions are characters; "ignoring case" compares without regard
// to letter case.

// Sets result to the stretch from startMarker (found ignoring case from the first occurrence
// of anchor, or from the start when anchor is empty) up to, not including, the next endMarker
// (exact). Returns 0; ErrorCode::MarkerNotFound when a marker is absent, InvalidArgument when
// anchor is given but absent; result is then unchanged.
qint32 ExtractBetween(const QString& source, const QString& startMarker, const QString& endMarker,
                      QString& result, const QString& anchor = {});

// Removes, repeatedly, every stretch from startMarker through the next endMarker (both found
// ignoring case). Does nothing when a marker is empty.
void RemoveBetween(QString& text, const QString& startMarker, const QString& endMarker);

// Percent-encodes the UTF-8 bytes of text; A-Z, a-z, 0-9 and "*-._" stay as they are, a space
// becomes %20.
QString URLEncode(const QString& text);

// Replaces every "&amp;" (any letter case) by "&"; no other entity is decoded.
QString DecodeAmpersands(const QString& text);

// A text longer than maxWidth (and maxWidth at least 6) becomes its first three characters,
// "..." and its last maxWidth - 6 characters; anything else comes back unchanged.
QString ShortenText(const QString& text, qint32 maxWidth);

// The part of path after its last "/" or "\"; the whole path when it has neither.
QString FileNameFromPath(const QString& path);

// The part of name from its last "." on, the dot included; the whole name when it has no dot.
QString FileExtension(const QString& name);

// The name of a form field type code 0..8 ("TEXT" ... "PASSWORD"); no value for other codes.
std::optional<QString> FormFieldTypeName(qint32 typeCode);

// The outcome of NormalizeMarkup: the tags, or the failure's number and description.
struct NormalizedMarkup : Result
{
    QString markup;
};

// Reduces XML text to its start and end tags without namespace prefixes, namespace
// declarations, targetNamespace attributes, declaration, comments or character data.
// Fails (never throws) when the text holds no "<" or white space cannot be collapsed.
NormalizedMarkup NormalizeMarkup(const QString& xml);

// Whether the desktop may be asked to open a target, and the address it is given.
struct ShellTarget
{
    QUrl url; // what the desktop opens; empty when refused
    QString error; // why the target is refused; empty when it may be opened
    explicit operator bool() const { return error.isEmpty(); }
};

// Allows http and https addresses with a host, mailto links, and existing regular files
// (a path, or a file: URL) that are neither executable nor desktop entries; refuses
// everything else with a sentence saying why. A drive letter is not a scheme.
ShellTarget CheckShellTarget(const QString& target);
