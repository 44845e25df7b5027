#include "persistence/widgets/OpenWithShell.h"

#include <QDesktopServices>
#include <QFileInfo>

namespace {

std::function<void(const QUrl&)>& shellOpener()
{
    static std::function<void(const QUrl&)> opener;
    return opener;
}

} // namespace

QUrl ShellUrl(const QString& target)
{
    const QUrl url(target);
    // A one-letter scheme is a drive letter ("C:\docs\a.txt"), not a scheme.
    if (url.isValid() && url.scheme().size() > 1)
        return url;
    return QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
}

ShellTarget OpenWithShell(const QString& target)
{
    ShellTarget checked = CheckShellTarget(target);
    if (!checked)
        return checked;
    if (shellOpener())
        shellOpener()(checked.url);
    else
        QDesktopServices::openUrl(checked.url);
    return checked;
}

void setShellOpener(std::function<void(const QUrl&)> opener)
{
    shellOpener() = std::move(opener);
}
