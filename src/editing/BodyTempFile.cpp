#include "editing/BodyTempFile.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

BodyTempFile::BodyTempFile(const QString& path)
    : m_path(path)
{ }

bool BodyTempFile::write(const QByteArray& bytes, QString* reason)
{
    // Written in place, not replaced: an editor that has the file open keeps the same file.
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()
        || !file.flush()) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    file.close();
    remember();
    return true;
}

void BodyTempFile::remember()
{
    const QFileInfo info(m_path);
    m_time = info.exists() ? info.lastModified() : QDateTime();
    m_size = info.exists() ? info.size() : -1;
}

bool BodyTempFile::reset(const QByteArray& bytes, QString* reason)
{
    return write(bytes, reason);
}

bool BodyTempFile::open(const QByteArray& bytes, QString* reason)
{
    if (!write(bytes, reason))
        return false;
    m_open = true;
    return true;
}

BodyTempFile::Check BodyTempFile::check(QByteArray& bytes, QString* reason)
{
    bytes.clear();
    const bool wasOpen = m_open;
    m_open = false;
    const QFileInfo info(m_path);
    const QDateTime time = info.exists() ? info.lastModified() : QDateTime();
    const qint64 size = info.exists() ? info.size() : -1;
    const bool changed = info.exists()
        && (!m_time.isValid() || time > m_time || (time == m_time && size != m_size));
    m_time = time;
    m_size = size;
    if (!info.exists()) {
        if (!wasOpen)
            return Check::Unchanged;
        if (reason)
            *reason = u"The file no longer exists."_s;
        return Check::Unreadable;
    }
    if (!changed)
        return Check::Unchanged;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (reason)
            *reason = file.errorString();
        return Check::Unreadable;
    }
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        bytes.clear();
        if (reason)
            *reason = file.errorString();
        return Check::Unreadable;
    }
    return Check::Changed;
}
