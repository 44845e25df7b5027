#include "analysis/WsdlAnalysis.h"

#include "persistence/XmlDocument.h"
#include "support/ExpandedNames.h"
#include "support/FileHelpers.h"

#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray sample(const char* name)
{
    return FileHelpers::readFile(QStringLiteral(PELORIN_TEST_DATA_DIR "/wsdl/")
                                 + QLatin1StringView(name));
}

// An analysis of a sample, enumerated; status receives EnumPortTypes' status line.
void load(WsdlAnalysis& wsdl, const char* name, const QString& url, QString* status = nullptr)
{
    const QByteArray bytes = sample(name);
    ASSERT_FALSE(bytes.isEmpty()) << name;
    wsdl.setWSDLDocument(bytes, url);
    const QString line = wsdl.EnumPortTypes();
    if (status)
        *status = line;
}

QStringList messageNames(const WsdlAnalysis& wsdl)
{
    QStringList names;
    for (const OperationEntry& entry : wsdl.operations())
        names.append(entry.inputMessageName);
    return names;
}

QString requestText(const SoapRequestResult& result)
{
    return result ? QString::fromUtf8(result.request->RequestBytes()) : result.errorMessage;
}

} // namespace

// .NET: prefixed elements, a SOAP 1.1 and a SOAP 1.2 binding for one port type, wrapped
// document/literal with qualified children. The whole request is checked byte for byte.
TEST(WsdlAnalysisTest, DotNetDocumentLiteralPrefersSoap11AndWrapsQualifiedChildren)
{
    WsdlAnalysis wsdl;
    QString status;
    load(wsdl, "dotnet.wsdl", u"http://127.0.0.1:8080/Weather.asmx?WSDL"_s, &status);
    EXPECT_EQ(status, QString());
    ASSERT_EQ(messageNames(wsdl), (QStringList { u"GetWeatherSoapIn"_s, u"PingSoapIn"_s }));

    const SoapOperation op = wsdl.SelectOperation(0);
    EXPECT_EQ(op.entry.operationName, u"GetWeather"_s);
    EXPECT_EQ(op.soapAction, u"http://example.org/weather/GetWeather"_s);
    EXPECT_EQ(op.address, u"http://127.0.0.1:8080/Weather.asmx"_s);
    ASSERT_EQ(op.parameters.size(), 2);
    EXPECT_EQ(op.parameters.at(0).name, u"City"_s);
    EXPECT_EQ(op.parameters.at(1).type, u"s:string"_s);
    EXPECT_EQ(op.status, QString());

    const SoapRequestResult result
        = wsdl.GenerateRequest(op, { u"Z\u00fcrich & <Co>"_s, u"<b>CH</b>"_s }, op.address);
    ASSERT_TRUE(result) << qPrintable(result.errorMessage);
    const QString envelope = u"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\r\n"
                             "<SOAP-ENV:Envelope\r\n"
                             "  xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">\r\n"
                             "    <SOAP-ENV:Body>\r\n"
                             "      <m:GetWeather xmlns:m=\"http://example.org/weather/\">\r\n"
                             "        <m:City>Z\u00fcrich &amp; &lt;Co&gt;</m:City>\r\n"
                             "        <m:Country><b>CH</b></m:Country>\r\n"
                             "      </m:GetWeather>\r\n"
                             "    </SOAP-ENV:Body>\r\n"
                             "</SOAP-ENV:Envelope>\r\n"_s;
    const QByteArray expected = u"POST /Weather.asmx HTTP/1.1\r\n"
                                "Host: 127.0.0.1:8080\r\n"
                                "Connection: close\r\n"
                                "User-agent: Pelorin HTTP User-agent/1.0\r\n"
                                "Cache-control: no-cache\r\n"
                                "SOAPAction: \"http://example.org/weather/GetWeather\"\r\n"
                                "Content-type: text/xml; charset=\"utf-8\"\r\n"
                                "Content-length: "_s.toUtf8()
        + QByteArray::number(envelope.toUtf8().size()) + "\r\n\r\n" + envelope.toUtf8();
    EXPECT_EQ(result.request->RequestBytes(), expected);
    // The length counts bytes: the u-umlaut takes two.
    EXPECT_EQ(envelope.toUtf8().size(), envelope.size() + 1);

    // An element with an empty complex type stands alone under Body.
    const SoapOperation ping = wsdl.SelectOperation(1);
    EXPECT_TRUE(ping.parameters.isEmpty());
    EXPECT_TRUE(WsdlAnalysis::BuildEnvelope(ping, {}).contains(
        u"      <m:Ping xmlns:m=\"http://example.org/weather/\">\r\n      </m:Ping>\r\n"_s));
}

