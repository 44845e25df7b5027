#include "app/CommandLine.h"

#include "editing/CurlCommand.h"
#include "transport/ExchangeSequence.h"
#include "transport/ProxyChoice.h"
#include "transport/SynchronisedSend.h"

#include <QCommandLineParser>

#include <cstring>
#include <utility>

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
    QCommandLineOption keepAlive { u"keep-alive"_s,
                                   u"With --send: send without 'Connection: close' and reuse one "
                                   "connection for the files that share host, port and TLS."_s };
    QCommandLineOption maxTime { u"max-time"_s,
                                 u"With --send: the most one exchange may take; each redirect "
                                 "follow-up counts on its own. Past it the exchange fails."_s,
                                 u"SECONDS"_s };
    QCommandLineOption connectTimeout {
        u"connect-timeout"_s,
        u"With --send: the most connecting (TLS handshake included) may take."_s, u"SECONDS"_s
    };
    QCommandLineOption pipeline { u"pipeline"_s,
                                  u"With --send: write every file's request on one connection at "
                                  "once (to the first file's host), then split the responses."_s };
    QCommandLineOption parallel { u"parallel"_s,
                                  u"With --send: send each file N times at once, one connection "
                                  "each, the last bytes released together (N from 1 to 50)."_s,
                                  u"N"_s };
    QCommandLineOption proxy { u"proxy"_s,
                               u"With --send: go through this proxy (http://, socks5://, "
                               "socks5h://; user:password@ before the host) instead of the saved "
                               "setting; \"\" for none."_s,
                               u"URL"_s };
    QCommandLineOption noProxy { u"noproxy"_s,
                                 u"With --send: hosts reached without the proxy (comma-separated "
                                 "names, addresses, ranges; * for all), instead of no_proxy."_s,
                                 u"LIST"_s };
    QCommandLineOption probe { u"startup-probe"_s,
                               u"Report the time until the main window is idle and the memory "
                               "then, and exit."_s };
    QCommandLineOption toCurl { u"to-curl"_s,
                                u"Print the request file FILE as a curl command that sends the "
                                "same bytes as --send."_s,
                                u"FILE"_s };
    QCommandLineOption fromCurl { u"from-curl"_s,
                                  u"Read a curl command (one argument, quoted) and write it as the "
                                  "request file given with --save."_s,
                                  u"COMMAND"_s };
    QCommandLineOption save { u"save"_s, u"With --from-curl: the request file to write."_s,
                              u"FILE"_s };
    QCommandLineOption cert {
        u"cert"_s,
        u"With --send: the client certificate (PEM, with its key unless --key "
        "names it, or a PKCS#12 bundle) and the key's passphrase; write a ':' "
        "of the file name as '\\:'."_s,
        u"FILE[:PASSPHRASE]"_s
    };
    QCommandLineOption key { u"key"_s, u"With --cert: the PEM private key."_s, u"FILE"_s };
    QCommandLineOption certType { u"cert-type"_s, u"With --cert: PEM (the default) or P12."_s,
                                  u"TYPE"_s };
    QCommandLineOption pass {
        u"pass"_s,
        u"With --send: the passphrase of the key or the PKCS#12 bundle, for --cert "
        "and the saved client certificates."_s,
        u"PHRASE"_s
    };
    QCommandLineOption cacert { u"cacert"_s,
                                u"With --send: trust the CA certificates of this PEM file besides "
                                "the system's."_s,
                                u"FILE"_s };
    QCommandLineOption help { QStringList { u"h"_s, u"help"_s }, u"Show this help."_s };
    QCommandLineOption version { QStringList { u"v"_s, u"version"_s }, u"Show the version."_s };

    Parser()
    {
        parser.setApplicationDescription(u"Pelorin HTTP User-Agent: compose, send and inspect "
                                         "raw HTTP/1.x requests."_s);
        parser.addOptions({ dataDir, send, follow, keepAlive, maxTime, connectTimeout, proxy,
                            noProxy, probe, toCurl, fromCurl, save, help, version });
        parser.addOptions({ pipeline, parallel });
        parser.addOptions({ cert, key, certType, pass, cacert });
        parser.addPositionalArgument(u"file"_s,
                                     u"A request file (.phr) to open, or with --send "
                                     "the request files to send in order."_s,
                                     u"[file...]"_s);
    }
};

