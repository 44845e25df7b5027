#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Where and why a text is not JSON.
struct JsonFault
{
    qsizetype offset = -1; // byte offset of the first byte that cannot be read
    QString reason; // in words, for a note above the text
};

// Re-indents one JSON value (RFC 8259) token by token, without building a document: one member
// or element a line, four spaces a level, ": " after a key, a line end at the end. Every string,
// number and literal stays byte for byte as written, members keep their order and duplicate
// keys stay. Nothing (with fault filled when given) when json is not exactly one JSON value
// between optional white space.
std::optional<QByteArray> LayOutJson(QByteArrayView json, JsonFault* fault = nullptr);
