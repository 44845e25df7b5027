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

// The same steps as QSaveFile without its fdatasync: the new contents go to a file of their
// own in the target's folder, which is then renamed over the target. The file is unnamed
// until complete, so a program killed while writing leaves nothing behind; where the file
// system or a missing /proc does not allow that, it is written under its temporary name.
Result replaceUnsynced(const QString& path, const QByteArray& bytes)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isWritable())
        return Result::failure(u"Existing file %1 is not writable"_s.arg(path));
    const QByteArray folder = QFile::encodeName(target.absolutePath());
    const QByteArray name = QFile::encodeName(target.absoluteFilePath());
    const QByteArray temporary = name + ".save-" + QByteArray::number(qint64(::getpid()));
    struct stat existing
    {
    };
    const bool hasExisting = ::stat(name.constData(), &existing) == 0;
    const auto fill = [&](int fd) {
        return (!hasExisting || ::fchmod(fd, existing.st_mode & 07777) == 0) && writeAll(fd, bytes);
    };
    const auto fail = [&](int fd) {
        const Result failed = systemFailure();
        if (fd >= 0)
            ::close(fd);
        ::unlink(temporary.constData());
        return failed;
    };

    ::unlink(temporary.constData()); // left by an earlier, killed run with the same number
    int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    bool named = false;
    if (fd >= 0) {
        if (!fill(fd))
            return fail(fd);
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        named = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temporary.constData(),
                         AT_SYMLINK_FOLLOW)
            == 0;
        if (!named)
            ::close(fd);
    }
    if (!named) {
        fd = ::open(temporary.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd < 0 || !fill(fd))
            return fail(fd);
    }
    if (::close(fd) != 0)
        return fail(-1);
    if (::rename(temporary.constData(), name.constData()) != 0)
        return fail(-1);
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
