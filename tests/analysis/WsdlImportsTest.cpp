#include "analysis/WsdlImports.h"

#include "analysis/WebServicesRepository.h"
#include "support/ExpandedNames.h"
#include "support/ServedWsdl.h"
#include "support/TestServer.h"
#include "transport/Exchange.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using namespace ServedWsdl;

constexpr int kTimeoutMs = 15000;

bool read(WsdlImports& imports, const QByteArray& document, const QString& url)
{
    QSignalSpy finished(&imports, &WsdlImports::finished);
    imports.start(document, url);
    EXPECT_TRUE(finished.isEmpty()) << "finished before start returned";
    EXPECT_TRUE(finished.wait(kTimeoutMs)) << "the imports were not read";
    return !finished.isEmpty() && finished.at(0).at(0).toBool();
}

SoapRequestResult generate(const QByteArray& main, const QString& url,
                           const QList<WsdlSource>& imports)
{
    WsdlAnalysis wsdl;
    wsdl.setWSDLDocument(main, url);
    wsdl.setImportedDocuments(imports);
    EXPECT_EQ(wsdl.EnumPortTypes(), QString());
    const SoapOperation op = wsdl.SelectOperation(0);
    EXPECT_EQ(op.soapAction, u"urn:t:getQuote"_s);
    return wsdl.GenerateRequest(op, { u"secret"_s, u"IBM"_s, u"US"_s, u"USD"_s }, op.address);
}

} // namespace

TEST(WsdlImportsTest, ServedDescriptionIsReadWithItsImportsSentBackAndStoredForOffline)
{
    TestServer server;
    ASSERT_TRUE(server.listen()) << qPrintable(server.error());
    route(server,
          { { "/svc?wsdl=2", kBinding }, { "/svc?xsd=1", kSchema1 }, { "/svc?xsd=2", kSchema2 } });
    const QString url = u"http://127.0.0.1:%1/svc?wsdl"_s.arg(server.port());

    WsdlImports imports;
    QStringList log;
    QObject::connect(&imports, &WsdlImports::logLine, &imports,
                     [&log](const QString& line) { log.append(line); });
    ASSERT_TRUE(read(imports, kMain, url)) << qPrintable(imports.status());
    ASSERT_EQ(imports.documents().size(), 3) << "the cycle back to ?wsdl is read once";
    EXPECT_EQ(server.connectionCount(), 3);
    const QString xsd1 = u"http://127.0.0.1:%1/svc?xsd=1"_s.arg(server.port());
    const qsizetype xsd1Size
        = QByteArray(kSchema1).replace("PORT", server.portText().toLatin1()).size();
    EXPECT_TRUE(log.contains(u"Import %1: status 200, %2 bytes"_s.arg(xsd1).arg(xsd1Size)))
        << qPrintable(log.join(u'\n'));

    const SoapRequestResult request = generate(kMain, url, imports.documents());
    ASSERT_TRUE(request) << qPrintable(request.errorMessage);
    EXPECT_EQ(request.request->Port, server.portText());

    // Sent back to the server, the envelope it receives has every element where the schema
    // puts it.
    Exchange exchange;
    QSignalSpy done(&exchange, &Exchange::Done);
    HTTPRequest sent = *request.request;
    exchange.Execute(sent);
    ASSERT_TRUE(done.wait(kTimeoutMs)) << qPrintable(exchange.logLines().join(u'\n'));
    const QByteArray received = server.received();
    ASSERT_TRUE(received.startsWith("POST /svc HTTP/1.1\r\n")) << received.constData();
    EXPECT_TRUE(received.contains("\r\nSOAPAction: \"urn:t:getQuote\"\r\n"));
    const QString env = u"{http://schemas.xmlsoap.org/soap/envelope/}"_s;
    EXPECT_EQ(ExpandedNames::of(received.mid(received.indexOf("\r\n\r\n") + 4)),
              (QStringList { env + u"Envelope"_s, env + u"Header"_s, u"{urn:t}token=secret"_s,
                             env + u"Body"_s, u"{urn:t}getQuote"_s, u"{}symbol=IBM"_s,
                             u"{urn:t}country=US"_s, u"{urn:o}currency=USD"_s }));

    // Stored with its imports, the description lists and generates offline exactly as read.
    QTemporaryDir dir;
    WebServicesRepository repository(dir.path());
    const RepositoryResult stored = repository.StoreWSDLFile(kMain, url, imports.result());
    ASSERT_TRUE(stored) << qPrintable(stored.text);
    ASSERT_EQ(repository.EnumWebServices().size(), 1);
    QByteArray offlineMain;
    ASSERT_TRUE(repository.ReadWSDLFile(stored.fileName, offlineMain));
    EXPECT_TRUE(offlineMain.contains("location=\"svc-import1.wsdl\""));
    EXPECT_TRUE(offlineMain.contains("schemaLocation=\"svc-import2.xsd\""));
    EXPECT_EQ(offlineMain.size(), kMain.size() - 10 + 16 - 9 + 15) << "only locations change";

    WsdlImports offline;
    offline.setLocalReader(
        [&](const QString& location, QByteArray& bytes) {
            return repository.ReadImport(stored.fileName, location, bytes);
        },
        stored.fileName);
    ASSERT_TRUE(read(offline, offlineMain, repository.urlOf(stored.fileName)))
        << qPrintable(offline.status());
    EXPECT_EQ(server.connectionCount(), 4) << "nothing is fetched offline";
    const SoapRequestResult again
        = generate(offlineMain, repository.urlOf(stored.fileName), offline.documents());
    ASSERT_TRUE(again);
    EXPECT_EQ(again.request->RequestBytes(), request.request->RequestBytes());

    // Removing the description removes its imports.
    ASSERT_TRUE(repository.Remove(stored.fileName));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { u"index.xml"_s });
}

