#include "persistence/TextUtil.h"

#include "persistence/ErrorCodes.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(TextUtilTest, ExtractBetweenCutsFromStartMarkerToEndMarker)
{
    const QString response
        = u"HTTP/1.1 200 OK\r\nServer: x\r\nContent-Type: text/html\r\n\r\nbody"_s;
    QString out = u"unchanged"_s;
    EXPECT_EQ(ExtractBetween(response, u"http"_s, u"\r\n"_s, out), 0);
    EXPECT_EQ(out, u"HTTP/1.1 200 OK"_s) << "start marker is found ignoring case, and kept";
    EXPECT_EQ(ExtractBetween(response, u"HTTP"_s, u"\r\n\r\n"_s, out), 0);
    EXPECT_EQ(out, u"HTTP/1.1 200 OK\r\nServer: x\r\nContent-Type: text/html"_s);

    // With an anchor the search starts at the anchor.
    EXPECT_EQ(ExtractBetween(response, u"text"_s, u"\r\n"_s, out, u"content-type"_s), 0);
    EXPECT_EQ(out, u"text/html"_s);

    out = u"unchanged"_s;
    EXPECT_EQ(ExtractBetween(u"HTTP/1.1 200 OK"_s, u"HTTP"_s, u"\r\n"_s, out),
              ErrorCode::MarkerNotFound);
    EXPECT_EQ(ExtractBetween(response, u"FTP/"_s, u"\r\n"_s, out), ErrorCode::MarkerNotFound);
    // The end marker is compared exactly.
    EXPECT_EQ(ExtractBetween(response, u"HTTP"_s, u"server"_s, out), ErrorCode::MarkerNotFound);
    EXPECT_EQ(ExtractBetween(response, u"HTTP"_s, u"\r\n"_s, out, u"absent"_s),
              ErrorCode::InvalidArgument);
    EXPECT_EQ(out, u"unchanged"_s);
}

TEST(TextUtilTest, RemoveBetweenRemovesEveryStretchIgnoringCase)
{
    QString text = u"<?xml version=\"1.0\"?><a/><?XML x?><b/>"_s;
    RemoveBetween(text, u"<?xml "_s, u"?>"_s);
    EXPECT_EQ(text, u"<a/><b/>"_s);

    text = u"keep <?xml open"_s;
    RemoveBetween(text, u"<?xml "_s, u"?>"_s);
    EXPECT_EQ(text, u"keep <?xml open"_s);
    RemoveBetween(text, QString(), u"?>"_s);
    EXPECT_EQ(text, u"keep <?xml open"_s);
}

TEST(TextUtilTest, URLEncodeEncodesUtf8BytesAndKeepsTheSafeCharacters)
{
    EXPECT_EQ(URLEncode(u" "_s), u"%20"_s);
    EXPECT_EQ(URLEncode(u"&"_s), u"%26"_s);
    EXPECT_EQ(URLEncode(u"é"_s), u"%C3%A9"_s);
    EXPECT_EQ(URLEncode(u"€"_s), u"%E2%82%AC"_s);
    EXPECT_EQ(URLEncode(u"\n+/="_s), u"%0A%2B%2F%3D"_s);
    const QString safe = u"AZaz09*-._"_s;
    EXPECT_EQ(URLEncode(safe), safe);
}

