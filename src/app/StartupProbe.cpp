#include "app/StartupProbe.h"

#include <time.h>
#include <unistd.h>

#include <QFile>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace StartupProbe {

qint64 millisecondsSinceProcessStart()
{
    // Field 22 of /proc/self/stat is the start time in clock ticks after boot; the name in
    // field 2 may hold spaces, so fields are counted after its closing parenthesis.
    QFile stat(u"/proc/self/stat"_s);
    QFile uptime(u"/proc/uptime"_s);
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double upSeconds = uptime.readAll().split(' ').value(0).toDouble();
    if (fields.size() < 20 || upSeconds <= 0)
        return -1;
    const double startSeconds = fields.at(19).toDouble() / double(sysconf(_SC_CLK_TCK));
    return qint64((upSeconds - startSeconds) * 1000.0);
}

qint64 residentKilobytes()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

qint64 monotonicNanoseconds()
{
    timespec now {};
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0)
        return -1;
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

QString report()
{
    return u"startup_ms="_s + QString::number(millisecondsSinceProcessStart()) + u" rss_kb="_s
        + QString::number(residentKilobytes()) + u" monotonic_ns="_s
        + QString::number(monotonicNanoseconds());
}

} // namespace StartupProbe