// curl's names and meaning; the passphrase given in --cert wins over --pass.
void readTlsOptions(const Parser& p, CommandLine& line)
{
    const QCommandLineParser& parser = p.parser;
    const bool any = parser.isSet(p.cert) || parser.isSet(p.key) || parser.isSet(p.certType)
        || parser.isSet(p.pass) || parser.isSet(p.cacert);
    if (!any || !line.error.isEmpty())
        return;
    TargetTls tls;
    ClientIdentity& identity = tls.identity;
    SplitCertArgument(parser.value(p.cert), identity.certFile, identity.passphrase);
    if (!identity.passphrase && parser.isSet(p.pass))
        identity.passphrase = parser.value(p.pass);
    identity.keyFile = parser.value(p.key);
    tls.caFile = parser.value(p.cacert);
    if (parser.isSet(p.certType) && !ParseCertType(parser.value(p.certType), identity.type))
        line.error = u"--cert-type must be PEM or P12: "_s + parser.value(p.certType);
    else if (!identity.isSet() && (parser.isSet(p.key) || parser.isSet(p.certType)))
        line.error = u"--key and --cert-type work only with --cert."_s;
    else if (parser.isSet(p.cacert) && tls.caFile.isEmpty())
        line.error = u"--cacert needs a file."_s;
    else if (!line.headless())
        line.error = u"--cert, --key, --cert-type, --pass and --cacert work only with --send."_s;
    else if (identity.isSet() || !tls.caFile.isEmpty())
        line.tls = tls;
    if (line.error.isEmpty() && parser.isSet(p.pass))
        line.pass = parser.value(p.pass);
}

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
    line.keepAlive = p.parser.isSet(p.keepAlive);
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
    if (line.keepAlive && !line.headless() && line.error.isEmpty())
        line.error = u"--keep-alive works only with --send."_s;
    line.toCurlFile = p.parser.value(p.toCurl);
    line.fromCurl = p.parser.value(p.fromCurl);
    line.savePath = p.parser.value(p.save);
    if (line.error.isEmpty()) {
        if (p.parser.isSet(p.toCurl) && line.toCurlFile.isEmpty())
            line.error = u"--to-curl needs a request file."_s;
        else if (p.parser.isSet(p.fromCurl) && line.fromCurl.trimmed().isEmpty())
            line.error = u"--from-curl needs a curl command."_s;
        else if (line.curlConversion() && (line.headless() || !positional.isEmpty()))
            line.error = u"--to-curl and --from-curl take no other request files."_s;
        else if (!line.toCurlFile.isEmpty() && !line.fromCurl.isEmpty())
            line.error = u"--to-curl and --from-curl cannot be combined."_s;
        else if (!line.fromCurl.isEmpty() && line.savePath.isEmpty())
            line.error = u"--from-curl needs --save FILE."_s;
        else if (p.parser.isSet(p.save) && line.fromCurl.isEmpty())
            line.error = u"--save works only with --from-curl."_s;
    }
    // Sequences: one way of sending at a time, and only from a script.
    line.pipeline = p.parser.isSet(p.pipeline);
    if (p.parser.isSet(p.parallel) && line.error.isEmpty()) {
        bool ok = false;
        line.parallel = p.parser.value(p.parallel).toInt(&ok);
        if (!ok || line.parallel < 1 || line.parallel > SynchronisedSend::kMaxConnections)
            line.error = u"--parallel needs a number from 1 to %1: "_s.arg(
                             SynchronisedSend::kMaxConnections)
                + p.parser.value(p.parallel);
    }
    if (line.error.isEmpty() && (line.pipeline || line.parallel > 0)) {
        const QString name = line.pipeline ? u"--pipeline"_s : u"--parallel"_s;
        if (!line.headless())
            line.error = name + u" works only with --send."_s;
        else if (line.pipeline && line.sendFiles.size() > ExchangeSequence::kMaxRequests)
            line.error = u"--pipeline sends at most %1 files on one connection."_s.arg(
                ExchangeSequence::kMaxRequests);
        else if (line.pipeline && line.parallel > 0)
            line.error = u"--pipeline and --parallel cannot be combined."_s;
        else if (line.keepAlive || line.followRedirects || p.parser.isSet(p.connectTimeout))
            line.error = name
                + u" cannot be combined with --keep-alive, --follow-redirects or "
                  "--connect-timeout."_s;
    }
    if (p.parser.isSet(p.proxy))
        line.proxy = p.parser.value(p.proxy);
    if (p.parser.isSet(p.noProxy))
        line.noProxy = p.parser.value(p.noProxy);
    if ((line.proxy || line.noProxy) && line.error.isEmpty()) {
        ProxyServer server;
        if (!line.headless())
            line.error
                = (line.proxy ? u"--proxy"_s : u"--noproxy"_s) + u" works only with --send."_s;
        else if (const Result parsed = ParseProxyUrl(line.proxy.value_or(QString()), server);
                 line.proxy && !line.proxy->trimmed().isEmpty() && !parsed)
            line.error = u"--proxy: "_s + parsed.text;
    }
    for (const auto& [option, seconds] :
         { std::pair { &p.maxTime, &line.maxTime },
           std::pair { &p.connectTimeout, &line.connectTimeout } }) {
        if (!p.parser.isSet(*option) || !line.error.isEmpty())
            continue;
        const QString name = u"--"_s + option->names().constFirst();
        bool ok = false;
        *seconds = p.parser.value(*option).toDouble(&ok);
        // curl's meaning: decimal seconds; a limit of zero or less, or beyond a day's worth of
        // milliseconds in an int, is a mistake.
        if (!ok || !(*seconds > 0) || *seconds > 2e6)
            line.error
                = name + u" needs a number of seconds greater than 0: "_s + p.parser.value(*option);
        else if (!line.headless())
            line.error = name + u" works only with --send."_s;
    }
    readTlsOptions(p, line);
    return line;
}

