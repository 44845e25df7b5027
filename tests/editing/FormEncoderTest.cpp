#include "editing/FormEncoder.h"

#include "editing/FormFieldTable.h"
#include "editing/HeaderTable.h"
#include "message/HTTPRequest.h"
#include "support/FileHelpers.h"
#include "support/MultipartParser.h"
#include "support/TestServer.h"
#include "transport/Exchange.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace FileHelpers;

namespace {

FormField row(const QString& type, const QString& name, const QStringList& values = {})
{
    FormField field;
    field.type = type;
    field.name = name;
    for (int i = 0; i < values.size(); ++i)
        field.values[i] = values.at(i);
    return field;
}

FormField fileRow(const QString& name, const QString& path)
{
    FormField field = row(u"FILE"_s, name, { u"[..]"_s });
    for (int i = 1; i < FormField::kValueCount; ++i)
        field.values[i] = u'[' + path + u']';
    return field;
}

QByteArray allByteValues()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

MultipartMessage parse(const FormBody& body)
{
    return parseMultipart(body.contentType.toUtf8(), body.body);
}

} // namespace

TEST(FormEncoderTest, UrlencodedPairsFollowTheRowTypes)
{
    struct Case
    {
        const char* what;
        QList<FormField> fields;
        QByteArray expected;
    };
    const QList<Case> cases = {
        { "empty grid", {}, "" },
        { "one row of each value type",
          { row(u"SV"_s, u"q"_s, { u"a b"_s }), row(u"MV"_s, u"c"_s, { u"1"_s, u""_s, u"2"_s }),
            row(u"IMG"_s, u"go"_s, { u"5"_s, u"7"_s, u"(x,y)"_s }) },
          "q=a%20b&c=1&c=2&go.x=5&go.y=7" },
        { "space in a name", { row(u"SV"_s, u"my name"_s, { u"v"_s }) }, "my%20name=v" },
        { "multi-value row with no values", { row(u"MV"_s, u"c"_s) }, "c=" },
        { "empty name", { row(u"SV"_s, QString(), { u"v"_s }) }, "=v" },
        { "UTF-8 bytes, never cut",
          { row(u"SV"_s, u"\u00e4"_s, { u"\u20ac\U0001F600"_s }) },
          "%C3%A4=%E2%82%AC%F0%9F%98%80" },
        { "reserved characters",
          { row(u"SV"_s, u"a&b=c"_s, { u"*-._~+%/"_s }) },
          "a%26b%3Dc=*-._%7E%2B%25%2F" },
        { "image coordinates encoded like any value",
          { row(u"IMG"_s, u"go"_s, { u"1&2"_s, u"3 4"_s }) },
          "go.x=1%262&go.y=3%204" },
        { "text rows send CR LF line breaks",
          { row(u"TXT"_s, u"t"_s, { u"[..]"_s, u"a\nb\r\nc\rd"_s }),
            row(u"TEXTAREA"_s, u"h"_s, { u"x\ny"_s }) },
          "t=a%0D%0Ab%0D%0Ac%0D%0Ad&h=x%0D%0Ay" },
        { "HTML single values and unknown types",
          { row(u"TEXT"_s, u"a"_s, { u"1"_s }), row(u"PASSWORD"_s, u"p"_s, { u"s"_s }),
            row(u"BUTTON"_s, u"b"_s, { u"x"_s }), row(u"HIDDEN"_s, u"h"_s) },
          "a=1&p=s&h=" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncodeUrlencoded(c.fields), c.expected) << c.what;
}

TEST(FormEncoderTest, HtmlFormRowsEncodeByTheirControlType)
{
    FormFieldTable table;
    table.AddFormItem(u"user"_s, 0, u"ann"_s);
    table.AddFormItem(u"note"_s, 1, u"l1\nl2"_s);
    table.AddFormItem(u"go"_s, 4, u"ignored"_s);
    table.AddFormItem(u"pick"_s, 5, u"b"_s);
    table.AddFormItem(u"odd"_s, 9, u"x"_s);
    EXPECT_EQ(EncodeUrlencoded(table.fields()), "user=ann&note=l1%0D%0Al2&go.x=0&go.y=0&pick=b");
}

TEST(FormEncoderTest, MultipartIsWellFormedAndKeepsGridOrderAndExactFileBytes)
{
    QTemporaryDir dir;
    const QString png = dir.filePath(u"pic.png"_s);
    ASSERT_TRUE(writeFile(png, allByteValues()));

    const QList<FormField> fields
        = { row(u"SV"_s, u"title"_s, { u"Gr\u00fc\u00dfe & 100%"_s }), fileRow(u"upload"_s, png),
            row(u"MV"_s, u"c"_s, { u"1"_s, QString(), u"2"_s }),
            row(u"TXT"_s, u"body"_s, { u"[..]"_s, u"one\ntwo"_s }),
            row(u"IMG"_s, u"go"_s, { u"5"_s, u"7"_s, u"(x,y)"_s }) };
    const FormBody body = EncodeForm(fields);
    ASSERT_TRUE(body) << body.error.toStdString();
    ASSERT_TRUE(body.contentType.startsWith(u"multipart/form-data; boundary="_s));

    const MultipartMessage message = parse(body);
    ASSERT_TRUE(message) << message.error.toStdString();
    EXPECT_TRUE(QRegularExpression(u"^----PelorinFormBoundary[A-Za-z0-9]{16}$"_s)
                    .match(QString::fromLatin1(message.boundary))
                    .hasMatch());

    struct Expected
    {
        QByteArray name;
        QByteArray content;
    };
    const QList<Expected> expected = { { "title", u"Gr\u00fc\u00dfe & 100%"_s.toUtf8() },
                                       { "upload", allByteValues() },
                                       { "c", "1" },
                                       { "c", "2" },
                                       { "body", "one\r\ntwo" },
                                       { "go.x", "5" },
                                       { "go.y", "7" } };
    ASSERT_EQ(message.parts.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const MultipartPart& part = message.parts.at(i);
        EXPECT_EQ(part.name, expected.at(i).name) << "part " << i;
        EXPECT_EQ(part.content, expected.at(i).content) << "part " << i;
        EXPECT_EQ(part.hasFilename, i == 1) << "part " << i;
        EXPECT_EQ(part.headers.contains("content-type"), i == 1) << "part " << i;
    }
    EXPECT_EQ(message.parts.at(1).filename, "pic.png");
    EXPECT_EQ(message.parts.at(1).headers.value("content-type"), "image/png");
}

TEST(FormEncoderTest, HostileNamesCannotInjectHeadersOrEndTheQuotedString)
{
    QTemporaryDir dir;
    const QString hostileFile = dir.filePath(u"a\"b\r\nX-Evil: 1.txt"_s);
    ASSERT_TRUE(writeFile(hostileFile, "text"));
    const QString name = u"n\"\r\nContent-Type: text/evil\r\n\r\nx"_s;
    const FormBody body = EncodeMultipart(
        { row(u"SV"_s, name, { u"v"_s }), fileRow(u"f\"ile\u00e9"_s, hostileFile) });
    ASSERT_TRUE(body) << body.error.toStdString();

    const MultipartMessage message = parse(body);
    ASSERT_TRUE(message) << message.error.toStdString();
    ASSERT_EQ(message.parts.size(), 2);
    EXPECT_EQ(message.parts.at(0).headers.size(), 1);
    EXPECT_EQ(message.parts.at(0).content, "v");
    EXPECT_EQ(message.parts.at(0).name, "n%22%0D%0AContent-Type: text/evil%0D%0A%0D%0Ax");
    EXPECT_EQ(unescapeQuotedName(message.parts.at(0).name), name.toUtf8());
    // Raw UTF-8, not percent-encoded.
    EXPECT_EQ(message.parts.at(1).name, u"f%22ile\u00e9"_s.toUtf8());
    EXPECT_EQ(message.parts.at(1).filename, "a%22b%0D%0AX-Evil: 1.txt");
    EXPECT_EQ(message.parts.at(1).headers.value("content-type"), "text/plain");
}

TEST(FormEncoderTest, BoundaryIsNeverOneThePartsContain)
{
    const QList<FormField> fields = { row(u"SV"_s, u"a"_s, { u"--taken--"_s }) };
    QByteArrayList candidates = { "taken", "free" };
    const FormBody body = EncodeMultipart(fields, [&candidates] { return candidates.takeFirst(); });
    ASSERT_TRUE(body) << body.error.toStdString();
    EXPECT_EQ(body.contentType, u"multipart/form-data; boundary=free"_s);
    EXPECT_EQ(body.body,
              "--free\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n--taken--\r\n"
              "--free--\r\n");

    const FormBody never = EncodeMultipart(fields, [] { return QByteArray("taken"); });
    EXPECT_FALSE(never);
    EXPECT_TRUE(never.body.isEmpty());

    EXPECT_NE(NewFormBoundary(), NewFormBoundary());
}

TEST(FormEncoderTest, FilesThatCannotBeReadFailWithTheirPath)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(u"gone.bin"_s);
    const FormBody body
        = EncodeForm({ row(u"SV"_s, u"a"_s, { u"1"_s }), fileRow(u"f"_s, missing) });
    EXPECT_FALSE(body);
    EXPECT_TRUE(body.error.contains(missing)) << body.error.toStdString();
    EXPECT_TRUE(body.body.isEmpty());

    const FormBody folder = EncodeForm({ fileRow(u"f"_s, dir.path()) });
    EXPECT_FALSE(folder) << "a folder is not a readable file";
}