// Java: port and binding names differ from the port type's, children are unqualified, the
// soapAction is empty, and the address carries a query the analysis must keep whole.
TEST(WsdlAnalysisTest, JavaStylePortFoundThroughItsBinding)
{
    WsdlAnalysis wsdl;
    load(wsdl, "java.wsdl", u"http://localhost:9090/calc?wsdl"_s);
    ASSERT_EQ(messageNames(wsdl), (QStringList { u"add"_s, u"ping"_s }));
    EXPECT_TRUE(wsdl.SelectOperation(1).parameters.isEmpty()) << "an empty sequence wraps nothing";
    const SoapOperation op = wsdl.SelectOperation(0);
    EXPECT_EQ(op.address, u"http://localhost:9090/calc?mode=full&trace=1"_s);
    EXPECT_EQ(op.soapAction, QString(u""_s));
    EXPECT_EQ(op.status, QString()) << "an empty soapAction is not a missing one";

    const SoapRequestResult result = wsdl.GenerateRequest(op, { u"2"_s, u"3"_s }, op.address);
    const QString text = requestText(result);
    EXPECT_TRUE(
        text.startsWith(u"POST /calc?mode=full&trace=1 HTTP/1.1\r\nHost: localhost:9090\r\n"_s))
        << qPrintable(text);
    EXPECT_TRUE(text.contains(u"\r\nSOAPAction: \"\"\r\n"_s));
    EXPECT_TRUE(text.contains(u"      <m:add xmlns:m=\"http://calc.example.com/\">\r\n"
                              "        <arg0>2</arg0>\r\n        <arg1>3</arg1>\r\n"
                              "      </m:add>\r\n"_s))
        << qPrintable(text);
    EXPECT_FALSE(text.contains(u"encodingStyle"_s));
}

// rpc/encoded with unprefixed WSDL elements: the operation element takes soap:body's
// namespace, else the target namespace; a missing soapAction is a note and sends "".
TEST(WsdlAnalysisTest, RpcEncodedUsesTheBodyNamespaceAndNotesMissingSoapAction)
{
    WsdlAnalysis wsdl;
    load(wsdl, "rpc.wsdl", u"https://quotes.example.com/rpc?wsdl"_s);
    ASSERT_EQ(messageNames(wsdl), (QStringList { u"GetQuoteInput"_s, u"ListSymbolsInput"_s }));

    const SoapOperation quote = wsdl.SelectOperation(0);
    EXPECT_EQ(quote.soapAction, u"urn:StockQuote#GetQuote"_s);
    const SoapRequestResult result = wsdl.GenerateRequest(quote, { u"IBM"_s }, quote.address);
    const QString text = requestText(result);
    // The default port of https is not written; a missing value leaves the element empty.
    EXPECT_TRUE(text.contains(u"\r\nHost: quotes.example.com\r\n"_s)) << qPrintable(text);
    EXPECT_TRUE(result.request && result.request->Secure && result.request->Port == u"443"_s);
    EXPECT_TRUE(text.contains(
        u"  SOAP-ENV:encodingStyle = \"http://schemas.xmlsoap.org/soap/encoding/\"\r\n"_s));
    EXPECT_TRUE(text.contains(u"      <m:GetQuote xmlns:m=\"urn:StockQuote\">\r\n"
                              "        <symbol>IBM</symbol>\r\n"
                              "        <currency></currency>\r\n"
                              "      </m:GetQuote>\r\n"_s))
        << qPrintable(text);

    const SoapOperation list = wsdl.SelectOperation(1);
    EXPECT_FALSE(list.soapAction.has_value());
    EXPECT_FALSE(list.status.isEmpty());
    EXPECT_TRUE(list.errorMessage.isEmpty()) << "a missing soapAction is common, not an error";
    const QString listText = requestText(wsdl.GenerateRequest(list, {}, list.address));
    EXPECT_TRUE(listText.contains(u"\r\nSOAPAction: \"\"\r\n"_s));
    EXPECT_TRUE(listText.contains(
        u"<m:ListSymbols xmlns:m=\"http://example.com/stockquote.wsdl\">\r\n      </m:ListSymbols>"_s))
        << qPrintable(listText);
}

