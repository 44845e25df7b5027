#include "FuzzSupport.h"
#include "transport/Redirect.h"
#include <fuzzer/FuzzedDataProvider.h>

namespace {

QString text(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

// Any location from any current request: resolving never faults, and a location that carries a
// query keeps that query, exactly, in the target it resolves to.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    HTTPRequest current;
    current.Secure = in.ConsumeBool();
    current.Server = text(in.ConsumeRandomLengthString(32));
    current.Port = text(in.ConsumeRandomLengthString(8));
    current.setURL(text(in.ConsumeRandomLengthString(64)));
    const QString location = text(in.ConsumeRemainingBytesAsString());

    const std::optional<HTTPRequest> target = ResolveRedirect(current, location);
    if (!target)
        return 0;
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