TEST(WsdlImportsTest, FailuresAndLimitsNameTheDocumentAndOfferNothing)
{
    TestServer server;
    ASSERT_TRUE(server.listen()) << qPrintable(server.error());
    route(server, { { "/svc?wsdl=2", kBinding }, { "/svc?xsd=1", kSchema1 } });
    const QString url = u"http://127.0.0.1:%1/svc?wsdl"_s.arg(server.port());

    WsdlImports imports;
    EXPECT_FALSE(read(imports, kMain, url));
    EXPECT_EQ(imports.status(),
              u"Import not read: http://127.0.0.1:%1/svc?xsd=2: the server "
              "answered HTTP/1.1 404 Not Found"_s.arg(server.port()));
    EXPECT_TRUE(imports.documents().isEmpty());

    route(server,
          { { "/svc?wsdl=2", kBinding }, { "/svc?xsd=1", kSchema1 }, { "/svc?xsd=2", kSchema2 } });
    imports.setLimits({ 1, 50, 16 * 1024 * 1024 });
    EXPECT_FALSE(read(imports, kMain, url));
    EXPECT_TRUE(imports.status().endsWith(u"?xsd=2: imports nested deeper than 1 levels"_s))
        << qPrintable(imports.status());
    imports.setLimits({ 10, 2, 16 * 1024 * 1024 });
    EXPECT_FALSE(read(imports, kMain, url));
    EXPECT_TRUE(imports.status().endsWith(u"more than 2 imported documents"_s));
    imports.setLimits({ 10, 50, kBinding.size() + 10 });
    EXPECT_FALSE(read(imports, kMain, url));
    EXPECT_TRUE(imports.status().endsWith(
        u"the imported documents exceed %1 bytes"_s.arg(kBinding.size() + 10)))
        << qPrintable(imports.status());

    // A server that refuses the connection fails the reading with the transport's reason.
    const QString refused = u"http://127.0.0.1:%1/x.xsd"_s.arg(TestServer::refusedPort());
    EXPECT_FALSE(read(imports,
                      "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><xs:include "
                      "schemaLocation=\""
                          + refused.toUtf8() + "\"/></xs:schema>",
                      url));
    EXPECT_TRUE(imports.status().startsWith(u"Import not read: "_s + refused + u": "_s))
        << qPrintable(imports.status());

    // A relative location needs the URL the document came from.
    EXPECT_FALSE(read(imports, kMain, {}));
    EXPECT_EQ(imports.status(),
              u"Import not read: svc?wsdl=2: no URL to resolve it against; "
              "the document was not read from one"_s);
}