TEST(FormEncoderTest, FileTypesAndEmptyChoices)
{
    QTemporaryDir dir;
    const QString unknown = dir.filePath(u"data.zzqq"_s);
    ASSERT_TRUE(writeFile(unknown, "x"));
    FormField notChosen = row(u"FILE"_s, u"none"_s, { u"[..]"_s });
    const MultipartMessage message = parse(EncodeForm({ fileRow(u"f"_s, unknown), notChosen }));
    ASSERT_TRUE(message) << message.error.toStdString();
    ASSERT_EQ(message.parts.size(), 2);
    EXPECT_EQ(message.parts.at(0).headers.value("content-type"), "application/octet-stream");
    // No file chosen is sent the way browsers send an empty file input.
    EXPECT_TRUE(message.parts.at(1).hasFilename);
    EXPECT_EQ(message.parts.at(1).filename, "");
    EXPECT_EQ(message.parts.at(1).content, "");
}

TEST(FormEncoderTest, ChoosesTheEncodingAndSetsTheBodyHeaders)
{
    const QList<FormField> plain = { row(u"SV"_s, u"k"_s, { u"\u00e9"_s }) };
    const FormBody urlencoded = EncodeForm(plain);
    EXPECT_EQ(urlencoded.contentType, u"application/x-www-form-urlencoded"_s);
    EXPECT_EQ(urlencoded.body, "k=%C3%A9");

    const FormBody requested = EncodeForm(plain, true);
    const MultipartMessage message = parse(requested);
    ASSERT_TRUE(message) << message.error.toStdString();
    ASSERT_EQ(message.parts.size(), 1);
    EXPECT_EQ(message.parts.at(0).content, u"\u00e9"_s.toUtf8());

    const MultipartMessage none = parse(EncodeForm({}, true));
    EXPECT_TRUE(none) << none.error.toStdString();
    EXPECT_TRUE(none.parts.isEmpty());

    HeaderTable headers;
    headers.AddHeader(u"content-type"_s, u"text/plain"_s, false);
    SetFormBodyHeaders(headers, requested);
    EXPECT_EQ(headers.rows().size(), 2);
    EXPECT_EQ(headers.rows().at(headers.findRow(u"Content-type"_s)).value, requested.contentType);
    EXPECT_EQ(headers.rows().at(headers.findRow(u"Content-length"_s)).value,
              QString::number(requested.body.size()));
    SetFormBodyHeaders(headers, EncodeForm({}));
    EXPECT_EQ(headers.rows().at(headers.findRow(u"Content-length"_s)).value, u"0"_s);
}