QString CommandLineHelp()
{
    QString text = Parser().parser.helpText();
    // Qt names the program as it was started, often by a full path; help and the man page made
    // from it name the installed command.
    const QString usage = u"Usage: "_s;
    const qsizetype end = text.indexOf(u" [options]");
    if (text.startsWith(usage) && end > usage.size())
        text.replace(usage.size(), end - usage.size(), u"pelorin"_s);
    return text;
}

namespace {

// Qt's own options for windowed programs, and whether each takes the next argument.
struct QtOption
{
    const char* name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = {
    { "platform", true },        { "platformpluginpath", true },
    { "platformtheme", true },   { "plugin", true },
    { "qwindowgeometry", true }, { "qwindowicon", true },
    { "qwindowtitle", true },    { "session", true },
    { "display", true },         { "geometry", true },
    { "style", true },           { "stylesheet", true },
    { "reverse", false },        { "widgetcount", false },
    { "qmljsdebugger", false },
};

// The Qt option arg names (without its dashes and any "=value"), or null.
const QtOption* qtOption(const char* arg)
{
    if (arg[0] != '-')
        return nullptr;
    const char* name = arg[1] == '-' ? arg + 2 : arg + 1;
    const size_t length = std::strcspn(name, "=");
    for (const QtOption& option : kQtOptions) {
        if (std::strlen(option.name) == length && std::strncmp(name, option.name, length) == 0)
            return &option;
    }
    return nullptr;
}

} // namespace

QStringList ProgramArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        if (i > 0) {
            if (const QtOption* option = qtOption(argv[i])) {
                if (option->takesValue && !std::strchr(argv[i], '='))
                    ++i;
                continue;
            }
        }
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    return arguments;
}

bool DisplayAvailable(int argc, char** argv)
{
    for (const char* variable : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" }) {
        if (!qEnvironmentVariableIsEmpty(variable))
            return true;
    }
    for (int i = 1; i < argc; ++i) {
        if (const QtOption* option = qtOption(argv[i]);
            option && std::strcmp(option->name, "platform") == 0)
            return true;
    }
    return false;
}
