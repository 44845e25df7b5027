#pragma once

#include "shell/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// The body's temporary file for an external editor ("~bodytmp.txt"): written with the body's
// exact bytes, read back exactly once the editor has saved it. While it is open the body lives
// in the file and the body box shows a placeholder; the next check closes it again.
class BodyTempFile final
{
public:
    explicit BodyTempFile(const QString& path);

    const QString& path() const { return m_path; }

    // Replaces the file by bytes and remembers its state; open() also starts the editor mode.
    // Fails with the reason when the file cannot be written; the editor mode is unchanged then.
    Result reset(const QByteArray& bytes);
    Result open(const QByteArray& bytes);
    // True between open() and the next check() or close().
    bool isOpen() const { return m_open; }
    // Ends the editor mode without looking at the file.
    void close() { m_open = false; }

    // Looks at the file and ends the editor mode. It counts as changed when its modification time
    // is later than the one last seen, or the same with another size (clocks that tick in
    // seconds); edited then holds its exact contents, and otherwise no value: the body stays as it
    // was. Fails with the reason when the file changed (or vanished while open) but cannot be
    // read. The state seen is remembered in every case, so one failure is reported once.
    Result check(std::optional<QByteArray>& edited);

private:
    Result write(const QByteArray& bytes);
    void remember();

    QString m_path;
    QDateTime m_time; // invalid when the file was missing
    qint64 m_size = -1;
    bool m_open = false;
};