TEST(WsdlAnalysisTest, Soap12OnlyBindingGetsASoap12Envelope)
{
    WsdlAnalysis wsdl;
    load(wsdl, "soap12.wsdl", {});
    ASSERT_EQ(wsdl.operations().size(), 1);
    const SoapOperation op = wsdl.SelectOperation(0);
    EXPECT_EQ(op.version, SoapOperation::Version::Soap12);
    const QString text = requestText(wsdl.GenerateRequest(op, { u"A-17"_s }, op.address));
    EXPECT_TRUE(text.startsWith(u"POST /orders HTTP/1.1\r\nHost: [::1]:8443\r\n"_s))
        << qPrintable(text);
    EXPECT_TRUE(text.contains(
        u"\r\nContent-type: application/soap+xml; charset=utf-8; action=\"urn:orders:Cancel\"\r\n"_s));
    EXPECT_FALSE(text.contains(u"SOAPAction"_s));
    EXPECT_TRUE(text.contains(u"xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\">"_s));
    EXPECT_TRUE(
        text.contains(u"      <m:Cancel xmlns:m=\"urn:orders:types\">A-17</m:Cancel>\r\n"_s));
}

// Each port type finds its own service; a relative address resolves against the WSDL's URL;
// an import that is not followed is said so.
TEST(WsdlAnalysisTest, TwoServicesRelativeAddressAndImportNote)
{
    WsdlAnalysis wsdl;
    QString status;
    load(wsdl, "two-services.wsdl", u"http://shop.example.com:8000/ws/shop.wsdl"_s, &status);
    EXPECT_TRUE(status.contains(u"extra.wsdl"_s)) << qPrintable(status);
    ASSERT_EQ(messageNames(wsdl), (QStringList { u"FindIn"_s, u"PayIn"_s }));

    const SoapOperation find = wsdl.SelectOperation(0);
    EXPECT_EQ(find.address, u"http://catalog.example.com/find"_s);
    const QString findText = requestText(wsdl.GenerateRequest(find, { u"tea"_s }, find.address));
    EXPECT_TRUE(findText.contains(u"<m:Find xmlns:m=\"urn:shop:catalog\">"_s));
    EXPECT_FALSE(findText.contains(u"encodingStyle"_s)) << "rpc/literal has no encoding";

    const SoapOperation pay = wsdl.SelectOperation(1);
    EXPECT_EQ(pay.address, u"../billing/endpoint"_s);
    const SoapRequestResult payResult = wsdl.GenerateRequest(pay, { u"9.50"_s }, pay.address);
    ASSERT_TRUE(payResult) << qPrintable(payResult.errorMessage);
    EXPECT_EQ(payResult.request->Server, u"shop.example.com"_s);
    EXPECT_EQ(payResult.request->Port, u"8000"_s);
    EXPECT_EQ(payResult.request->URL(), u"/billing/endpoint"_s);
    EXPECT_TRUE(requestText(payResult).contains(u"<m:Pay xmlns:m=\"urn:shop\">"_s));

    // Without a URL to resolve against, the relative address cannot be sent anywhere.
    WsdlAnalysis noUrl;
    load(noUrl, "two-services.wsdl", {});
    const SoapRequestResult failed
        = noUrl.GenerateRequest(noUrl.SelectOperation(1), {}, u"../billing/endpoint"_s);
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.errorTitle, u"Error:"_s);
    EXPECT_EQ(failed.errorMessage,
              u"Could not generate SOAP request, possible\r\ninvalid format in service address."_s);
}

