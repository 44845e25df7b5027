#pragma once

#include <QByteArray>
#include <QString>

// A form body as it goes on the wire, with what the body box shows of it.
struct FormBody
{
    QByteArray body; // the exact bytes to send; Content-length counts these
    QString contentType; // the Content-type value, with its boundary parameter when multipart
    QString displayText; // readable rendering: binary file contents replaced by a placeholder
    QString error; // why no body could be made; empty on success

    explicit operator bool() const { return error.isEmpty(); }
};