TEST(TextUtilTest, SmallTextHelpers)
{
    EXPECT_EQ(DecodeAmpersands(u"a&amp;b&AMP;c&lt;"_s), u"a&b&c&lt;"_s);

    const QString path = u"C:\\Documents and Settings\\user\\requests\\folder\\file01abc.phr"_s;
    ASSERT_EQ(path.size(), 60);
    const QString shortened = ShortenText(path, 50);
    EXPECT_EQ(shortened, u"C:\\..."_s + path.right(44));
    EXPECT_EQ(shortened.size(), 50);
    EXPECT_EQ(ShortenText(path, 60), path);
    EXPECT_EQ(ShortenText(path, 5), path);

    EXPECT_EQ(FileNameFromPath(u"C:\\docs\\a.txt"_s), u"a.txt"_s);
    EXPECT_EQ(FileNameFromPath(u"/home/u/b.txt"_s), u"b.txt"_s);
    EXPECT_EQ(FileNameFromPath(u"c.txt"_s), u"c.txt"_s);

    EXPECT_EQ(FileExtension(u"http://h/svc/Service.wsdl"_s), u".wsdl"_s);
    EXPECT_EQ(FileExtension(u"a.tar.gz"_s), u".gz"_s);
    EXPECT_EQ(FileExtension(u"README"_s), u"README"_s);

    EXPECT_EQ(FormFieldTypeName(0), u"TEXT"_s);
    EXPECT_EQ(FormFieldTypeName(8), u"PASSWORD"_s);
    EXPECT_FALSE(FormFieldTypeName(9).has_value());
    EXPECT_FALSE(FormFieldTypeName(-1).has_value());
}

TEST(TextUtilTest, NormalizeMarkupKeepsBareTags)
{
    const NormalizedMarkup result = NormalizeMarkup(
        u"<?xml version=\"1.0\"?>\r\n<!-- c -->\n<wsdl:definitions "
        u"name=\"Svc\"\ttargetNamespace=\"urn:x\" "
        "xmlns:wsdl=\"http://schemas.xmlsoap.org/wsdl/\">abc</wsdl:definitions>"_s);
    ASSERT_TRUE(result) << result.text.toStdString();
    EXPECT_EQ(result.markup, u"<definitions name=\"Svc\"></definitions>"_s);

    // Spaces around "=" go, prefixes in names go, prefixes in values stay, a second "=" is cut.
    const NormalizedMarkup parts = NormalizeMarkup(
        u"<xs:element  name = \"a\" type=\"xs:string\" d=\"x=y\"/>\n<soap:address location=\"u\"/>"
        "<b>text</b><unterminated"_s);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts.markup,
              u"<element name=\"a\" type=\"xs:string\" d=\"x><address location=\"u\"/><b></b>"_s);

    const NormalizedMarkup none = NormalizeMarkup(u"no tags here"_s);
    EXPECT_FALSE(none);
    EXPECT_FALSE(none.text.isEmpty());
}

TEST(TextUtilTest, ShellTargetsAreAddressesMailLinksAndHarmlessFiles)
{
    EXPECT_TRUE(CheckShellTarget(u"https://www.rfc-editor.org/rfc/rfc9110.html"_s));
    EXPECT_TRUE(CheckShellTarget(u" HTTP://example.org/a b "_s));
    EXPECT_TRUE(CheckShellTarget(u"mailto:feedback@pelorin.example.org"_s));
    for (const QString& refused : { u"javascript:alert(1)"_s, u"ftp://example.org/f"_s,
                                    u"http:///nohost"_s, u"mailto:"_s, u"/no/such/file.txt"_s }) {
        const ShellTarget checked = CheckShellTarget(refused);
        EXPECT_FALSE(checked) << qPrintable(refused);
        EXPECT_TRUE(checked.url.isEmpty()) << qPrintable(refused);
        EXPECT_FALSE(checked.error.isEmpty()) << qPrintable(refused);
    }

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&](const QString& name, QFileDevice::Permissions permissions) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
        file.close();
        file.setPermissions(permissions);
        return file.fileName();
    };
    const QString text = write(u"notes.txt"_s, QFile::ReadOwner | QFile::WriteOwner);
    const ShellTarget document = CheckShellTarget(text);
    ASSERT_TRUE(document) << qPrintable(document.error);
    EXPECT_EQ(document.url, QUrl::fromLocalFile(text));
    EXPECT_TRUE(CheckShellTarget(QUrl::fromLocalFile(text).toString()));

    // The desktop would run these instead of showing them.
    EXPECT_FALSE(CheckShellTarget(
        write(u"tool.sh"_s, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)));
    EXPECT_FALSE(CheckShellTarget(write(u"app.desktop"_s, QFile::ReadOwner)));
    EXPECT_FALSE(CheckShellTarget(dir.path()));
}
