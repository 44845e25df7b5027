#include "persistence/TextFile.h"

#include "persistence/ErrorCodes.h"
#include "shell/MessageSink.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

qint32 readErrorNumber(const QFileInfo& info)
{
    if (!info.exists())
        return ErrorCode::FileNotFound;
    return info.isReadable() ? ErrorCode::FileAccess : ErrorCode::PermissionDenied;
}

qint32 writeErrorNumber(const QFileInfo& info)
{
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return ErrorCode::FileNotFound;
    return folder.isWritable() ? ErrorCode::FileAccess : ErrorCode::PermissionDenied;
}

} // namespace

qint32 ReadTextFile(const QString& path, QString& contents, MessageSink& sink)
{
    contents.clear();
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        const qint32 number = readErrorNumber(QFileInfo(path));
        sink.showMessage(u"Error reading file: "_s + file.errorString(), u"Error:"_s,
                         MessageSink::Icon::Error);
        return number;
    }
    contents = QString::fromUtf8(bytes);
    return ErrorCode::Ok;
}

qint32 WriteTextFile(const QString& path, const QString& contents, MessageSink& sink)
{
    const QFileInfo info(path);
    // Root may write anything, so a missing owner write bit counts as read-only too.
    if (info.exists()
        && (info.isHidden() || !info.isWritable()
            || !info.permissions().testFlag(QFileDevice::WriteOwner))) {
        sink.showMessage(u"Error writing file: Cannot overwrite read-only/system/hidden files!"_s,
                         u"Error:"_s, MessageSink::Icon::Error);
        return ErrorCode::Own;
    }
    QSaveFile file(path);
    const QByteArray bytes = contents.toUtf8();
    // commit() misses errors of the final buffered write (a full disk), so flush first.
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()
        || !file.commit()) {
        const qint32 number = writeErrorNumber(info);
        sink.showMessage(u"Error writing file: "_s + file.errorString(), u"Error:"_s,
                         MessageSink::Icon::Error);
        return number;
    }
    return ErrorCode::Ok;
}
