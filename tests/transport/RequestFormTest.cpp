#include "transport/RequestForm.h"

#include "editing/HeaderTable.h"
#include "message/HTTPRequest.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(RequestFormTest, LoadingKeepsWhatTheRequestDoesNotSayAndRedirectsKeepMethodAndBody)
{
    RequestForm form { u"old"_s,  u"8080"_s,     u"8443"_s, false, u"PUT"_s,
                       u"/old"_s, u"HTTP/1.0"_s, true,      "kept" };
    HTTPRequest request;
    request.Server = u"example.test"_s;
    request.Port = u"444"_s;
    request.Secure = true;
    request.setMethod(u"GET"_s);
    request.setURL(u"/a?x=1&amp;y=2"_s);
    LoadRequestIntoForm(request, form);
    EXPECT_EQ(form.server, u"example.test"_s);
    EXPECT_EQ(form.port, u"8080"_s) << "the plain port box is not the request's";
    EXPECT_EQ(form.portSecure, u"444"_s);
    EXPECT_TRUE(form.secure);
    EXPECT_EQ(form.url, u"/a?x=1&y=2"_s);
    EXPECT_EQ(form.httpVersion, u"HTTP/1.0"_s) << "a request without a version keeps the box's";
    EXPECT_FALSE(form.includeBody);
    EXPECT_TRUE(form.body.isEmpty());

    form.method = u"POST"_s;
    form.includeBody = true;
    form.body = "b";
    HTTPRequest target;
    target.Server = u"other.test"_s;
    target.Port = u"81"_s;
    target.setURL(u"/next"_s);
    RedirectForm(target, form);
    EXPECT_EQ(form.server, u"other.test"_s);
    EXPECT_EQ(form.port, u"81"_s);
    EXPECT_FALSE(form.secure);
    EXPECT_EQ(form.url, u"/next"_s);
    EXPECT_EQ(form.method, u"POST"_s);
    EXPECT_TRUE(form.includeBody);

    HTTPRequest filled;
    FillRequestFields(form, filled);
    EXPECT_EQ(filled.Port, u"81"_s);
    EXPECT_TRUE(filled.RequestMessage().startsWith(u"POST /next HTTP/1.0\r\n"_s));
}

TEST(RequestFormTest, PageFormsCarryTheirBodyAndRowsUnlessTheyAreGets)
{
    HTTPRequest request;
    request.Server = u"example.test"_s;
    request.Port = u"80"_s;
    request.setURL(u"/f"_s);
    request.Body.ContentType = u"application/x-www-form-urlencoded"_s;
    request.Body.setContents(QByteArray("a=%C3%A9"));
    for (const QString& method : { u"GET"_s, u"POST"_s }) {
        request.setMethod(method);
        RequestForm form { u"old"_s,  u"81"_s,       u"443"_s, false,     u"PUT"_s,
                           u"/old"_s, u"HTTP/1.0"_s, true,     "old body" };
        HeaderTable headers;
        SetDefaultHeaders(headers);
        FormRequestIntoForm(request, form, headers);
        const bool get = method == "GET"_L1;
        EXPECT_EQ(form.method, method);
        EXPECT_EQ(form.httpVersion, u"HTTP/1.1"_s);
        EXPECT_EQ(form.includeBody, !get);
        EXPECT_EQ(form.body, get ? QByteArray() : "a=%C3%A9");
        EXPECT_EQ(headers.GetRequestHeaderValue(u"Content-length"_s), get ? u""_s : u"8"_s);
        EXPECT_EQ(headers.GetRequestHeaderValue(u"Content-type"_s),
                  get ? u""_s : u"application/x-www-form-urlencoded"_s);
    }
}