TEST(WsdlAnalysisTest, FailuresLeaveNoOperations)
{
    WsdlAnalysis wsdl;
    load(wsdl, "dotnet.wsdl", {});
    ASSERT_FALSE(wsdl.operations().isEmpty());

    wsdl.setWSDLFileContents(u"<definitions><portType>"_s);
    EXPECT_TRUE(wsdl.EnumPortTypes().startsWith(u"Error: "_s));
    EXPECT_TRUE(wsdl.operations().isEmpty());
    EXPECT_TRUE(wsdl.SelectOperation(0).address.isEmpty());

    wsdl.setWSDLFileContents(u"<html><body>Not here</body></html>"_s);
    EXPECT_EQ(wsdl.EnumPortTypes(), u"No ports found in WSDL file"_s);

    QString status;
    load(wsdl, "import-only.wsdl", {}, &status);
    EXPECT_EQ(status,
              u"No ports found in WSDL file. Imported documents are not read: "
              "http://example.com/impl.wsdl"_s);

    // A declaration naming another encoding does not mislead the parse of text.
    wsdl.setWSDLFileContents(QString::fromUtf8(sample("rpc.wsdl"))
                                 .replace(u"<?xml version=\"1.0\"?>"_s,
                                          u"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"_s));
    EXPECT_EQ(wsdl.EnumPortTypes(), QString());
    EXPECT_EQ(wsdl.operations().size(), 2);
}

TEST(WsdlAnalysisTest, ValuesAreEscapedUnlessWellFormedMarkup)
{
    EXPECT_EQ(WsdlAnalysis::EnvelopeValue(u"a < b & c > d"_s), u"a &lt; b &amp; c &gt; d"_s);
    EXPECT_EQ(WsdlAnalysis::EnvelopeValue(u"<x>1</x><y a='2'/>"_s), u"<x>1</x><y a='2'/>"_s);
    EXPECT_EQ(WsdlAnalysis::EnvelopeValue(u"Fish &amp; Chips"_s), u"Fish &amp; Chips"_s);
    EXPECT_EQ(WsdlAnalysis::EnvelopeValue(u"<x>AT&T</x>"_s), u"&lt;x&gt;AT&amp;T&lt;/x&gt;"_s);
    EXPECT_EQ(WsdlAnalysis::EnvelopeValue(u"<open>"_s), u"&lt;open&gt;"_s);
}

// Values a document carries as character references cannot break the header block, the
// envelope's markup or the request line.
TEST(WsdlAnalysisTest, HostileDocumentValuesStayInTheirPlace)
{
    QByteArray document = sample("rpc.wsdl");
    document.replace("urn:StockQuote#GetQuote", "a\"b&#13;&#10;X-Evil: 1");
    document.replace("namespace=\"urn:StockQuote\"", "namespace=\"urn:q?a=1&amp;b=&quot;2&quot;\"");
    WsdlAnalysis wsdl;
    wsdl.setWSDLDocument(document.replace("soapAction=\"a\"b", "soapAction=\"a&quot;b"));
    ASSERT_EQ(wsdl.EnumPortTypes(), QString());
    const SoapOperation op = wsdl.SelectOperation(0);
    const SoapRequestResult result = wsdl.GenerateRequest(op, {}, op.address);
    const QString text = requestText(result);
    EXPECT_TRUE(text.contains(u"\r\nSOAPAction: \"a\\\"b  X-Evil: 1\"\r\n"_s)) << qPrintable(text);
    EXPECT_TRUE(text.contains(u"xmlns:m=\"urn:q?a=1&amp;b=&quot;2&quot;\""_s));
    XmlDocument envelope;
    EXPECT_TRUE(envelope.loadXML(result.request->Body.Contents()));

    EXPECT_FALSE(wsdl.GenerateRequest(op, {}, u"http://h/a\r\nX: y"_s));
}

TEST(WsdlAnalysisTest, WsdlUrlsAreRecognised)
{
    for (const QString& url : { u"/a/b.WSDL"_s, u"/service?wsdl"_s, u"/Svc.asmx?WSDL"_s,
                                u"/svc?singleWsdl"_s, u"/svc?wsdl=1&x=2"_s, u"/x.wsdl#top"_s })
        EXPECT_TRUE(IsWsdlUrl(url)) << qPrintable(url);
    for (const QString& url :
         { u"/index.html"_s, u"/wsdl"_s, u"/a?x=wsdl"_s, u"/a?wsdlx"_s, u"/doc.wsdl.html"_s })
        EXPECT_FALSE(IsWsdlUrl(url)) << qPrintable(url);
}

