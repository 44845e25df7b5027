#include "editing/HeaderTable.h"
#include "message/HTTPResponse.h"
#include "persistence/AppData.h"
#include "persistence/DataFolder.h"
#include "support/Recorders.h"
#include "support/TestServer.h"
#include "transport/BrowserSession.h"
#include "transport/Exchange.h"
#include "transport/HeadlessView.h"
#include <malloc.h>
#include <unistd.h>

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

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

// Bytes the heap has handed out and not had back: finer than pages, so a few bytes kept per
// exchange show.
qint64 heapInUse()
{
    return qint64(mallinfo2().uordblks);
}

} // namespace

// The pieces a run of `pelorin --send` puts together (the window's logic without its
// widgets), sending one request again and again: every exchange parses, stores the cookie,
// records the history entry and replaces the previous response.
TEST(RepeatedExchangeTest, TenThousandResponsesDoNotGrowMemory)
{
    if (kAddressSanitizer)
        GTEST_SKIP() << "ASan's quarantine holds freed memory; LeakSanitizer checks this build";
    constexpr int kBody = 64 * 1024;
    TestServer server;
    ASSERT_TRUE(server.listen()) << qPrintable(server.error());
    // One write: a response split in two would wait on delayed ACKs.
    TestServer::Script script;
    script.chunks = { "HTTP/1.1 200 OK\r\nSet-Cookie: sid=1; Max-Age=600\r\nContent-Length: "_ba
                      + QByteArray::number(kBody) + "\r\n\r\n" + QByteArray(kBody, 'x') };
    script.pauseMs = 0;
    server.setScript(script);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const DataFolder::Resolution data = DataFolder::Resolve(dir.path());
    ASSERT_TRUE(bool(data)) << qPrintable(data.error);
    const DataFolder folder = data.folder;
    MessageRecorder messages;
    AppData app(folder, messages);
    ASSERT_TRUE(app.LoadConfiguration(nullptr));
    app.LoadUserData();
    HeadlessView view(StartingRequestForm(app.configuration()));
    view.form().server = u"127.0.0.1"_s;
    view.form().port = server.portText();
    view.form().url = u"/"_s;
    HeaderTable headers;
    SetDefaultHeaders(headers);
    Exchange exchange;
    BrowserSession session(view, headers, exchange, app.settings(), &app.cookies(), &app.history());

    const auto run = [&](int count) {
        for (int i = 0; i < count; ++i) {
            QEventLoop loop;
            bool completed = false;
            QObject::connect(&session, &BrowserSession::exchangeEnded, &loop, [&](bool done) {
                completed = done;
                loop.quit();
            });
            QObject::connect(&exchange, &Exchange::ErrorOccured, &loop, [&] { loop.quit(); });
            // Not a single-shot call: each of those would live on for its whole interval.
            QTimer watchdog;
            watchdog.setSingleShot(true);
            QObject::connect(&watchdog, &QTimer::timeout, &loop, &QEventLoop::quit);
            watchdog.start(15000);
            session.cmdSend_Click();
            loop.exec();
            const HTTPResponse* response = session.oResp();
            if (!completed || !response || response->Body().size() != kBody)
                return false;
        }
        return true;
    };
    // The first exchanges fill caches and pools that stay; growth after them is a leak.
    ASSERT_TRUE(run(500));
    const qint64 warmResident = residentBytes();
    const qint64 warmHeap = heapInUse();
    ASSERT_TRUE(run(9500));
    const qint64 resident = residentBytes();
    const qint64 heap = heapInUse();
    ASSERT_GT(warmResident, 0);
    EXPECT_EQ(app.cookies().GetStoredCookies(u"127.0.0.1"_s).size(), 1);
    EXPECT_EQ(app.history().GetHistoryURLs(u"127.0.0.1"_s, server.portText()),
              QStringList { u"/"_s });
    // Keeping a copy of the 64 KB body would add 600 MB; keeping 64 bytes, over 600 KB.
    EXPECT_LT(resident - warmResident, 4 * 1024 * 1024)
        << "resident " << warmResident << " -> " << resident;
    EXPECT_LT(heap - warmHeap, 512 * 1024) << "heap in use " << warmHeap << " -> " << heap;
    std::fprintf(
        stderr, "after 500 and 10,000 exchanges: resident %lld -> %lld, heap %lld -> %lld\n",
        (long long)warmResident, (long long)resident, (long long)warmHeap, (long long)heap);
}
