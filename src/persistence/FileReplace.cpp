#include "persistence/FileReplace.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#endif

using namespace Qt::StringLiterals;

namespace {

Result replaceSynced(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // commit() misses errors of the final buffered write (a full disk), so flush first.
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()
        || !file.commit()) {
        const Result failed = Result::failure(file.errorString());
        file.cancelWriting();
        return failed;
    }
    return Result::success();
}

#ifdef Q_OS_UNIX
Result systemFailure()
{
    return Result::failure(QString::fromLocal8Bit(std::strerror(errno)));
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

// The same steps as QSaveFile without its fdatasync: an unnamed file in the target's folder,
// given a name only once complete, then renamed over the target.
Result replaceUnsynced(const QString& path, const QByteArray& bytes)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isWritable())
        return Result::failure(u"Existing file %1 is not writable"_s.arg(path));
    const QByteArray folder = QFile::encodeName(target.absolutePath());
    const QByteArray name = QFile::encodeName(target.absoluteFilePath());
    struct stat existing
    {
    };
    const bool hasExisting = ::stat(name.constData(), &existing) == 0;

    QByteArray temporary;
    int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    const bool unnamed = fd >= 0;
    if (!unnamed) {
        // Some file systems have no unnamed files; a named one is removed on failure.
        temporary = name + ".save-" + QByteArray::number(qint64(::getpid()));
        fd = ::open(temporary.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd < 0)
            return systemFailure();
    }
    auto fail = [&] {
        const Result failed = systemFailure();
        ::close(fd);
        if (!temporary.isEmpty())
            ::unlink(temporary.constData());
        return failed;
    };
    if (hasExisting && ::fchmod(fd, existing.st_mode & 07777) != 0)
        return fail();
    if (!writeAll(fd, bytes))
        return fail();
    if (unnamed) {
        temporary = name + ".save-" + QByteArray::number(qint64(::getpid()));
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        ::unlink(temporary.constData()); // a leftover of a killed run
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temporary.constData(), AT_SYMLINK_FOLLOW)
            != 0) {
            temporary.clear();
            return fail();
        }
    }
    if (::rename(temporary.constData(), name.constData()) != 0)
        return fail();
    if (::close(fd) != 0)
        return systemFailure();
    return Result::success();
}
#endif

} // namespace

Result ReplaceFile(const QString& path, const QByteArray& bytes, Flush flush)
{
#ifdef Q_OS_UNIX
    if (flush == Flush::ToSystem)
        return replaceUnsynced(path, bytes);
#endif
    return replaceSynced(path, bytes);
}
