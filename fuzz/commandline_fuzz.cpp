#include "FuzzSupport.h"
#include "app/CommandLine.h"

#include <string>
#include <vector>

// Any arguments (split at NUL bytes): taking Qt's window options out and parsing never fault,
// and nothing but those options is taken out.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> args { "pelorin" };
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += char(data[i]);
        }
    }
    args.push_back(current);

    QStringList arguments;
    std::vector<char*> argv;
    for (std::string& a : args) {
        arguments.append(QString::fromLocal8Bit(a.c_str()));
        argv.push_back(a.data());
    }
    // What reaches the parser is the input in order, less Qt's own window options.
    const QStringList kept = ProgramArguments(int(argv.size()), argv.data());
    FUZZ_CHECK(!kept.isEmpty() && kept.first() == arguments.first());
    qsizetype j = 0;
    for (const QString& a : kept) {
        while (j < arguments.size() && arguments.at(j) != a)
            ++j;
        FUZZ_CHECK(j < arguments.size());
        ++j;
    }
    (void)ParseCommandLine(kept);
    return 0;
}
