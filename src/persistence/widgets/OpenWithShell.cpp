#include "persistence/widgets/OpenWithShell.h"

#include <QDesktopServices>
#include <QFileInfo>

QUrl ShellUrl(const QString& target)
{
    const QUrl url(target);
    // A one-letter scheme is a drive letter ("C:\docs\a.txt"), not a scheme.
    if (url.isValid() && url.scheme().size() > 1)
        return url;
    return QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
}

void OpenWithShell(const QString& target)
{
    QDesktopServices::openUrl(ShellUrl(target));
}
