#include "editing/RequestFile.h"

#include "message/HTTPRequest.h"
#include "persistence/ErrorCodes.h"
#include "support/FileHelpers.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace FileHelpers;

namespace {

HTTPRequest sample()
{
    HTTPRequest r;
    r.Server = u"www.o'neil.example"_s;
    r.Port = u"8443"_s;
    r.Secure = true;
    r.setMethod(u"POST"_s);
    r.HTTPver = u"HTTP/1.1"_s;
    r.setURL(u"/Index.HTML?ID=A&q=\"x\"&n='ü'"_s);
    r.Header = u"Host: www.o'neil.example\r\nX-Quote: \"a\" <b> & 'c'\r\nAccept-Language: de-CH"_s;
    r.Body.setContents(u"line 1\r\nhas ]]> inside\r\n]]>\rlone CR\nLF only é"_s);
    return r;
}

class RequestFileTest : public ::testing::Test
{
protected:
    QString path(const QString& name = u"request.phr"_s) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(RequestFileTest, RoundTripKeepsEveryFieldAndTheBodyBytes)
{
    const HTTPRequest saved = sample();
    const Result written = SaveRequestFile(saved, path());
    ASSERT_TRUE(written) << written.text.toStdString();

    HTTPRequest loaded;
    const Result read = LoadRequestFile(path(), loaded);
    ASSERT_TRUE(read) << read.text.toStdString();
    EXPECT_EQ(loaded.Server, saved.Server);
    EXPECT_EQ(loaded.Port, saved.Port);
    EXPECT_TRUE(loaded.Secure);
    EXPECT_EQ(loaded.Method(), u"POST"_s);
    EXPECT_EQ(loaded.HTTPver, saved.HTTPver);
    EXPECT_EQ(loaded.URL(), saved.URL()) << "the URL is kept as typed, letter case included";
    EXPECT_EQ(loaded.Body.Contents(), saved.Body.Contents());
    EXPECT_EQ(loaded.Body.ContentLength(), saved.Body.ContentLength());
    // Header lines come back separated by LF, each line intact.
    EXPECT_EQ(loaded.Header.split(u'\n'), saved.Header.split(u"\r\n"_s));
}

TEST_F(RequestFileTest, FileHoldsTheEightElementsWithoutDeclarationOrIndentation)
{
    HTTPRequest r;
    r.Server = u"h"_s;
    r.Port = u"80"_s;
    r.setMethod(u"GET"_s);
    r.HTTPver = u"HTTP/1.0"_s;
    r.setURL(u"/A"_s);
    r.Header = u"Host: h\r\nAccept: */*"_s;
    ASSERT_TRUE(SaveRequestFile(r, path()));
    EXPECT_EQ(readFile(path()),
              "<request><host>h</host><port>80</port><url>/A</url><httpver>HTTP/1.0</httpver>"
              "<method>GET</method><header>Host: h\r\nAccept: */*</header><body><![CDATA[]]></body>"
              "<secure>False</secure></request>"_ba);

    HTTPRequest loaded;
    ASSERT_TRUE(LoadRequestFile(path(), loaded));
    EXPECT_TRUE(loaded.Body.Contents().isEmpty());
    EXPECT_FALSE(loaded.Secure);
}

TEST_F(RequestFileTest, EarlierFilesWithLowerCasedUrlsAndNormalisedLineEndsLoad)
{
    ASSERT_TRUE(writeFile(path(),
                          "<request><host>server1</host><port>443</port>"
                          "<url>/index.html?id=a</url><httpver>HTTP/1.1</httpver>"
                          "<method>get</method><header>Host: server1\r\nAccept: */*\r\r\n"
                          "</header><body><![CDATA[a=1&b=2]]></body><secure>False</secure>"
                          "</request>"_ba));
    HTTPRequest loaded;
    ASSERT_TRUE(LoadRequestFile(path(), loaded));
    EXPECT_EQ(loaded.URL(), u"/index.html?id=a"_s);
    EXPECT_EQ(loaded.Port, u"443"_s) << "a plain request on port 443 stays plain";
    EXPECT_FALSE(loaded.Secure);
    EXPECT_EQ(loaded.Method(), u"GET"_s);
    // A stray CR before a line end goes with it, so saving again keeps the header as it is.
    EXPECT_EQ(loaded.Header, u"Host: server1\nAccept: */*\n"_s);
    EXPECT_EQ(loaded.Body.Contents(), u"a=1&b=2"_s);
}

TEST_F(RequestFileTest, BodiesXmlCannotHoldAreStoredAsBase64AndComeBackExactly)
{
    HTTPRequest r = sample();
    const QByteArray binary = QByteArray("a\x00b\x01\x1f\r\n\xff\xfe end", 13);
    const QList<QByteArray> bodies = { binary, "bad \xc3\x28 utf-8", "\xef\xbf\xbe" };
    for (const QByteArray& bytes : bodies) {
        r.Body.setContents(bytes);
        ASSERT_TRUE(SaveRequestFile(r, path()));
        EXPECT_TRUE(readFile(path()).contains(
            QByteArray("<body encoding=\"base64\"><![CDATA[" + bytes.toBase64() + "]]></body>")));
        HTTPRequest loaded;
        ASSERT_TRUE(LoadRequestFile(path(), loaded));
        EXPECT_EQ(loaded.Body.ContentBytes(), bytes);
    }

    // Text XML can hold stays text, TAB included, with no mark.
    r.Body.setContents(u"tab\there"_s);
    ASSERT_TRUE(SaveRequestFile(r, path()));
    EXPECT_TRUE(readFile(path()).contains("<body><![CDATA[tab\there]]></body>"));

    // A mark this program does not know, or Base64 that is not, fails the load.
    const QByteArray file = readFile(path());
    for (const QByteArray& body : { "<body encoding=\"base64\"><![CDATA[not base64!]]></body>"_ba,
                                    "<body encoding=\"rot13\"><![CDATA[abc]]></body>"_ba }) {
        ASSERT_TRUE(writeFile(
            path(), QByteArray(file).replace("<body><![CDATA[tab\there]]></body>", body)));
        HTTPRequest loaded;
        EXPECT_FALSE(LoadRequestFile(path(), loaded)) << body.toStdString();
    }
}

TEST_F(RequestFileTest, IncompleteOrMalformedFilesFailAndLeaveTheRequestAlone)
{
    const HTTPRequest before = sample();
    const QByteArray complete = "<request><host>h</host><port>80</port><url>/</url>"
                                "<httpver>HTTP/1.1</httpver><method>GET</method><header></header>"
                                "<body><![CDATA[]]></body><secure>False</secure></request>"_ba;
    const QList<QByteArray> broken = {
        QByteArray(complete).replace("<httpver>HTTP/1.1</httpver>", ""),
        QByteArray(complete).replace("<body><![CDATA[]]></body>", "<body/>"),
        QByteArray(complete).replace("False", "maybe"),
        complete.left(complete.size() / 2),
        QByteArray(complete).replace("request>", "other>"),
        QByteArray(),
        // A line break in a request-line field would add a line to the request.
        QByteArray(complete).replace("<url>/</url>", "<url>/&#13;&#10;X-Injected: yes</url>"),
        QByteArray(complete).replace("<method>GET", "<method>GET&#10;"),
    };
    for (const QByteArray& bytes : broken) {
        ASSERT_TRUE(writeFile(path(), bytes));
        HTTPRequest request = before;
        const Result read = LoadRequestFile(path(), request);
        EXPECT_FALSE(read) << bytes.toStdString();
        EXPECT_FALSE(read.text.isEmpty());
        EXPECT_EQ(request.URL(), before.URL());
        EXPECT_EQ(request.Body.Contents(), before.Body.Contents());
    }
    HTTPRequest request;
    EXPECT_EQ(LoadRequestFile(path(u"missing.phr"_s), request).status, ErrorCode::Own);
    ASSERT_TRUE(writeFile(path(), complete));
    EXPECT_TRUE(LoadRequestFile(path(), request));
}

TEST_F(RequestFileTest, FailedSaveIsReportedAndKeepsThePreviousFile)
{
    ASSERT_TRUE(writeFile(path(), "previous"_ba));
    Result written;
    {
        FileSizeLimit limit(32);
        written = SaveRequestFile(sample(), path());
    }
    EXPECT_FALSE(written);
    EXPECT_FALSE(written.text.isEmpty());
    EXPECT_EQ(readFile(path()), "previous"_ba);
    EXPECT_FALSE(SaveRequestFile(sample(), dir.filePath(u"no/folder/r.phr"_s)));
}

TEST(RequestFileArgumentTest, QuotedPathsOpenAndOnlyLowerCasePhrCounts)
{
    EXPECT_EQ(RequestFileArgument(u"\"/home/u/my requests/a.phr\""_s),
              u"/home/u/my requests/a.phr"_s);
    EXPECT_EQ(RequestFileArgument(u"b.phr"_s), u"b.phr"_s);
    EXPECT_TRUE(RequestFileArgument(u"\"/home/u/A.PHR\""_s).isEmpty());
    EXPECT_TRUE(RequestFileArgument(u"notes.txt"_s).isEmpty());
    EXPECT_TRUE(RequestFileArgument(QString()).isEmpty());
}
