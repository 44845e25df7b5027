#pragma once

#include "shell/LogSink.h"
#include "shell/MessageSink.h"
#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// A property the code promises; a broken one is a finding like a crash, and libFuzzer keeps
// the input that broke it.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// Input bytes read as UTF-8 text, as the program reads what it is given.
inline QString fuzzText(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// Up to 16 chunk lengths the input chooses, read before whatever the target reads next.
inline std::vector<uint16_t> chunkLengths(FuzzedDataProvider& in)
{
    std::vector<uint16_t> lengths(in.ConsumeIntegralInRange<size_t>(0, 16));
    for (uint16_t& len : lengths)
        len = in.ConsumeIntegral<uint16_t>();
    return lengths;
}

// Hands all to feed in the chunks lengths chose, the rest as the last one: feed(piece, last).
template<typename Feed>
void feedInChunks(const QByteArray& all, const std::vector<uint16_t>& lengths, Feed feed)
{
    qsizetype at = 0;
    for (const uint16_t wanted : lengths) {
        const qsizetype len = std::min<qsizetype>(wanted, all.size() - at);
        feed(all.mid(at, len), false);
        at += len;
    }
    feed(all.mid(at), true);
}

// Sinks that take everything and keep nothing: a fuzz run never waits for anyone.
class QuietSinks final : public MessageSink, public LogSink
{
public:
    void showMessage(const QString&, const QString&, Icon) override { ++messages; }
    bool askYesNo(const QString&, const QString&) override { return false; }
    void AddToLog(const QString&) override { }
    int messages = 0;
};

// Qt's warnings (an invalid XPath the input made up, say) would flood the run's output.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}
