#include "analysis/HtmlScanner.h"

#include "analysis/HtmlRequest.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A shop page as real sites write them: both quote kinds, attributes across lines,
// entities, relative and protocol-relative links, schemes that are not requested and
// markup that is broken here and there.
const QString kPage = uR"html(<!DOCTYPE html>
<html><head><title>Shop</title></head>
<body>
<A HREF="/Docs/Guide.html">User&nbsp;Guide</A>
<a class="nav"
	href='../up/index.php?x=1&amp;y=2'>Up one level</a>
<a href=//cdn.example.test/lib/app.js>cdn</a>
<a href="  JavaScript:void(0)">menu</a>
<a href="mailto:shop@example.test">mail us</a>
<a title="a > b" href="gt.html">greater than, with a long link text</a>
<a href="broken.html" <b>bold</b></a>
<a href="https://secure.example.test:8443/login?next=%2F">Log in</a>
<img src="/img/logo.png" alt='Shop logo'>
<img
  src="photos/summer sale.jpg" >
<form name="order" method="post" action="/cart/add?src=list">
  <input type="hidden" name="token" value="c2VjcmV0==">
  <input name=qty value=2>
  <INPUT TYPE="CHECKBOX" name="gift" checked>
  <input type="checkbox" name="wrap" value="yes">
  <input type="radio" name="ship" value="std">
  <input type="radio" name="ship" value="express" checked>
  <select name="size"><option>S<option selected value="m">Medium</option></select>
  <textarea name="note">
Fish &amp; chips &#x2F; &#39;peas&#39;</textarea>
  <input type="submit" name="go" value="Add">
  <input type="submit" name="other" value="Other">
  <input type="button" name="calc" value="Calc">
  <input type="reset" name="clear">
  <input type="text" name="off" disabled>
</form>
<form action="https://search.example.test/find?old=1" >
  <input name="q" value="a b&amp;c">
</form>
<form method="POST" enctype="Multipart/Form-Data" action="">
  <input type="file" name="upload"><input name="title" value="x">
</form>
<form method="post" action="/never-closed">
</body></html>)html"_s;

HTTPRequest pageRequest()
{
    HTTPRequest page;
    page.Server = u"shop.example.test"_s;
    page.Port = u"8080"_s;
    page.setURL(u"/catalog/list.php?page=2"_s);
    return page;
}

} // namespace

TEST(HtmlScannerTest, FindsAnchorsImagesAndFormsOfARealWorldPage)
{
    const HtmlElements found = ScanHtml(kPage);
    ASSERT_EQ(found.anchors.size(), 7) << "the anchor with a stray '<' is skipped";
    EXPECT_EQ(found.count(), 7 + 2 + 3) << "the form without its closer is skipped";

    EXPECT_EQ(found.anchors[0].text, u"User Guide"_s);
    EXPECT_EQ(found.anchors[0].reference, u"/Docs/Guide.html"_s);
    EXPECT_EQ(found.anchors[1].reference, u"../up/index.php?x=1&y=2"_s);
    EXPECT_EQ(found.anchors[1].attributes[1].text, u"href='../up/index.php?x=1&amp;y=2'"_s);
    EXPECT_EQ(found.anchors[2].reference, u"//cdn.example.test/lib/app.js"_s);
    EXPECT_EQ(found.anchors[5].reference, u"gt.html"_s) << "a quoted '>' does not end the tag";
    EXPECT_EQ(found.anchors[5].text, u"greater than, with a long ..."_s);

    EXPECT_EQ(found.images[0].text, u"logo.png"_s);
    EXPECT_EQ(found.images[1].reference, u"photos/summer sale.jpg"_s);

    const HtmlForm& order = found.forms[0];
    EXPECT_EQ(order.name, u"order"_s);
    EXPECT_EQ(order.method, u"POST"_s);
    EXPECT_EQ(order.fields.size(), 13);
    EXPECT_EQ(order.fields[0].values, QStringList { u"c2VjcmV0=="_s });
    EXPECT_EQ(order.fields[1].type, u"TEXT"_s) << "an input without type is a text field";
    EXPECT_EQ(order.fields[2].type, u"CHECKBOX"_s);
    EXPECT_EQ(order.fields[6].values, QStringList { u"m"_s });
    EXPECT_EQ(order.fields[7].values, QStringList { u"Fish & chips / 'peas'"_s });
    EXPECT_EQ(found.forms[1].method, u"GET"_s) << "no method means GET";
    EXPECT_TRUE(found.forms[2].multipart);
}

