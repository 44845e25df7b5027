#include "message/HTTPRequest.h"
#include "persistence/AppData.h"
#include "persistence/CookieViewer.h"
#include "persistence/HistoryViewer.h"
#include "persistence/RequestHistoryLists.h"
#include "shell/MessageSink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kServers = 100;
constexpr int kHistoryItems = 10000;
constexpr int kCookies = 1000;
constexpr int kRecorded = 1000;

class CountingViewers final : public CookieViewer, public HistoryViewer, public RequestHistoryLists
{
public:
    qint32 AddCookie(const Cookie&) override { return ++calls, 0; }
    qint32 AddToHistory(const QString&, const QString&, bool) override { return ++calls, 0; }
    void AddHistoryItemServer(const QString&) override { ++calls; }
    void AddHistoryItemURL(const QString&) override { ++calls; }
    qint64 calls = 0;
};

// A user data file with kHistoryItems URLs and kCookies cookies spread over kServers hosts.
QByteArray makeUserData()
{
    QByteArray xml = "<?xml version=\"1.0\"?>\n<userdata>\n<cookies>\n"_ba;
    for (int s = 0; s < kServers; ++s) {
        xml += "<server name=\"host" + QByteArray::number(s) + ".example\">";
        for (int c = 0; c < kCookies / kServers; ++c)
            xml += "<cookie name=\"c" + QByteArray::number(c)
                + "\" value=\"0123456789abcdef\" path=\"/\" expires=\"Wed, 01 Jan 2031 00:00:00 "
                  "GMT\" block=\"False\" secure=\"False\"/>";
        xml += "</server>\n";
    }
    xml += "</cookies>\n<history>\n";
    for (int s = 0; s < kServers; ++s) {
        xml += "<server name=\"host" + QByteArray::number(s) + ".example\" port=\"80\">";
        for (int u = 0; u < kHistoryItems / kServers; ++u)
            xml += "<request><url>/section/" + QByteArray::number(u)
                + "/page.html?id=" + QByteArray::number(u * 7) + "</url></request>";
        xml += "</server>\n";
    }
    xml += "</history>\n</userdata>\n";
    return xml;
}

struct Fixture
{
    Fixture()
    {
        QFile file(QDir(dir.path()).filePath(u"pelorinuser.xml"_s));
        if (!file.open(QIODevice::WriteOnly) || file.write(makeUserData()) < 0)
            std::abort();
    }
    QTemporaryDir dir;
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_LoadUserData(benchmark::State& state)
{
    StderrMessageSink sink;
    for (auto _ : state) {
        AppData data(DataFolder(fixture().dir.path()), sink);
        CountingViewers viewers;
        data.cookies().setViewer(&viewers);
        data.history().setViewer(&viewers);
        data.history().setRequestLists(&viewers);
        if (data.LoadUserData() != AppData::UserDataState::Loaded)
            state.SkipWithError("user data did not load");
        benchmark::DoNotOptimize(viewers.calls);
    }
}
BENCHMARK(BM_LoadUserData)->Unit(benchmark::kMillisecond);

// Records kRecorded new URLs and stores kRecorded new cookies into the loaded document.
void BM_Record1000HistoryItemsAndCookies(benchmark::State& state)
{
    StderrMessageSink sink;
    for (auto _ : state) {
        state.PauseTiming();
        AppData data(DataFolder(fixture().dir.path()), sink);
        CountingViewers viewers;
        data.cookies().setViewer(&viewers);
        data.history().setViewer(&viewers);
        data.history().setRequestLists(&viewers);
        data.LoadUserData();
        state.ResumeTiming();
        for (int i = 0; i < kRecorded; ++i) {
            HTTPRequest request;
            request.Server = u"host"_s + QString::number(i % kServers) + u".example"_s;
            request.Port = u"80"_s;
            request.setURL(u"/new/"_s + QString::number(i));
            data.history().AddHistoryItem(request);
            Cookie cookie;
            cookie.setHost(request.Server);
            cookie.Name = u"new"_s + QString::number(i);
            cookie.Value = u"v"_s;
            cookie.Expires = u"Wed, 01 Jan 2031 00:00:00 GMT"_s;
            data.cookies().StoreCookie(cookie);
        }
        benchmark::DoNotOptimize(viewers.calls);
    }
}
BENCHMARK(BM_Record1000HistoryItemsAndCookies)->Unit(benchmark::kMillisecond);

void BM_SaveUserData(benchmark::State& state)
{
    StderrMessageSink sink;
    QTemporaryDir out;
    AppData data(DataFolder(fixture().dir.path()), sink);
    data.LoadUserData();
    for (auto _ : state) {
        if (!data.userData().save(QDir(out.path()).filePath(u"pelorinuser.xml"_s)))
            state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SaveUserData)->Unit(benchmark::kMillisecond);

void BM_GetHistoryURLs(benchmark::State& state)
{
    StderrMessageSink sink;
    AppData data(DataFolder(fixture().dir.path()), sink);
    data.LoadUserData();
    for (auto _ : state)
        benchmark::DoNotOptimize(data.history().GetHistoryURLs(u"host57.example"_s, u"80"_s));
}
BENCHMARK(BM_GetHistoryURLs)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
