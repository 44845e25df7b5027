#include "analysis/WebServicesRepository.h"

#include "support/FileHelpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray wsdl(const char* name)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                      "<wsdl:definitions xmlns:wsdl=\"http://schemas.xmlsoap.org/wsdl/\" name=\"")
        + name + "\">\r\n  <!-- caf\xe9 -->\r\n</wsdl:definitions>";
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

TEST(WebServicesRepositoryTest, HostileNamesStayInsideTheFolder)
{
    const QList<std::pair<QString, QString>> cases {
        { u"http://h/ws/Weather.asmx?WSDL#top"_s, u"Weather.asmx.wsdl"_s },
        { u"http://h/a?b#c"_s, u"a.wsdl"_s },
        { u"../../x"_s, u"x.wsdl"_s },
        { u".."_s, u"service.wsdl"_s },
        { u""_s, u"service.wsdl"_s },
        { u"http://h/"_s, u"service.wsdl"_s },
        { u"http://h/con"_s, u"_con.wsdl"_s },
        { u"http://h/.hidden.WSDL"_s, u"hidden.WSDL"_s },
        { u"http://h/r\u00e9sum\u00e9 1.wsdl"_s, u"r_sum__1.wsdl"_s },
        { u"http://h/x\\..\\y"_s, u"y.wsdl"_s },
    };
    for (const auto& [url, name] : cases)
        EXPECT_EQ(WebServicesRepository::SanitizedFileName(url), name) << qPrintable(url);

    const QString longName = WebServicesRepository::SanitizedFileName(QString(300, u'a'));
    EXPECT_EQ(longName.size(), 100);
    EXPECT_TRUE(longName.endsWith(u".wsdl"_s));

    QTemporaryDir dir;
    WebServicesRepository repository(QDir(dir.path()).filePath(u"webservices"_s));
    for (const QString& name : { u"../x"_s, u".."_s, u"index.xml"_s, u""_s, u"a/b.wsdl"_s })
        EXPECT_TRUE(repository.filePath(name).isEmpty()) << qPrintable(name);
}

// The folder is created on first use; the same URL overwrites its own file, another URL with
// the same name gets a numbered one; the stored bytes are the document's, exactly.
TEST(WebServicesRepositoryTest, StoresByteExactWithUniqueNamesAndAnIndex)
{
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath(u"webservices"_s);
    WebServicesRepository repository(folder);
    const QString urlA = u"http://a.example/svc/service?wsdl"_s;
    const QString urlB = u"http://b.example:81/service"_s;

    RepositoryResult first = repository.StoreWSDLFile(wsdl("one"), urlA);
    ASSERT_TRUE(first) << qPrintable(first.text);
    EXPECT_EQ(first.text, u"Stored as service.wsdl"_s);
    RepositoryResult second = repository.StoreWSDLFile(wsdl("two"), urlB);
    EXPECT_EQ(second.text, u"Stored as service-2.wsdl"_s);
    RepositoryResult again = repository.StoreWSDLFile(wsdl("three"), urlA);
    EXPECT_EQ(again.text, u"Stored as service.wsdl"_s);

    EXPECT_EQ(FileHelpers::readFile(QDir(folder).filePath(u"service.wsdl"_s)), wsdl("three"));
    EXPECT_EQ(FileHelpers::readFile(QDir(folder).filePath(u"service-2.wsdl"_s)), wsdl("two"));
    // No temporary files are left behind by the atomic writes.
    EXPECT_EQ(filesIn(folder),
              (QStringList { u"index.xml"_s, u"service-2.wsdl"_s, u"service.wsdl"_s }));

    // A file put there by hand is listed without a URL and never overwritten.
    ASSERT_TRUE(FileHelpers::writeFile(QDir(folder).filePath(u"manual.wsdl"_s), "<x/>"));
    EXPECT_EQ(repository.StoreWSDLFile(wsdl("m"), u"http://c/manual.wsdl"_s).text,
              u"Stored as manual-2.wsdl"_s);

    WebServicesRepository reopened(folder);
    const QList<StoredWebService> listed = reopened.EnumWebServices();
    ASSERT_EQ(listed.size(), 4);
    EXPECT_EQ(listed.at(0).fileName, u"manual-2.wsdl"_s);
    EXPECT_EQ(listed.at(1).fileName, u"manual.wsdl"_s);
    EXPECT_EQ(listed.at(1).url, QString());
    EXPECT_EQ(listed.at(2).url, urlB);
    EXPECT_EQ(listed.at(3).url, urlA);
}

