#include "editing/CurlCommand.h"
#include "editing/CurlFiles.h"
#include "editing/RequestBodyText.h"
#include "editing/RequestFile.h"
#include "message/HTTPRequest.h"
#include "support/FileHelpers.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

HTTPRequest postOf(const QString& bodyFile)
{
    HTTPRequest request;
    request.Server = u"api.test"_s;
    request.Port = u"80"_s;
    request.HTTPver = u"HTTP/1.1"_s;
    request.setMethod(u"POST"_s);
    request.setURL(u"/up"_s);
    request.Header = u"Host: api.test"_s;
    request.Body.setFile(bodyFile);
    return request;
}

} // namespace

TEST(BodyFileTest, RequestFilesKeepAReferenceRelativeToTheirFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(u"data"_s));
    const QString body = dir.filePath(u"data/up load.bin"_s);
    ASSERT_TRUE(FileHelpers::writeFile(body, "12345"));
    const QString saved = dir.filePath(u"r.phr"_s);
    ASSERT_TRUE(SaveRequestFile(postOf(body), saved));
    const QByteArray xml = FileHelpers::readFile(saved);
    // An empty section keeps the file readable by readers that know no reference.
    EXPECT_TRUE(xml.contains("<body file=\"data/up load.bin\"><![CDATA[]]></body>")) << xml.data();

    // Resolved against the request file's folder, whatever the current folder; not read.
    HTTPRequest loaded;
    ASSERT_TRUE(LoadRequestFile(saved, loaded));
    EXPECT_EQ(loaded.Body.filePath(), body);
    EXPECT_EQ(loaded.Body.ContentLength(), 5);
    EXPECT_TRUE(loaded.Body.ContentBytes().isEmpty());

    // A body file elsewhere is stored by its absolute path.
    QTemporaryDir other;
    const QString outside = other.filePath(u"x.bin"_s);
    ASSERT_TRUE(FileHelpers::writeFile(outside, "x"));
    ASSERT_TRUE(SaveRequestFile(postOf(outside), saved));
    ASSERT_TRUE(LoadRequestFile(saved, loaded));
    EXPECT_EQ(loaded.Body.filePath(), outside);
}

TEST(BodyFileTest, CurlDataBinaryAndUploadFileBecomeBodyFiles)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"up.bin"_s);
    ASSERT_TRUE(FileHelpers::writeFile(file, QByteArray("a\0b", 3)));

    const CurlImport posted
        = ImportCurlCommand(u"curl --data-binary @up.bin http://api.test/up"_s, dir.path());
    ASSERT_TRUE(posted) << qPrintable(posted.error);
    EXPECT_EQ(posted.request.Method(), u"POST"_s);
    EXPECT_EQ(posted.request.Body.filePath(), file);
    EXPECT_TRUE(posted.request.Header.contains(u"Content-length: 3"_s));

    const CurlImport put = ImportCurlCommand(u"curl -T up.bin http://api.test/up"_s, dir.path());
    ASSERT_TRUE(put) << qPrintable(put.error);
    EXPECT_EQ(put.request.Method(), u"PUT"_s);
    EXPECT_EQ(put.request.Body.filePath(), file);

    // Joined with other data the file's bytes are needed now, as before.
    const CurlImport joined
        = ImportCurlCommand(u"curl --data-binary @up.bin -d x http://api.test/"_s, dir.path());
    ASSERT_TRUE(joined) << qPrintable(joined.error);
    EXPECT_EQ(joined.request.Body.ContentBytes(), QByteArray("a\0b&x", 5));

    EXPECT_FALSE(ImportCurlCommand(u"curl -T missing.bin http://api.test/"_s, dir.path()));

    // A shell refuses one argument that large: such a text body goes to a file as well.
    HTTPRequest large = postOf(file);
    large.Body.setContents(QByteArray(100 * 1024, 'a'));
    EXPECT_TRUE(CurlBodyNeedsFile(large));

    const QString exported = ExportCurlCommand(postOf(file));
    EXPECT_TRUE(exported.contains(u"--data-binary "_s + ShellQuote(u'@' + file)))
        << qPrintable(exported);
}

TEST(BodyFileTest, LargeBodiesShowABoundedHeadAndKeepEveryByte)
{
    QByteArray bytes(3 * 1024 * 1024, 'x');
    bytes.replace(0, 6, "first\n");
    RequestBodyText body;
    body.setBytes(bytes);
    EXPECT_EQ(body.bytes(), bytes);
    EXPECT_TRUE(body.isLocked());
    EXPECT_LT(body.shownText().size(), 1024 * 1024 + 200);
    EXPECT_TRUE(body.shownText().startsWith(u"first\nxxx"_s));
    EXPECT_TRUE(body.shownText().endsWith(u"[... 3145728 bytes in all; the box shows the first "
                                          "1048576. Edit the whole body with Editor.]"_s));
    EXPECT_FALSE(body.applyShownText(u"typed"_s));
    EXPECT_EQ(body.bytes(), bytes);
}
