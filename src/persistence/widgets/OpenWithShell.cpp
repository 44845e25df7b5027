#include "persistence/widgets/OpenWithShell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

std::function<bool(const QUrl&)>& shellOpener()
{
    static std::function<bool(const QUrl&)> opener;
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
    const bool opened
        = shellOpener() ? shellOpener()(checked.url) : QDesktopServices::openUrl(checked.url);
    if (!opened) {
        checked.error = u"No program could be started to open "_s
            + (checked.url.isLocalFile() ? QDir::toNativeSeparators(checked.url.toLocalFile())
                                         : checked.url.toString())
            + u'.';
        checked.url.clear();
    }
    return checked;
}

void setShellOpener(std::function<bool(const QUrl&)> opener)
{
    shellOpener() = std::move(opener);
}
