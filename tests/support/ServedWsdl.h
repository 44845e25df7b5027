#pragma once

#include "support/TestServer.h"

#include <QByteArray>
#include <QHash>

// A WSDL description served in pieces from a TestServer, as Java services publish them.
namespace ServedWsdl {

// A Java-style service: ?wsdl holds messages, port type, service and the types, which come
// from ?xsd=1 (itself importing ?xsd=2); its binding, with a SOAP header, comes from the
// imported ?wsdl=2, which imports ?wsdl back.
inline const QByteArray kMain = R"(<?xml version="1.0" encoding="UTF-8"?>
<definitions xmlns="http://schemas.xmlsoap.org/wsdl/" xmlns:tns="urn:t"
  xmlns:xsd="http://www.w3.org/2001/XMLSchema" xmlns:soap="http://schemas.xmlsoap.org/wsdl/soap/"
  targetNamespace="urn:t" name="QuoteService">
  <import namespace="urn:t" location="svc?wsdl=2"/>
  <types><xsd:schema><xsd:import namespace="urn:t" schemaLocation="svc?xsd=1"/></xsd:schema></types>
  <message name="getQuote"><part name="parameters" element="tns:getQuote"/></message>
  <message name="auth"><part name="token" element="tns:token"/></message>
  <portType name="Quote"><operation name="getQuote"><input message="tns:getQuote"/></operation></portType>
  <service name="QuoteService"><port name="QuotePort" binding="tns:QuotePortBinding">
    <soap:address location="/svc"/></port></service>
</definitions>)";

inline const QByteArray kBinding
    = R"(<definitions xmlns="http://schemas.xmlsoap.org/wsdl/" xmlns:tns="urn:t"
  xmlns:soap="http://schemas.xmlsoap.org/wsdl/soap/" targetNamespace="urn:t">
  <import namespace="urn:t" location="http://127.0.0.1:PORT/svc?wsdl"/>
  <binding name="QuotePortBinding" type="tns:Quote">
    <soap:binding transport="http://schemas.xmlsoap.org/soap/http" style="document"/>
    <operation name="getQuote"><soap:operation soapAction="urn:t:getQuote"/>
      <input><soap:header message="tns:auth" part="token" use="literal"/><soap:body use="literal"/></input>
    </operation>
  </binding>
</definitions>)";

inline const QByteArray kSchema1
    = R"(<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:tns="urn:t"
  xmlns:o="urn:o" targetNamespace="urn:t" version="1.0">
  <xs:import namespace="urn:o" schemaLocation="http://127.0.0.1:PORT/svc?xsd=2"/>
  <xs:element name="getQuote" type="tns:getQuote"/>
  <xs:element name="token" type="xs:string"/>
  <xs:element name="country" type="xs:string"/>
  <xs:complexType name="getQuote"><xs:sequence>
    <xs:element name="symbol" type="xs:string" minOccurs="0"/>
    <xs:element ref="tns:country"/>
    <xs:element ref="o:currency"/>
  </xs:sequence></xs:complexType>
</xs:schema>)";

inline const QByteArray kSchema2 = R"(<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema"
  targetNamespace="urn:o"><xs:element name="currency" type="xs:string"/></xs:schema>)";

inline QByteArray ok(const QByteArray& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml;charset=utf-8\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// Serves the documents by request target; anything else is 404, a POST gets a reply.
inline void route(TestServer& server, QHash<QByteArray, QByteArray> documents)
{
    const QByteArray port = server.portText().toLatin1();
    for (QByteArray& document : documents)
        document.replace("PORT", port);
    QObject::connect(&server, &TestServer::requestReceived, &server, [&server, documents] {
        const QByteArray line = server.received().left(server.received().indexOf('\r'));
        const QByteArray target = line.split(' ').value(1);
        QByteArray response = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
        if (line.startsWith("POST "))
            response = ok("<reply/>");
        else if (documents.contains(target))
            response = ok(documents.value(target));
        server.setResponse({ response });
    });
}

} // namespace ServedWsdl