TEST(HtmlScannerTest, LinksResolveAgainstThePageAndOnlyHttpIsRequested)
{
    const HtmlElements found = ScanHtml(kPage);
    const HTTPRequest page = pageRequest();
    auto link = [&](int i) {
        return LinkRequest(found.anchors[i].reference, page);
    };

    ElementRequest r = link(1);
    ASSERT_TRUE(bool(r));
    EXPECT_EQ(r.request.FullPath(), u"http://shop.example.test:8080/up/index.php?x=1&y=2"_s);
    r = link(2);
    EXPECT_EQ(r.request.FullPath(), u"http://cdn.example.test:80/lib/app.js"_s);
    r = link(6);
    EXPECT_TRUE(r.request.Secure);
    EXPECT_EQ(r.request.FullPath(), u"https://secure.example.test:8443/login?next=%2F"_s);
    EXPECT_EQ(r.request.Method(), u"GET"_s);
    EXPECT_EQ(link(3).status, ElementRequest::Status::Refused);
    EXPECT_EQ(link(4).status, ElementRequest::Status::Refused);
    EXPECT_EQ(LinkRequest(u"java\tscript:alert(1)"_s, page).status,
              ElementRequest::Status::Refused);
    EXPECT_EQ(LinkRequest(u"ftp://files.example.test/a"_s, page).status,
              ElementRequest::Status::Refused);

    // Blanks would break the request line: they go %-encoded.
    r = LinkRequest(found.images[1].reference, page);
    EXPECT_EQ(r.request.URL(), u"/catalog/photos/summer%20sale.jpg"_s);
}

TEST(HtmlScannerTest, FormsBuildTheRequestABrowserWouldSend)
{
    const HtmlElements found = ScanHtml(kPage);
    const HTTPRequest page = pageRequest();

    const HtmlForm& order = found.forms[0];
    ElementRequest r = FormRequest(order, FormRows(order), page);
    ASSERT_TRUE(bool(r));
    EXPECT_EQ(r.request.Method(), u"POST"_s);
    EXPECT_EQ(r.request.URL(), u"/cart/add?src=list"_s);
    EXPECT_EQ(r.request.Body.ContentType, u"application/x-www-form-urlencoded"_s);
    EXPECT_EQ(r.request.Body.Contents(),
              u"token=c2VjcmV0%3D%3D&qty=2&gift=on&ship=express&size=m"
              "&note=Fish%20%26%20chips%20%2F%20%27peas%27&go=Add"_s);

    // GET puts the data into the action's query, replacing the one there; no body.
    const HtmlForm& search = found.forms[1];
    r = FormRequest(search, FormRows(search), page);
    EXPECT_TRUE(r.request.Secure);
    EXPECT_EQ(r.request.FullPath(), u"https://search.example.test:443/find?q=a%20b%26c"_s);
    EXPECT_TRUE(r.request.Body.Contents().isEmpty());

    // An empty action is the page itself; multipart carries a boundary and closes it.
    const HtmlForm& upload = found.forms[2];
    r = FormRequest(upload, FormRows(upload), page);
    EXPECT_EQ(r.request.URL(), u"/catalog/list.php?page=2"_s);
    const QString type = r.request.Body.ContentType;
    ASSERT_TRUE(type.startsWith(u"multipart/form-data; boundary="_s));
    const QString boundary = type.mid(type.indexOf(u'=') + 1);
    EXPECT_EQ(QString::fromUtf8(r.request.Body.ContentBytes()),
              u"--"_s + boundary
                  + u"\r\nContent-Disposition: form-data; name=\"upload\"; filename=\"\"\r\n"
                    "Content-Type: application/octet-stream\r\n\r\n\r\n--"_s
                  + boundary
                  + u"\r\nContent-Disposition: form-data; name=\"title\"\r\n\r\nx\r\n--"_s
                  + boundary + u"--\r\n"_s);

    HtmlForm scripted = search;
    scripted.action = u"javascript:submit()"_s;
    EXPECT_EQ(FormRequest(scripted, {}, page).status, ElementRequest::Status::Refused);
}

