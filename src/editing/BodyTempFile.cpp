#include "editing/BodyTempFile.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

BodyTempFile::BodyTempFile(const QString& path)
    : m_path(path)
{ }

Result BodyTempFile::write(const QByteArray& bytes)
{
    // Written in place, not replaced: an editor that has the file open keeps the same file.
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()
        || !file.flush())
        return Result::failure(file.errorString());
    file.close();
    remember();
    return Result::success();
}

void BodyTempFile::remember()
{
    const QFileInfo info(m_path);
    m_time = info.exists() ? info.lastModified() : QDateTime();
    m_size = info.exists() ? info.size() : -1;
}

Result BodyTempFile::reset(const QByteArray& bytes)
{
    return write(bytes);
}

Result BodyTempFile::open(const QByteArray& bytes)
{
    Result written = write(bytes);
    if (written)
        m_open = true;
    return written;
}

Result BodyTempFile::check(std::optional<QByteArray>& edited)
{
    edited.reset();
    const bool wasOpen = m_open;
    m_open = false;
    const QFileInfo info(m_path);
    const QDateTime time = info.exists() ? info.lastModified() : QDateTime();
    const qint64 size = info.exists() ? info.size() : -1;
    const bool changed = info.exists()
        && (!m_time.isValid() || time > m_time || (time == m_time && size != m_size));
    m_time = time;
    m_size = size;
    if (!info.exists())
        return wasOpen ? Result::failure(u"The file no longer exists."_s) : Result::success();
    if (!changed)
        return Result::success();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return Result::failure(file.errorString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Result::failure(file.errorString());
    edited = std::move(bytes);
    return Result::success();
}
