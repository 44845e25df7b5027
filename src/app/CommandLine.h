#pragma once

#include "transport/ClientIdentity.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the program was asked to do on its command line.
struct CommandLine
{
    QString dataDir; // --data-dir, empty when not given
    QStringList sendFiles; // --send FILE [FILE ...]: headless run
    bool followRedirects = false; // --follow-redirects
    bool keepAlive = false; // --keep-alive: no "Connection: close"; files to one place share one
    double maxTime = 0; // --max-time SECONDS: the most one exchange may take; 0 for no limit
    double connectTimeout = 0; // --connect-timeout SECONDS: the most connecting may take; 0: none
    bool pipeline = false; // --pipeline: every file written on one connection at once
    int parallel = 0; // --parallel N: each file sent N times at once on N connections; 0: not
    std::optional<QString> proxy; // --proxy URL (checked; empty: no proxy)
    std::optional<QString> noProxy; // --noproxy LIST
    bool startupProbe = false; // --startup-probe: report start-up time and memory, then exit
    QString requestFile; // the one positional argument, opened at start-up
    QString toCurlFile; // --to-curl FILE: print the file's request as a curl command
    QString fromCurl; // --from-curl COMMAND (with --save FILE): write a request file
    QString savePath; // --save FILE
    // --cert FILE[:PASSPHRASE], --key FILE, --cert-type PEM|P12, --pass PHRASE, --cacert FILE: the
    // TLS choice of every target, overriding the saved ones; unset when none of them is given.
    std::optional<TargetTls> tls;
    std::optional<QString>
        pass; // --pass PHRASE: also for the keys of the saved client certificates
    bool showHelp = false;
    bool showVersion = false;
    QString error; // one line describing bad input; empty when the line was understood

    bool headless() const { return !sendFiles.isEmpty(); }
    bool curlConversion() const { return !toCurlFile.isEmpty() || !fromCurl.isEmpty(); }
};

// Parses the arguments (the program name first). Never exits: help, version and errors
// are reported in the result.
CommandLine ParseCommandLine(const QStringList& arguments);

// The text of --help.
QString CommandLineHelp();

// The program's arguments (its name first) without the options the window system takes for
// itself (-platform NAME, -style NAME, -reverse and the like, with one dash or two), which a
// windowed start hands to Qt.
QStringList ProgramArguments(int argc, char** argv);

// True when a window can be shown: DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM is set, or the
// arguments name a platform with -platform.
bool DisplayAvailable(int argc, char** argv);
