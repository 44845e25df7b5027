#include "FuzzSupport.h"
#include "message/PortNumber.h"
#include "transport/Redirect.h"
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>

namespace {

// A host that can stand in a Host row and a URL: no blanks, controls or URL delimiters, and a
// colon only inside an IPv6 literal's brackets.
bool fitsHostRow(const QString& host)
{
    const bool bracketed = host.startsWith(u'[') && host.endsWith(u']');
    return !host.isEmpty() && std::all_of(host.cbegin(), host.cend(), [&](QChar c) {
        const char16_t u = c.unicode();
        return u > 0x20 && u != 0x7F && !(u >= 0x80 && u <= 0xA0) && !c.isSpace()
            && !QStringView(u"/?#@\\\"<>").contains(c) && (c != u':' || bracketed);
    });
}

} // namespace

// Any location from any current request: resolving never faults, a location that names its own
// host gives a host and port a connection can use, and a location that carries a query keeps
// that query, exactly, in the target it resolves to.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    HTTPRequest current;
    current.Secure = in.ConsumeBool();
    current.Server = fuzzText(in.ConsumeRandomLengthString(32));
    current.Port = fuzzText(in.ConsumeRandomLengthString(8));
    current.setURL(fuzzText(in.ConsumeRandomLengthString(64)));
    const QString location = fuzzText(in.ConsumeRemainingBytesAsString());

    const std::optional<HTTPRequest> target = ResolveRedirect(current, location);
    if (!target)
        return 0;
    if (location.startsWith(u"//") || location.startsWith(u"http://", Qt::CaseInsensitive)
        || location.startsWith(u"https://", Qt::CaseInsensitive)) {
        FUZZ_CHECK(fitsHostRow(target->Server));
        FUZZ_CHECK(ParsePortNumber(target->Port));
    }
    const QString reference = location.left(location.indexOf(u'#'));
    const qsizetype query = reference.indexOf(u'?');
    if (query >= 0) {
        const QString url = target->URL();
        FUZZ_CHECK(url.endsWith(reference.mid(query)));
        FUZZ_CHECK(url.indexOf(u'?') == url.size() - (reference.size() - query));
    }
    (void)RedirectReferer(current, *target);
    (void)HostForConnect(target->Server);
    return 0;
}
