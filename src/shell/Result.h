#pragma once

#include <QString>

// The outcome of an operation that can fail: status 0 is success, any other status a failure
// whose text says why in words for a person or a log line. Test it with `if (result)`.
struct [[nodiscard]] Result
{
    qint32 status = 0; // 0 on success; the failure's number, -1 when it has none of its own
    QString text; // why it failed; empty on success

    explicit operator bool() const { return status == 0; }
    // Success: status 0, no text.
    static Result success() { return {}; }
    // A failure with its text; a status of 0 is taken as -1, so a failure never reads as success.
    static Result failure(const QString& text, qint32 status = -1)
    {
        return { status == 0 ? -1 : status, text };
    }
};
