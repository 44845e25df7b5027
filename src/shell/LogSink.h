#pragma once

#include <QString>

// Receives the plain progress lines of an exchange (the result window's log).
class LogSink
{
public:
    virtual ~LogSink() = default;
    // Appends one line; an empty message is a line of its own.
    virtual void AddToLog(const QString& message) = 0;
};
