#include "FuzzSupport.h"
#include "transport/Redirect.h"
#include <fuzzer/FuzzedDataProvider.h>

// Any location from any current request: resolving never faults, and a location that carries a
// query keeps that query, exactly, in the target it resolves to.
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
