#include "app/widgets/frmManual.h"

#include "persistence/widgets/OpenWithShell.h"
#include "shell/MessageSink.h"

#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

frmManual::frmManual(MessageSink& messages, QWidget* parent)
    : FramedWindow(u" Manual && License Agreement"_s, 8400, 7335, parent)
    , m_messages(messages)
    , rtfManual(new QTextBrowser(content()))
{
    setObjectName(u"frmManual"_s);
    rtfManual->setObjectName(u"rtfManual"_s);
    // Every link passes the same rule as the control panel's before the desktop sees it.
    rtfManual->setOpenLinks(false);
    rtfManual->setMarkdown(manualText());
    auto* rows = new QVBoxLayout(content());
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addWidget(rtfManual);
    connect(rtfManual, &QTextBrowser::anchorClicked, this, &frmManual::openLink);
}

frmManual::~frmManual() = default;

QString frmManual::manualText()
{
    QFile file(u":/manual.md"_s);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

void frmManual::openLink(const QUrl& url)
{
    if (url.scheme().isEmpty() && url.path().isEmpty()) {
        rtfManual->scrollToAnchor(url.fragment());
        return;
    }
    const ShellTarget opened = OpenWithShell(url.toString());
    if (!opened)
        m_messages.showMessage(opened.error, u"Error"_s, MessageSink::Icon::Warning);
}