TEST(FormEncoderTest, DisplayTextShowsTextAndNamesBinaryFiles)
{
    QTemporaryDir dir;
    const QString png = dir.filePath(u"pic.png"_s);
    const QString notes = dir.filePath(u"notes.txt"_s);
    ASSERT_TRUE(writeFile(png, allByteValues()));
    ASSERT_TRUE(writeFile(notes, "caf\xc3\xa9\r\nline"));
    const FormBody body = EncodeForm({ row(u"TXT"_s, u"t"_s, { u"[..]"_s, u"a\nb"_s }),
                                       fileRow(u"p"_s, png), fileRow(u"n"_s, notes) });
    ASSERT_TRUE(body) << body.error.toStdString();
    EXPECT_TRUE(body.displayText.contains(u"a\nb"_s));
    EXPECT_TRUE(body.displayText.contains(u"<file \"pic.png\", 256 bytes>"_s));
    EXPECT_TRUE(body.displayText.contains(u"caf\u00e9\nline"_s));
    EXPECT_FALSE(body.displayText.contains(QChar(0)));
}

// The reader the tests trust must refuse what a strict receiver refuses.
TEST(FormEncoderTest, TheTestsMultipartReaderIsStrict)
{
    const QByteArray type = "multipart/form-data; boundary=B";
    const QByteArray good
        = "--B\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nv\r\n--B--\r\n";
    ASSERT_TRUE(parseMultipart(type, good)) << parseMultipart(type, good).error.toStdString();
    struct Case
    {
        const char* what;
        QByteArray contentType;
        QByteArray body;
    };
    const QList<Case> bad = {
        { "no boundary parameter", "multipart/form-data", good },
        { "no close delimiter", type,
          "--B\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nv\r\n--B\r\n" },
        { "close delimiter without CR LF", type, good.chopped(2) },
        { "bytes after the close delimiter", type, good + "x" },
        { "header line ended by LF only", type,
          "--B\r\nContent-Disposition: form-data; name=\"a\"\n\r\nv\r\n--B--\r\n" },
        { "name not quoted-string safe", type,
          "--B\r\nContent-Disposition: form-data; name=\"a\r\n\"\r\n\r\nv\r\n--B--\r\n" },
        { "no Content-Disposition", type, "--B\r\nContent-Type: text/plain\r\n\r\nv\r\n--B--\r\n" },
    };
    for (const Case& c : bad)
        EXPECT_FALSE(parseMultipart(c.contentType, c.body)) << c.what;
}

