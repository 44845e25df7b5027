#include "FuzzSupport.h"
#include "shell/CommandLine.h"

#include <string>
#include <vector>

// Any arguments (split at NUL bytes): parsing never faults, and the check made before Qt starts
// asks for no display exactly when the parser's result opens no window.
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
    const bool windowless
        = line.headless() || line.showHelp || line.showVersion || !line.error.isEmpty();
    FUZZ_CHECK(WantsHeadless(int(argv.size()), argv.data()) == windowless);
    return 0;
}
