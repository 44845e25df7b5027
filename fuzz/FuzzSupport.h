#pragma once

#include "shell/LogSink.h"
#include "shell/MessageSink.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <string>

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
