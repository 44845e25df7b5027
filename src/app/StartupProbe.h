#pragma once

#include <QString>

// Start-up figures for the diagnostics option: time since the process started and the
// resident memory now.
namespace StartupProbe {

// Milliseconds since the process was started by the system; -1 when unknown.
qint64 millisecondsSinceProcessStart();
// Resident set size in kilobytes; -1 when unknown.
qint64 residentKilobytes();
// "startup_ms=<n> rss_kb=<n>".
QString report();

} // namespace StartupProbe