// The encoder's body, set in a request with the header rows it sets, reaches a real server
// as a multipart message a strict reader accepts, with every part intact.
TEST(FormEncoderTest, UploadReachesALoopbackServerIntact)
{
    QTemporaryDir dir;
    const QString notes = dir.filePath(u"notes.txt"_s);
    const QByteArray fileBytes = "first line\r\nzweite Zeile \xc3\xbc\n\tlast";
    ASSERT_TRUE(writeFile(notes, fileBytes));
    const QString png = dir.filePath(u"all.png"_s);
    ASSERT_TRUE(writeFile(png, allByteValues()));
    const FormBody form = EncodeForm({ row(u"SV"_s, u"who"_s, { u"J\u00fcrg"_s }),
                                       row(u"MV"_s, u"tag"_s, { u"a"_s, u"b"_s }),
                                       fileRow(u"doc"_s, notes), fileRow(u"pic"_s, png) });
    ASSERT_TRUE(form) << form.error.toStdString();

    TestServer server;
    ASSERT_TRUE(server.listen()) << server.error().toStdString();
    server.setResponse({ "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n" });

    HeaderTable headers;
    headers.AddHeader(u"Host"_s, u"127.0.0.1"_s, false);
    headers.AddHeader(u"Connection"_s, u"close"_s, false);
    SetFormBodyHeaders(headers, form);
    HTTPRequest request;
    request.Server = u"127.0.0.1"_s;
    request.Port = server.portText();
    request.setMethod(u"POST"_s);
    request.setURL(u"/upload"_s);
    request.HTTPver = u"HTTP/1.1"_s;
    headers.AddHeadersToRequest(request);
    request.Body.setContents(form.body, form.displayText);
    ASSERT_EQ(request.Body.ContentBytes(), form.body);

    Exchange exchange;
    QSignalSpy done(&exchange, &Exchange::Done);
    QSignalSpy failed(&exchange, &Exchange::ErrorOccured);
    exchange.Execute(request);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !done.isEmpty() || !failed.isEmpty(); }, 15000));
    ASSERT_TRUE(failed.isEmpty()) << failed.at(0).at(0).toString().toStdString();

    const QByteArray received = server.received();
    const qsizetype headEnd = received.indexOf("\r\n\r\n");
    ASSERT_GT(headEnd, 0);
    const QByteArray receivedBody = received.mid(headEnd + 4);
    QByteArray contentType;
    for (const QByteArray& line : received.left(headEnd).split('\n')) {
        if (line.toLower().startsWith("content-type:"))
            contentType = line.mid(13).trimmed();
    }
    EXPECT_EQ(receivedBody, form.body);
    const MultipartMessage message = parseMultipart(contentType, receivedBody);
    ASSERT_TRUE(message) << message.error.toStdString();
    ASSERT_EQ(message.parts.size(), 5);
    EXPECT_EQ(message.parts.at(0).content, u"J\u00fcrg"_s.toUtf8());
    EXPECT_EQ(message.parts.at(1).content, "a");
    EXPECT_EQ(message.parts.at(2).content, "b");
    EXPECT_EQ(message.parts.at(3).filename, "notes.txt");
    EXPECT_EQ(message.parts.at(3).content, fileBytes);
    EXPECT_EQ(message.parts.at(4).filename, "all.png");
    EXPECT_EQ(message.parts.at(4).content, allByteValues());
}
