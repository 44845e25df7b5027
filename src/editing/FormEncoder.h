#pragma once

#include "editing/FormBody.h"
#include "editing/FormField.h"

#include <QByteArray>
#include <QList>

#include <functional>

class HeaderTable;

// Produces candidate multipart boundaries.
using BoundarySource = std::function<QByteArray()>;

// "----PelorinFormBoundary" followed by 16 random letters and digits.
QByteArray NewFormBoundary();

// The application/x-www-form-urlencoded body of fields, in their order: names and values
// percent-encoded from their UTF-8 bytes (a space as %20), one pair per value, joined by "&".
QByteArray EncodeUrlencoded(const QList<FormField>& fields);

// The multipart/form-data body of fields, in their order, with a boundary from nextBoundary
// that occurs in no part. FILE rows are read from disk; a file over 1 MB becomes a piece read
// when the body is sent (body then empty, pieces holding the whole body). Fails (no body) when a
// file cannot be read or no boundary from a few candidates is free.
FormBody EncodeMultipart(const QList<FormField>& fields,
                         const BoundarySource& nextBoundary = NewFormBoundary);

// Multipart when a FILE row exists or multipartRequested, urlencoded otherwise.
FormBody EncodeForm(const QList<FormField>& fields, bool multipartRequested = false);

// Sets the Content-type and Content-length rows of headers for body (replacing existing ones).
void SetFormBodyHeaders(HeaderTable& headers, const FormBody& body);
