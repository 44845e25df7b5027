#include "analysis/WebServicesRepository.h"
#include "analysis/WsdlAnalysis.h"
#include "message/HTTPRequest.h"
#include "message/HTTPResponse.h"
#include "persistence/XmlDocument.h"
#include "support/FileHelpers.h"
#include "support/TestServer.h"
#include "transport/Exchange.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Runs request against the server and returns every byte of the response.
QByteArray exchange(HTTPRequest& request)
{
    Exchange exchange;
    QByteArray received;
    bool ended = false;
    QObject::connect(&exchange, &Exchange::DataArrived, &exchange,
                     [&](const QByteArray& chunk) { received += chunk; });
    for (auto end : { &Exchange::Done, &Exchange::Cancelled })
        QObject::connect(&exchange, end, &exchange, [&] { ended = true; });
    QObject::connect(&exchange, &Exchange::ErrorOccured, &exchange, [&] { ended = true; });
    exchange.Execute(request);
    if (!QTest::qWaitFor([&] { return ended; }, 15000))
        ADD_FAILURE() << "exchange did not end";
    return received;
}

QByteArray response(const QByteArray& contentType, const QByteArray& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + contentType + "\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace

// A user fetches .../service?wsdl from a loopback server, stores it, opens the stored copy,
// fills the parameters and sends the generated request: the server gets a SOAP request it
// can dispatch.
TEST(SoapEndToEndTest, FetchedWsdlStoredAndItsRequestDispatchable)
{
    TestServer server;
    ASSERT_TRUE(server.listen()) << qPrintable(server.error());
    QByteArray document
        = FileHelpers::readFile(QStringLiteral(PELORIN_TEST_DATA_DIR "/wsdl/dotnet.wsdl"));
    // The endpoint is given relative to the WSDL's own URL, as some servers publish it.
    document.replace("http://127.0.0.1:8080/Weather.asmx\"", "endpoint\"");
    server.setResponse({ response("text/xml; charset=utf-8", document) });

    HTTPRequest get;
    get.Server = u"127.0.0.1"_s;
    get.Port = server.portText();
    get.setMethod(u"GET"_s);
    get.setURL(u"/ws/service?wsdl"_s);
    get.HTTPver = u"HTTP/1.1"_s;
    get.Header = u"Host: 127.0.0.1:"_s + server.portText() + u"\r\nConnection: close"_s;
    HTTPResponse fetched;
    fetched.AddResponseData(exchange(get));
    ASSERT_EQ(fetched.Body(), document);

    QTemporaryDir dir;
    WebServicesRepository repository(QDir(dir.path()).filePath(u"webservices"_s));
    const RepositoryResult stored = repository.StoreWSDLFile(fetched.Body(), get.FullPath());
    ASSERT_TRUE(stored) << qPrintable(stored.text);
    EXPECT_EQ(stored.text, u"Stored as service.wsdl"_s);

    WsdlAnalysis wsdl;
    wsdl.setWSDLDocument(FileHelpers::readFile(repository.filePath(stored.fileName)),
                         repository.urlOf(stored.fileName));
    ASSERT_EQ(wsdl.EnumPortTypes(), QString());
    const SoapOperation op = wsdl.SelectOperation(0);
    ASSERT_EQ(op.entry.operationName, u"GetWeather"_s);
    SoapRequestResult generated = wsdl.GenerateRequest(op, { u"Köln"_s, u"DE"_s }, op.address);
    ASSERT_TRUE(generated) << qPrintable(generated.errorMessage);

    const QByteArray answer = "<?xml version=\"1.0\"?><soap:Envelope "
                              "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                              "<soap:Body/></soap:Envelope>";
    server.setResponse({ response("text/xml", answer) });
    EXPECT_TRUE(exchange(*generated.request).endsWith(answer));

    const QByteArray received = server.received();
    const qsizetype headerEnd = received.indexOf("\r\n\r\n");
    ASSERT_GT(headerEnd, 0);
    const QByteArray head = received.left(headerEnd);
    const QByteArray body = received.mid(headerEnd + 4);
    EXPECT_TRUE(head.startsWith("POST /ws/endpoint HTTP/1.1\r\n")) << head.constData();
    EXPECT_TRUE(
        head.contains(QByteArray("\r\nHost: 127.0.0.1:" + server.portText().toUtf8() + "\r\n")));
    EXPECT_TRUE(head.contains("\r\nSOAPAction: \"http://example.org/weather/GetWeather\"\r\n"));
    EXPECT_TRUE(
        head.endsWith(QByteArray("\r\nContent-length: " + QByteArray::number(body.size()))));

    XmlDocument envelope;
    ASSERT_TRUE(envelope.loadXML(body)) << qPrintable(envelope.parseError().reason);
    const XmlNode call = envelope.selectSingleNode(
        u"/*[local-name()='Envelope' and namespace-uri()=$env]/*[local-name()='Body']/"
        "*[local-name()='GetWeather' and namespace-uri()=$ns]"_s,
        { { u"env"_s, u"http://schemas.xmlsoap.org/soap/envelope/"_s },
          { u"ns"_s, u"http://example.org/weather/"_s } });
    ASSERT_FALSE(call.isNull()) << body.constData();
    EXPECT_EQ(call.selectSingleNode(u"*[local-name()='City']"_s).text(), u"Köln"_s);
}
