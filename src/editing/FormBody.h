#pragma once

#include "message/BodySource.h"

#include <QByteArray>
#include <QList>
#include <QString>

// A form body as it goes on the wire, with what the body box shows of it.
struct FormBody
{
    QByteArray body; // the exact bytes to send; Content-length counts these
    // When not empty, the body instead: bytes in memory and large files read when sent.
    QList<BodyPiece> pieces;
    QString contentType; // the Content-type value, with its boundary parameter when multipart
    QString displayText; // readable rendering: binary file contents replaced by a placeholder
    QString error; // why no body could be made; empty on success

    explicit operator bool() const { return error.isEmpty(); }
    // Bytes on the wire.
    qint64 size() const
    {
        qint64 total = body.size();
        for (const BodyPiece& piece : pieces)
            total += piece.size();
        return total;
    }
};