namespace {

// A document/literal description around one schema; binding is the SOAP binding's inside.
QByteArray describe(const QString& schema, const QString& messages, const QString& binding,
                    const QString& soapNs = u"http://schemas.xmlsoap.org/wsdl/soap/"_s)
{
    return (uR"(<definitions xmlns="http://schemas.xmlsoap.org/wsdl/" xmlns:tns="urn:t"
  xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:soap=")"_s
            + soapNs + uR"(" targetNamespace="urn:t">
<types>)"_s + schema
            + uR"(</types>)"_s + messages + uR"(
<portType name="P"><operation name="Op"><input message="tns:In"/></operation></portType>
<binding name="B" type="tns:P"><soap:binding style="document" transport="http://schemas.xmlsoap.org/soap/http"/>
<operation name="Op"><soap:operation soapAction="urn:t#Op"/><input>)"_s
            + binding + uR"(</input></operation></binding>
<service name="S"><port name="SP" binding="tns:B"><soap:address location="http://h.test/s"/></port></service>
</definitions>)"_s)
        .toUtf8();
}

QStringList envelopeNames(WsdlAnalysis& wsdl, const QStringList& values)
{
    EXPECT_EQ(wsdl.EnumPortTypes(), QString());
    return ExpandedNames::of(WsdlAnalysis::BuildEnvelope(wsdl.SelectOperation(0), values).toUtf8());
}

const QString kEnv11 = u"{http://schemas.xmlsoap.org/soap/envelope/}"_s;

} // namespace

// A referenced global element is in its schema's namespace; local ones follow form, else
// elementFormDefault of the schema that declares them.
TEST(WsdlAnalysisTest, WrappedChildrenTakeTheNamespaceXmlSchemaGivesThem)
{
    const QString schemas = uR"(
<xs:schema targetNamespace="urn:t" xmlns:o="urn:o">
  <xs:import namespace="urn:o"/>
  <xs:element name="country" type="xs:string"/>
  <xs:element name="Req"><xs:complexType><xs:sequence>
    <xs:element name="sym" type="xs:string"/>
    <xs:element ref="tns:country"/>
    <xs:element name="note" form="qualified" type="xs:string"/>
    <xs:element ref="o:extra"/>
  </xs:sequence></xs:complexType></xs:element>
</xs:schema>
<xs:schema targetNamespace="urn:o" elementFormDefault="qualified">
  <xs:element name="extra" type="xs:int"/>
</xs:schema>)"_s;
    WsdlAnalysis wsdl;
    wsdl.setWSDLDocument(describe(
        schemas, u"<message name=\"In\"><part name=\"p\" element=\"tns:Req\"/></message>"_s,
        u"<soap:body use=\"literal\"/>"_s));
    EXPECT_EQ(
        envelopeNames(wsdl, { u"v1"_s, u"v2"_s, u"v3"_s, u"4"_s }),
        (QStringList { kEnv11 + u"Envelope"_s, kEnv11 + u"Body"_s, u"{urn:t}Req"_s, u"{}sym=v1"_s,
                       u"{urn:t}country=v2"_s, u"{urn:t}note=v3"_s, u"{urn:o}extra=4"_s }));
    EXPECT_EQ(wsdl.SelectOperation(0).parameters.at(3).type, u"xs:int"_s)
        << "a reference shows the referenced element's type";
}

// Parts bound to soap:header go into the Header, the Body holds only the body's parts,
// in SOAP 1.1 and 1.2 alike.
TEST(WsdlAnalysisTest, HeaderPartsGoIntoTheSoapHeader)
{
    const QString schema = uR"(<xs:schema targetNamespace="urn:t" elementFormDefault="qualified">
  <xs:element name="Token" type="xs:string"/>
  <xs:element name="Req"><xs:complexType><xs:sequence><xs:element name="sym" type="xs:string"/></xs:sequence></xs:complexType></xs:element>
</xs:schema>)"_s;
    const QString messages = uR"(<message name="In"><part name="token" element="tns:Token"/>
