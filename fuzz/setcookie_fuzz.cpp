#include "FuzzSupport.h"
#include "message/Cookie.h"

#include <QDateTime>

// Any Set-Cookie value parses without a fault into a cookie whose name and value carry no
// surrounding blanks, and parsing does not depend on anything but the text and the time.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString value = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    const Cookie c = ParseSetCookie(value, now);
    FUZZ_CHECK(c.Name == c.Name.trimmed());
    FUZZ_CHECK(c.Value == c.Value.trimmed());
    FUZZ_CHECK(ParseSetCookie(value, now) == c);
    (void)HttpDate(now.addSecs(qint64(size) * 86400 * 365));
    return 0;
}
