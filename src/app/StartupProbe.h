#pragma once

#include <QString>

// Start-up figures for the diagnostics option: time since the process started and the
// resident memory now.
namespace StartupProbe {

// Milliseconds since the process was started by the system; -1 when unknown.
qint64 millisecondsSinceProcessStart();
// Resident set size in kilobytes; -1 when unknown.
qint64 residentKilobytes();
// The system's start time counts in clock ticks (10 ms), too coarse for a start of tens of
// milliseconds; a caller that noted the monotonic clock before starting the program gets the
// exact figure from monotonic_ns.
qint64 monotonicNanoseconds();
// "startup_ms=<n> rss_kb=<n> monotonic_ns=<n>".
QString report();

} // namespace StartupProbe
