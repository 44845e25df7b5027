#include "app/widgets/frmNeedMSXML.h"

#include "BuildInfo.h"
#include "persistence/widgets/OpenWithShell.h"
#include "shell/Twips.h"
#include "shell/widgets/MessageBoxSink.h"
#include "shell/widgets/ctrlFormBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

frmNeedMSXML::frmNeedMSXML(QWidget* parent)
    : FramedDialog(parent)
    , lblMessage(new QLabel(this))
    , lblURL(new QLabel(this))
    , cmdOK(new QPushButton(u"Ok"_s, this))
{
    setObjectName(u"frmNeedMSXML"_s);
    formBar()->setCaption(u"Requirements not met"_s);
    formBar()->setBarColor(1);
    formBar()->setShowCloseButton(false);
    formBar()->setShowMaximizeButton(false);
    formBar()->setShowMinimizeButton(false);
    formBar()->setShowmenu(false);
    resize(Twips::toPx(6000), Twips::toPx(2700));

    lblMessage->setObjectName(u"lblMessage"_s);
    lblMessage->setWordWrap(true);
    lblMessage->setText(u"Pelorin requires the pugixml XML library (version 1.13 or later) to "
                        "run. You need to install it before you can run the program. On Debian "
                        "and Ubuntu install the package libpugixml1v5; otherwise use the link "
                        "below and follow the installation instructions."_s);
    lblURL->setObjectName(u"lblURL"_s);
    lblURL->setText(u"<a href=\"%1\">%1</a>"_s.arg(downloadAddress()));
    lblURL->setTextFormat(Qt::RichText);
    // The link goes through the same rule as every other link, not straight to the desktop.
    lblURL->setOpenExternalLinks(false);
    cmdOK->setObjectName(u"cmdOK"_s);
    cmdOK->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Twips::toPx(180), formBar()->height() + Twips::toPx(150),
                               Twips::toPx(180), Twips::toPx(150));
    layout->addWidget(lblMessage);
    layout->addWidget(lblURL);
    layout->addStretch(1);
    layout->addLayout(buttons);

    connect(lblURL, &QLabel::linkActivated, this, [this](const QString& url) {
        if (const ShellTarget opened = OpenWithShell(url); !opened)
            MessageBoxSink(this).showMessage(opened.error, u"Error"_s, MessageSink::Icon::Warning);
    });
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

frmNeedMSXML::~frmNeedMSXML() = default;

QString frmNeedMSXML::downloadAddress()
{
    return QStringLiteral(PELORIN_XML_LIBRARY_URL);
}