TEST(HtmlScannerTest, EachScanStopsAfterItsPassLimit)
{
    QString page;
    for (int i = 0; i < 600; ++i)
        page += u"<a href=\"/p"_s + QString::number(i) + u"\">p</a><img src=x.png>"_s;
    const HtmlElements found = ScanHtml(page);
    EXPECT_EQ(found.anchors.size(), kHtmlScanPasses);
    EXPECT_EQ(found.images.size(), kHtmlScanPasses);
    EXPECT_EQ(found.anchors.last().reference, u"/p499"_s);
}

TEST(HtmlScannerTest, BrokenMarkupOnlySkipsWhatIsBroken)
{
    EXPECT_EQ(ScanHtml(u"<a"_s).count(), 0);
    EXPECT_EQ(ScanHtml(u"<img src=x.png"_s).count(), 0);
    EXPECT_EQ(ScanHtml(u"<form><input name=a>"_s).count(), 0) << "no closer";

    // An unclosed quote ends the tag at the first ">", as if the quote were text.
    const HtmlElements quote = ScanHtml(u"<a href='open>text</a>"_s);
    ASSERT_EQ(quote.anchors.size(), 1);
    EXPECT_EQ(quote.anchors[0].reference, u"open"_s);
    EXPECT_EQ(quote.anchors[0].text, u"text"_s);

    // A textarea without its closer takes the rest of the form; the form is still listed.
    const HtmlElements form
        = ScanHtml(u"<form action=/f><textarea name=t>a<input name=late></form>"_s);
    ASSERT_EQ(form.forms.size(), 1);
    ASSERT_EQ(form.forms[0].fields.size(), 1);
    EXPECT_EQ(form.forms[0].fields[0].values, QStringList { u"a<input name=late>"_s });
    EXPECT_EQ(DecodeCharacterReferences(u"&bogus; &#xZZ; &#0; &amp"_s),
              u"&bogus; &#xZZ; \uFFFD &amp"_s);
}

TEST(HtmlScannerTest, BaseElementSetsWhereLinksImagesAndFormsGo)
{
    // A CMS page served under /dir/ whose assets live on another host; a second base is
    // ignored, and an empty action still posts back to the page itself.
    const QString page = uR"html(<html><head>
<BASE target="_top"><base href="https://static.example.com:8443/site/v2/">
<base href="http://ignored.test/">
</head><body><a href="a.html">a</a> <img src="../img/b.png">
<form method="post" action="submit"><input name="q" value="1"></form>
<form method="post" action=""><input name="r" value="2"></form>
<a href="/root.html">root</a></body></html>)html"_s;
    HTTPRequest request;
    request.Server = u"www.example.test"_s;
    request.Port = u"80"_s;
    request.setURL(u"/dir/page.html"_s);

    const HtmlElements found = ScanHtml(page);
    ASSERT_TRUE(found.hasBase);
    ASSERT_EQ(found.anchors.size(), 2);
    ASSERT_EQ(found.forms.size(), 2);
    auto full = [](const ElementRequest& r) {
        return r ? r.request.FullPath() : QString();
    };
    EXPECT_EQ(full(LinkRequest(found.anchors[0].reference, request, found.baseHref)),
              u"https://static.example.com:8443/site/v2/a.html"_s);
    EXPECT_EQ(full(LinkRequest(found.images[0].reference, request, found.baseHref)),
              u"https://static.example.com:8443/site/img/b.png"_s);
    EXPECT_EQ(full(LinkRequest(found.anchors[1].reference, request, found.baseHref)),
              u"https://static.example.com:8443/root.html"_s);
    const ElementRequest submit
        = FormRequest(found.forms[0], FormRows(found.forms[0]), request, found.baseHref);
    EXPECT_TRUE(submit.request.Secure);
    EXPECT_EQ(full(submit), u"https://static.example.com:8443/site/v2/submit"_s);
    EXPECT_EQ(full(FormRequest(found.forms[1], FormRows(found.forms[1]), request, found.baseHref)),
              u"http://www.example.test:80/dir/page.html"_s);

    // A relative base resolves against the page; a javascript: base is no base.
    const HtmlElements relative = ScanHtml(u"<base href='../other/'><a href=x.html>x</a>"_s);
    EXPECT_EQ(full(LinkRequest(relative.anchors[0].reference, request, relative.baseHref)),
              u"http://www.example.test:80/other/x.html"_s);
    EXPECT_EQ(full(LinkRequest(u"x.html"_s, request, u"javascript:void(0)"_s)),
              u"http://www.example.test:80/dir/x.html"_s);
}

