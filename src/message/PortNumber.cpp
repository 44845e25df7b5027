#include "message/PortNumber.h"

PortNumber ParsePortNumber(const QString& text)
{
    PortNumber result;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            result.fault = PortNumber::Fault::NotDigits;
            return result;
        }
    }
    // Blanks are refused rather than trimmed: the port text also goes verbatim into the Host
    // header, where "server: 8080" would be a malformed authority.
    const int number = text.isEmpty() || text.size() > 5 ? 0 : text.toInt();
    if (number >= 1 && number <= 65535) {
        result.number = number;
        result.fault = PortNumber::Fault::None;
    }
    return result;
}
