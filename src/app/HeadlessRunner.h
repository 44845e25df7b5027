#pragma once

#include "app/CommandLine.h"

class BrowserSession;
class DataFolder;
class HTTPRequest;
class SignalWatcher;

template<typename T> class QList;

// Sends request files without a display, exactly as the Send button does: the raw response
// bytes go to standard output as they arrive, the log to standard error.
class HeadlessRunner final
{
public:
    // Exit statuses of a run.
    enum Status { Sent = 0, Failed = 1, BadInput = 2 };

    // line gives the files, --follow-redirects, --keep-alive and the time limits.
    HeadlessRunner(const DataFolder& folder, const CommandLine& line);

    // Starts like the program, sends every file in order and saves the user data after each
    // exchange that changed it and at the end. Checks every file before anything is sent.
    // SIGTERM, SIGINT and SIGHUP cancel the exchange under way, save and return 128 + the
    // signal's number; a failed save makes the status Failed.
    int run();

    // Redirects followed per file at most.
    static constexpr int kMaxRedirects = 20;

private:
    // --pipeline and --parallel: sends prepared requests as the line asks; false when one
    // failed. Stops early once *stopSignal is set.
    bool sendSequences(const QList<HTTPRequest>& prepared, BrowserSession& session,
                       SignalWatcher& watcher, const int& stopSignal);

    const DataFolder& m_folder;
    CommandLine m_line;
};
