#include "FuzzSupport.h"
#include "analysis/WsdlAnalysis.h"
#include "analysis/WsdlImports.h"
#include <fuzzer/FuzzedDataProvider.h>

// Any document, any typed value: each request generated for an operation has a header block
// of whole lines that ends where its body starts, and a Content-length that counts that body.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string document = in.ConsumeRandomLengthString(1 << 16);
    const std::string tail = in.ConsumeRemainingBytesAsString();
    const QString value = QString::fromUtf8(tail.data(), qsizetype(tail.size()));

    const QByteArray input(document.data(), qsizetype(document.size()));
    // The document read again as its own import: definitions and schemas twice never fault.
    WsdlAnalysis wsdl;
    wsdl.setWSDLDocument(input, QStringLiteral("http://example.test/service/soap?wsdl"));
    if (!WsdlImports::ImportLocations(input).isEmpty())
        wsdl.setImportedDocuments({ { QStringLiteral("http://example.test/i.xsd"), input } });
    if (!wsdl.EnumPortTypes().isEmpty() && wsdl.operations().isEmpty())
        return 0;
    for (qsizetype i = 0; i < std::min<qsizetype>(wsdl.operations().size(), 16); ++i) {
        const SoapOperation operation = wsdl.SelectOperation(i);
        if (!operation.canGenerate())
            continue;
        const QStringList values(operation.parameters.size(), value);
        const SoapRequestResult result = wsdl.GenerateRequest(operation, values, operation.address);
        if (!result)
            continue;
        const QByteArray bytes = result.request->RequestBytes();
        const qsizetype end = bytes.indexOf("\r\n\r\n");
        FUZZ_CHECK(end >= 0);
        const QByteArray body = bytes.sliced(end + 4);
        FUZZ_CHECK(body == result.request->Body.ContentBytes());
        const QByteArray head = bytes.first(end);
        QByteArrayList lines = head.split('\n');
        for (qsizetype l = 0; l + 1 < lines.size(); ++l) {
            FUZZ_CHECK(lines[l].endsWith('\r'));
            lines[l].chop(1);
        }
        FUZZ_CHECK(!lines.constFirst().contains('\r'));
        // A line break smuggled in from the document would start a field of its own.
        static const QByteArrayList kFields
            = { "Host",       "Connection",   "User-agent",    "Cache-control",
                "SOAPAction", "Content-type", "Content-length" };
        QByteArrayList seen;
        for (const QByteArray& line : lines.sliced(1)) {
            FUZZ_CHECK(!line.contains('\r'));
            const QByteArray name = line.left(line.indexOf(": "));
            FUZZ_CHECK(kFields.contains(name) && !seen.contains(name));
            seen.append(name);
            if (name == "Content-length")
                FUZZ_CHECK(line.sliced(name.size() + 2) == QByteArray::number(body.size()));
        }
        FUZZ_CHECK(seen.contains("Content-length"));
    }
    return 0;
}
