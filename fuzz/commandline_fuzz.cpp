#include "FuzzSupport.h"
#include "shell/CommandLine.h"

#include <string>
#include <vector>

// Any arguments (split at NUL bytes): parsing never faults, and the early headless check
// agrees with the parser whenever the parser asks for a run without a display.
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
    const CommandLine line = ParseCommandLine(arguments);
    if (line.error.isEmpty() && (line.headless() || line.showHelp || line.showVersion))
        FUZZ_CHECK(WantsHeadless(int(argv.size()), argv.data()));
    return 0;
}
