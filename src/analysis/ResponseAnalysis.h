#pragma once

#include <QByteArray>
#include <QString>

struct DecodedBody;

// Bytes of a binary body shown in the Body view's hex dump.
inline constexpr qsizetype kHexDumpLength = 64 * 1024;
// Largest decoded body analysed for HTML elements without being asked.
inline constexpr qint64 kAutoAnalysisLimit = 16LL * 1024 * 1024;

// True for text/html and application/xhtml+xml.
bool IsHtmlMediaType(const QString& mediaType);

// The Body view of a decoded body, as UTF-8: a JSON body (by its media type, or any body when
// asJson) laid out by LayOutJson, or as received below a note when it is not JSON; other text as
// it is; binary as a hex dump of its first 64 KB and its size. A line at the top names a failure
// or truncation.
QByteArray BodyViewText(const DecodedBody& body, bool asJson = false);
