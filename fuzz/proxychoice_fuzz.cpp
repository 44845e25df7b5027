#include "FuzzSupport.h"
#include "transport/ProxyChoice.h"
#include <fuzzer/FuzzedDataProvider.h>

// Any bypass list and proxy URL: nothing faults, a proxy that parses reads back the same from
// its display form (which never carries credentials), and a list naming its host exempts it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const QString list = fuzzText(in.ConsumeRandomLengthString(64));
    const QString url = fuzzText(in.ConsumeRemainingBytesAsString());

    ProxyServer proxy;
    if (!ParseProxyUrl(url, proxy)) {
        (void)NoProxyMatches(list, url);
        return 0;
    }
    (void)NoProxyMatches(list, proxy.host);
    ProxyServer again;
    FUZZ_CHECK(ParseProxyUrl(proxy.display(), again));
    FUZZ_CHECK(again.kind == proxy.kind && again.host == proxy.host && again.port == proxy.port);
    FUZZ_CHECK(!again.user);
    // A host of dots only names nothing a list could hold.
    if (proxy.host.count(u'.') < proxy.host.size())
        FUZZ_CHECK(NoProxyMatches(proxy.host, proxy.host));
    return 0;
}
