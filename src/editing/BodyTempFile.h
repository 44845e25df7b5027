#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The body's temporary file for an external editor ("~bodytmp.txt"): written with the body's
// exact bytes, read back exactly once the editor has saved it. While it is open the body lives
// in the file and the body box shows a placeholder; the next check closes it again.
class BodyTempFile final
{
public:
    explicit BodyTempFile(const QString& path);

    const QString& path() const { return m_path; }

    // Replaces the file by bytes and remembers its state; open() also starts the editor mode.
    // Returns false with *reason (when given) when the file cannot be written; the editor mode
    // is unchanged then.
    bool reset(const QByteArray& bytes, QString* reason = nullptr);
    bool open(const QByteArray& bytes, QString* reason = nullptr);
    // True between open() and the next check() or close().
    bool isOpen() const { return m_open; }
    // Ends the editor mode without looking at the file.
    void close() { m_open = false; }

    enum class Check {
        Unchanged, // nothing to take: the body stays as it was
        Changed, // the file was saved since it was last looked at: bytes hold its contents
        Unreadable, // the file changed (or vanished while open) but cannot be read
    };
    // Looks at the file. It counts as changed when its modification time is later than the one
    // last seen, or the same with another size (clocks that tick in seconds). The state seen is
    // remembered in every case, so one failure is reported once, and the editor mode ends.
    Check check(QByteArray& bytes, QString* reason = nullptr);

private:
    bool write(const QByteArray& bytes, QString* reason);
    void remember();

    QString m_path;
    QDateTime m_time; // invalid when the file was missing
    qint64 m_size = -1;
    bool m_open = false;
};
