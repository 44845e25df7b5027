#pragma once

#include "message/HTTPRequest.h"

#include <QList>
#include <QString>
#include <QStringList>

struct HtmlForm;

// A request prepared from an element of a page, or why there is none.
struct ElementRequest
{
    enum class Status {
        Ready, // request holds the new request
        Refused, // a scheme other than http and https (javascript:, mailto:, ...)
        Unusable, // the reference names no usable host
    };
    Status status = Status::Unusable;
    HTTPRequest request;

    explicit operator bool() const { return status == Status::Ready; }
};

// One field as a form sends it: a row of the form builder.
struct FormRow
{
    QString name;
    QString type; // the builder's type name ("TEXT", "SELECT", "FILE", ...)
    QStringList values; // a select may send several; a FILE row holds the file name
};

// The text sent for a refused reference ("Javascript: and Mailto: links cannot be requested!").
extern const QString kRefusedLinkMessage;

// A GET request for an href or src, resolved against the page's request as a browser
// resolves it. Only http and https targets are requested.
ElementRequest LinkRequest(const QString& reference, const HTTPRequest& page);

// The rows a browser would send for the form when submitted without a click on a button:
// disabled and nameless fields, unchecked boxes, buttons and all but the first submitter
// are left out.
QList<FormRow> FormRows(const HtmlForm& form);

// The whole request of a submitted form: method, resolved action and, for POST, the
// encoded body with its content type (Body.ContentType). A GET form puts its urlencoded
// rows into the action's query and has no body.
ElementRequest FormRequest(const HtmlForm& form, const QList<FormRow>& rows,
                           const HTTPRequest& page);

// The rows as application/x-www-form-urlencoded text (UTF-8, %-encoded, CR LF line breaks).
QString UrlencodedFormBody(const QList<FormRow>& rows);

// The rows as a multipart/form-data body (RFC 7578) delimited by boundary, closing
// delimiter included. File rows carry an empty file.
QString MultipartFormBody(const QList<FormRow>& rows, const QString& boundary);

// A boundary that is unlikely to occur in any value.
QString NewMultipartBoundary();
