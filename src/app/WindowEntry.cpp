#include "app/WindowEntry.h"

#include <QDir>

using namespace Qt::StringLiterals;

#ifndef PELORIN_WINDOW_MODULE_FROM_BIN
#define PELORIN_WINDOW_MODULE_FROM_BIN "../lib/pelorin"
#endif

QStringList WindowModuleCandidates(const QString& programFolder)
{
    const QDir folder(programFolder);
    const QString name = u"pelorin-window.so"_s;
    return { folder.filePath(name),
             QDir::cleanPath(
                 folder.filePath(QStringLiteral(PELORIN_WINDOW_MODULE_FROM_BIN) + u'/' + name)) };
}