TEST(HtmlScannerTest, CommentsAndRawTextElementsHoldNoElements)
{
    const QString page = uR"html(<title>Links: <a href="t.html"></title>
<!-- old navigation
<a href="gone.html">gone</a> <img src="gone.png">
--><!--><a href="after-empty-comment.html">e</a>
<script type="text/javascript">
  var s = "<a href='" + value.url + "'>" + "<img src=x.png>"; // </scripts> is not the end
  document.write('<form action="/x"><input name=a></form>');
</SCRIPT >
<style>a[href="<a href=css.html>"] {}</style>
<template><a href="tpl.html">t</a></template>
<a href="real.html">real <!-- <b>old</b> -->link</a>
<form action="/send" method="post">
<textarea name="body"><a href="in-textarea.html">x</a> &amp; <input name="fake"></textarea>
<input name="after" value="1">
</form>
<iframe src="frame.html"><a href="fallback.html">no frames</a></iframe><xmp><a href="x.html"></xmp>
<plaintext></plaintext><a href="after-plaintext.html">)html"_s;
    const HtmlElements found = ScanHtml(page);
    ASSERT_EQ(found.anchors.size(), 2);
    EXPECT_EQ(found.anchors[0].reference, u"after-empty-comment.html"_s);
    EXPECT_EQ(found.anchors[1].reference, u"real.html"_s);
    EXPECT_EQ(found.anchors[1].text, u"real link"_s);
    EXPECT_TRUE(found.images.isEmpty());
    ASSERT_EQ(found.forms.size(), 1);
    const HtmlForm& form = found.forms[0];
    ASSERT_EQ(form.fields.size(), 2) << "the input written inside the textarea is its text";
    EXPECT_EQ(form.fields[0].type, u"TEXTAREA"_s);
    EXPECT_EQ(form.fields[0].values,
              QStringList { u"<a href=\"in-textarea.html\">x</a> & <input name=\"fake\">"_s });
    EXPECT_EQ(form.fields[1].name, u"after"_s);
}

TEST(HtmlScannerTest, ImageMapAreasAreListedWithTheAnchors)
{
    const QString page = uR"html(<a href="first.html">first</a>
<img src="map.png" usemap="#nav"><map name="nav">
<area shape="rect" coords="0,0,10,10" href="north.html" alt="North">
<AREA shape=circle coords="5,5,2" HREF="/south/">
<area shape="default" nohref alt="nothing">
</map><a href="last.html">last</a>)html"_s;
    const HtmlElements found = ScanHtml(page);
    QStringList references;
    QStringList texts;
    for (const HtmlLink& link : found.anchors) {
        references.append(link.reference);
        texts.append(link.text);
    }
    EXPECT_EQ(references,
              (QStringList { u"first.html"_s, u"north.html"_s, u"/south/"_s, QString(),
                             u"last.html"_s }));
    EXPECT_EQ(texts.mid(1, 3), (QStringList { u"North"_s, QString(), u"nothing"_s }));
    EXPECT_FALSE(found.anchors[3].hasReference);
    EXPECT_EQ(found.images.size(), 1);
}
