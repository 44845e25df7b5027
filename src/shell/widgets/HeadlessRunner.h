#pragma once

#include <QStringList>

class DataFolder;

// Sends request files without a display, exactly as the Send button does: the raw response
// bytes go to standard output as they arrive, the log to standard error.
class HeadlessRunner final
{
public:
    // Exit statuses of a run.
    enum Status { Sent = 0, Failed = 1, BadInput = 2 };

    HeadlessRunner(const DataFolder& folder, const QStringList& files, bool followRedirects);

    // Starts like the program, sends every file in order and saves the user data at the end.
    // Checks every file before anything is sent.
    int run();

    // Redirects followed per file at most.
    static constexpr int kMaxRedirects = 20;

private:
    const DataFolder& m_folder;
    QStringList m_files;
    bool m_follow;
};
