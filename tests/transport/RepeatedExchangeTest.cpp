#include "message/HTTPRequest.h"
#include "message/HTTPResponse.h"
#include "support/TestServer.h"
#include "transport/Exchange.h"
#include <unistd.h>

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// Resident memory of this process in bytes.
qint64 residentBytes()
{
    QFile statm(u"/proc/self/statm"_s);
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * sysconf(_SC_PAGESIZE) : -1;
}

} // namespace

TEST(RepeatedExchangeTest, HundredsOfExchangesDoNotGrowMemory)
{
    if (kAddressSanitizer)
        GTEST_SKIP() << "ASan's quarantine holds freed memory; LeakSanitizer checks this build";
    TestServer server;
    ASSERT_TRUE(server.listen()) << qPrintable(server.error());
    TestServer::Script script;
    script.chunks
        = { "HTTP/1.1 200 OK\r\nSet-Cookie: sid=1; Max-Age=60\r\nContent-Length: 65536\r\n\r\n"_ba,
            QByteArray(65536, 'x') };
    script.pauseMs = 0;
    server.setScript(script);

    Exchange exchange;
    int ended = 0;
    int failed = 0;
    HTTPResponse* response = nullptr;
    QObject::connect(&exchange, &Exchange::DataArrived, &exchange,
                     [&](const QByteArray& chunk) { response->AddResponseData(chunk); });
    QObject::connect(&exchange, &Exchange::Done, &exchange, [&] { ++ended; });
    QObject::connect(&exchange, &Exchange::ErrorOccured, &exchange, [&] { ++ended, ++failed; });

    const auto run = [&](int count) {
        for (int i = 0; i < count; ++i) {
            HTTPResponse current;
            response = &current;
            HTTPRequest request;
            request.Server = u"127.0.0.1"_s;
            request.Port = server.portText();
            request.setMethod(u"GET"_s);
            request.setURL(u"/"_s);
            request.HTTPver = u"HTTP/1.1"_s;
            request.Header = u"Host: 127.0.0.1\r\nConnection: close"_s;
            const int before = ended;
            exchange.Execute(request);
            if (!QTest::qWaitFor([&] { return ended > before; }, 15000))
                return false;
            if (current.ResponseCode() != u"200"_s || current.Body().size() != 65536
                || current.GetCookies().size() != 1)
                return false;
        }
        return true;
    };
    // The first exchanges fill caches and pools that stay; growth after them is a leak.
    ASSERT_TRUE(run(50));
    const qint64 warm = residentBytes();
    ASSERT_TRUE(run(300));
    const qint64 after = residentBytes();
    EXPECT_EQ(failed, 0);
    ASSERT_GT(warm, 0);
    // Keeping even one copy of the 64 KB body per exchange would add over 19 MB.
    EXPECT_LT(after - warm, 8 * 1024 * 1024) << "resident " << warm << " -> " << after;
    std::fprintf(stderr, "resident after warm-up %lld, after 300 more exchanges %lld\n",
                 (long long)warm, (long long)after);
}
