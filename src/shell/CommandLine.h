#pragma once

#include <QString>
#include <QStringList>

// What the program was asked to do on its command line.
struct CommandLine
{
    QString dataDir; // --data-dir, empty when not given
    QStringList sendFiles; // --send FILE [FILE ...]: headless run
    bool followRedirects = false; // --follow-redirects
    double maxTime = 0; // --max-time SECONDS: the most one exchange may take; 0 for no limit
    double connectTimeout = 0; // --connect-timeout SECONDS: the most connecting may take; 0: none
    bool startupProbe = false; // --startup-probe: report start-up time and memory, then exit
    QString requestFile; // the one positional argument, opened at start-up
    QString toCurlFile; // --to-curl FILE: print the file's request as a curl command
    QString fromCurl; // --from-curl COMMAND (with --save FILE): write a request file
    QString savePath; // --save FILE
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

// True when the arguments ask for a run without a display (checked before Qt starts).
bool WantsHeadless(int argc, char** argv);