<part name="body" element="tns:Req"/></message>
<message name="Auth"><part name="user" type="xs:string"/></message>)"_s;
    for (const QString& soapNs : { u"http://schemas.xmlsoap.org/wsdl/soap/"_s,
                                   u"http://schemas.xmlsoap.org/wsdl/soap12/"_s }) {
        const bool soap12 = soapNs.contains(u"soap12"_s);
        const QString env = soap12 ? u"{http://www.w3.org/2003/05/soap-envelope}"_s : kEnv11;
        WsdlAnalysis wsdl;
        wsdl.setWSDLDocument(describe(schema, messages,
                                      uR"(<soap:header message="tns:In" part="token" use="literal"/>
<soap:header message="tns:Auth" part="user" use="literal" namespace="urn:auth"/>
<soap:body use="literal" parts="body"/>)"_s,
                                      soapNs));
        EXPECT_EQ(envelopeNames(wsdl, { u"tok"_s, u"me"_s, u"IBM"_s }),
                  (QStringList { env + u"Envelope"_s, env + u"Header"_s, u"{urn:t}Token=tok"_s,
                                 u"{urn:auth}user=me"_s, env + u"Body"_s, u"{urn:t}Req"_s,
                                 u"{urn:t}sym=IBM"_s }))
            << qPrintable(soapNs);
        const SoapOperation op = wsdl.SelectOperation(0);
        ASSERT_EQ(op.parameters.size(), 3);
        EXPECT_TRUE(op.parameters.at(0).header && op.parameters.at(1).header);
        EXPECT_FALSE(op.parameters.at(2).header);
    }
}

// Only SOAP 1.1 and 1.2 bindings make SOAP requests: operations bound only to HTTP are left
// out, and an HTTP binding's operation is never taken for the SOAP one.
TEST(WsdlAnalysisTest, HttpBindingsAreNotSoap)
{
    const QByteArray asmx = uR"(<wsdl:definitions xmlns:wsdl="http://schemas.xmlsoap.org/wsdl/"
  xmlns:http="http://schemas.xmlsoap.org/wsdl/http/" xmlns:soap="http://schemas.xmlsoap.org/wsdl/soap/"
  xmlns:tns="urn:t" targetNamespace="urn:t">
<wsdl:message name="AddSoapIn"><wsdl:part name="a" type="tns:int"/></wsdl:message>
<wsdl:message name="AddHttpGetIn"><wsdl:part name="a" type="tns:int"/></wsdl:message>
<wsdl:portType name="CalcSoap"><wsdl:operation name="Add"><wsdl:input message="tns:AddSoapIn"/></wsdl:operation></wsdl:portType>
<wsdl:portType name="CalcHttpGet"><wsdl:operation name="Add"><wsdl:input message="tns:AddHttpGetIn"/></wsdl:operation></wsdl:portType>
<wsdl:binding name="CalcHttpGet" type="tns:CalcHttpGet"><http:binding verb="GET"/>
  <wsdl:operation name="Add"><http:operation location="/Add"/><wsdl:input><http:urlEncoded/></wsdl:input></wsdl:operation></wsdl:binding>
<wsdl:binding name="CalcSoap" type="tns:CalcSoap"><soap:binding style="rpc"/>
  <wsdl:operation name="Add"><soap:operation soapAction="urn:t/Add"/><wsdl:input><soap:body use="literal" namespace="urn:t"/></wsdl:input></wsdl:operation></wsdl:binding>
<wsdl:service name="Calc">
  <wsdl:port name="CalcHttpGet" binding="tns:CalcHttpGet"><http:address location="http://h.test/get"/></wsdl:port>
  <wsdl:port name="CalcSoap" binding="tns:CalcSoap"><soap:address location="http://h.test/soap"/></wsdl:port>
</wsdl:service></wsdl:definitions>)"_s.toUtf8();
    WsdlAnalysis wsdl;
    wsdl.setWSDLDocument(asmx);
    EXPECT_EQ(wsdl.EnumPortTypes(), u"Operations without a SOAP binding are not listed: 1"_s);
    ASSERT_EQ(messageNames(wsdl), QStringList { u"AddSoapIn"_s });
    const SoapOperation op = wsdl.SelectOperation(0);
    EXPECT_EQ(op.soapAction, u"urn:t/Add"_s);
    EXPECT_TRUE(op.rpc);
    EXPECT_EQ(op.address, u"http://h.test/soap"_s);

    // With the SOAP binding gone, nothing can be sent with SOAP.
    const QByteArray httpOnly
        = QString::fromUtf8(asmx)
              .remove(QRegularExpression(u"<wsdl:binding name=\"CalcSoap\".*?</wsdl:binding>"_s,
                                         QRegularExpression::DotMatchesEverythingOption))
              .toUtf8();
    wsdl.setWSDLDocument(httpOnly);
    EXPECT_EQ(wsdl.EnumPortTypes(),
              u"No SOAP binding in WSDL file: its operations are bound only to HTTP"_s);
    EXPECT_TRUE(wsdl.operations().isEmpty());
}
