#include "shell/CommandLine.h"

#include <QCommandLineParser>

using namespace Qt::StringLiterals;

namespace {

struct Parser
{
    QCommandLineParser parser;
    QCommandLineOption dataDir { u"data-dir"_s,
                                 u"Keep configuration, cookies and history in DIR."_s, u"DIR"_s };
    QCommandLineOption send { u"send"_s,
                              u"Send the request files without a window; the raw responses go to "
                              "standard output, the log to standard error."_s };
    QCommandLineOption follow { u"follow-redirects"_s,
                                u"With --send: follow redirects (at most 20 per file)."_s };
    QCommandLineOption probe { u"startup-probe"_s,
                               u"Report the time until the main window is idle and the memory "
                               "then, and exit."_s };
    QCommandLineOption help { QStringList { u"h"_s, u"help"_s }, u"Show this help."_s };
    QCommandLineOption version { QStringList { u"v"_s, u"version"_s }, u"Show the version."_s };

    Parser()
    {
        parser.setApplicationDescription(u"Pelorin HTTP User-Agent: compose, send and inspect "
                                         "raw HTTP/1.x requests."_s);
        parser.addOptions({ dataDir, send, follow, probe, help, version });
        parser.addPositionalArgument(u"file"_s,
                                     u"A request file (.phr) to open, or with --send "
                                     "the request files to send in order."_s,
                                     u"[file...]"_s);
    }
};

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    Parser p;
    CommandLine line;
    if (!p.parser.parse(arguments)) {
        line.error = p.parser.errorText();
        return line;
    }
    line.showHelp = p.parser.isSet(p.help);
    line.showVersion = p.parser.isSet(p.version);
    line.dataDir = p.parser.value(p.dataDir);
    line.followRedirects = p.parser.isSet(p.follow);
    line.startupProbe = p.parser.isSet(p.probe);
    const QStringList positional = p.parser.positionalArguments();
    if (p.parser.isSet(p.send)) {
        line.sendFiles = positional;
        if (line.sendFiles.isEmpty())
            line.error = u"--send needs at least one request file."_s;
    } else if (positional.size() > 1) {
        line.error = u"Only one request file can be opened: "_s + positional.join(u' ');
    } else if (!positional.isEmpty()) {
        line.requestFile = positional.first();
    }
    if (line.followRedirects && !line.headless() && line.error.isEmpty())
        line.error = u"--follow-redirects works only with --send."_s;
    return line;
}

QString CommandLineHelp()
{
    return Parser().parser.helpText();
}

bool WantsHeadless(int argc, char** argv)
{
    // The parser itself decides, so every spelling it accepts for help, version or a scripted
    // run ("--h", "-hv"), and every bad command line, which is only reported, needs no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine line = ParseCommandLine(arguments);
    return line.headless() || line.showHelp || line.showVersion || !line.error.isEmpty();
}