TEST(WebServicesRepositoryTest, RefusalsChangeNothing)
{
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath(u"webservices"_s);
    WebServicesRepository repository(folder);

    EXPECT_FALSE(repository.StoreWSDLFile({}, u"http://h/x.wsdl"_s));
    const RepositoryResult html
        = repository.StoreWSDLFile("<html><body>404</body></html>", u"http://h/x.wsdl"_s);
    EXPECT_FALSE(html);
    EXPECT_TRUE(html.text.contains(u"not a WSDL document"_s)) << qPrintable(html.text);
    EXPECT_FALSE(repository.StoreWSDLFile("<definitions>", u"http://h/x.wsdl"_s));
    EXPECT_FALSE(QDir(folder).exists());

    // A write that fails (a full disk) keeps the stored file and the index as they were.
    ASSERT_TRUE(repository.StoreWSDLFile(wsdl("kept"), u"http://h/x.wsdl"_s));
    {
        FileHelpers::FileSizeLimit limit(64);
        const RepositoryResult full = repository.StoreWSDLFile(wsdl("new"), u"http://h/x.wsdl"_s);
        EXPECT_FALSE(full);
        EXPECT_TRUE(full.text.startsWith(u"Could not write "_s)) << qPrintable(full.text);
    }
    EXPECT_EQ(FileHelpers::readFile(QDir(folder).filePath(u"x.wsdl"_s)), wsdl("kept"));
    EXPECT_EQ(filesIn(folder), (QStringList { u"index.xml"_s, u"x.wsdl"_s }));
    QDir(folder).removeRecursively();

    // A folder that cannot be made: a file stands in its way.
    ASSERT_TRUE(FileHelpers::writeFile(folder, "in the way"));
    const RepositoryResult blocked = repository.StoreWSDLFile(wsdl("x"), u"http://h/x.wsdl"_s);
    EXPECT_FALSE(blocked);
    EXPECT_TRUE(blocked.text.startsWith(u"Could not create the folder"_s))
        << qPrintable(blocked.text);
}

TEST(WebServicesRepositoryTest, RemoveDeletesFileAndEntry)
{
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath(u"webservices"_s);
    WebServicesRepository repository(folder);
    ASSERT_TRUE(repository.StoreWSDLFile(wsdl("a"), u"http://h/a.wsdl"_s));
    ASSERT_TRUE(repository.StoreWSDLFile(wsdl("b"), u"http://h/b.wsdl"_s));

    const RepositoryResult removed = repository.Remove(u"a.wsdl"_s);
    ASSERT_TRUE(removed) << qPrintable(removed.text);
    EXPECT_FALSE(QFile::exists(QDir(folder).filePath(u"a.wsdl"_s)));
    EXPECT_EQ(repository.urlOf(u"a.wsdl"_s), QString());
    EXPECT_EQ(repository.urlOf(u"b.wsdl"_s), u"http://h/b.wsdl"_s);
    ASSERT_EQ(repository.EnumWebServices().size(), 1);

    EXPECT_FALSE(repository.Remove(u"a.wsdl"_s));
    EXPECT_FALSE(repository.Remove(u"index.xml"_s));
    EXPECT_FALSE(repository.Remove(u"../webservices/b.wsdl"_s));
    EXPECT_TRUE(QFile::exists(QDir(folder).filePath(u"index.xml"_s)));
    EXPECT_TRUE(QFile::exists(QDir(folder).filePath(u"b.wsdl"_s)));

    // A name freed by removal is reused by the next URL that sanitises to it.
    EXPECT_EQ(repository.StoreWSDLFile(wsdl("c"), u"http://other/a.wsdl"_s).text,
              u"Stored as a.wsdl"_s);
}
