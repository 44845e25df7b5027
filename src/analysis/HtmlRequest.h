#pragma once

#include "editing/FormField.h"
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

// The text sent for a refused reference ("Javascript: and Mailto: links cannot be requested!").
extern const QString kRefusedLinkMessage;

// The request a page's references resolve against: the page, or its base element's href
// (baseHref, itself resolved against the page). A base that is empty or not http(s) is
// ignored.
HTTPRequest DocumentBase(const HTTPRequest& page, const QString& baseHref);

// A GET request for an href or src, resolved against the document base (see DocumentBase)
// as a browser resolves it; it may target another host. Only http and https targets are
// requested.
ElementRequest LinkRequest(const QString& reference, const HTTPRequest& page,
                           const QString& baseHref = {});

// The form builder rows a browser would send for the form when submitted without a click on a
// button: disabled and nameless fields, unchecked boxes, buttons and all but the first
// submitter are left out; a select sends one row per selected option.
QList<FormField> FormRows(const HtmlForm& form);

// The whole request of a submitted form: method, resolved action and, for POST, the body
// the form builder's encoder makes of rows, with its content type (Body.ContentType). A GET
// form puts its urlencoded rows into the action's query and has no body. The action resolves
// against the document base; an empty one is the page. Unusable when the body cannot be
// encoded.
ElementRequest FormRequest(const HtmlForm& form, const QList<FormField>& rows,
                           const HTTPRequest& page, const QString& baseHref = {});
