#include "app/widgets/frmAbout.h"

#include "BuildInfo.h"
#include "shell/Twips.h"
#include "shell/widgets/PelorinIcons.h"
#include "shell/widgets/ctrlFormBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

frmAbout::frmAbout(QWidget* parent)
    : FramedDialog(parent)
    , txtCredits(new QPlainTextEdit(this))
    , cmdOK(new QPushButton(u"OK"_s, this))
{
    setObjectName(u"frmAbout"_s);
    formBar()->setCaption(caption());
    formBar()->setBarColor(1);
    formBar()->setShowCloseButton(false);
    formBar()->setShowMaximizeButton(false);
    formBar()->setShowMinimizeButton(false);
    formBar()->setShowmenu(false);
    resize(Twips::toPx(6600), Twips::toPx(4200));

    auto* logo = new QLabel(this);
    logo->setObjectName(u"imgLogo"_s);
    logo->setPixmap(PelorinIcon(u"app"_s).pixmap(64, 64));
    logo->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    txtCredits->setObjectName(u"txtCredits"_s);
    txtCredits->setReadOnly(true);
    txtCredits->setPlainText(
        QStringLiteral(PELORIN_PRODUCT_NAME) + u" " + QStringLiteral(PELORIN_VERSION)
        + u"\n\nA desktop HTTP/1.x user agent for web developers: compose a request by hand, "
          "send it over TCP or TLS and read the raw request, the raw response and every step "
          "in between. Cookies, history, redirects, request files, form bodies and HTML and "
          "WSDL analysis help along the way; nothing is done behind your back.\n\n"
          "Built with Qt " QT_VERSION_STR " and pugixml. Free software under the MIT licence; "
          "see the manual."_s);
    cmdOK->setObjectName(u"cmdOK"_s);
    cmdOK->setDefault(true);

    auto* body = new QHBoxLayout;
    body->addWidget(logo);
    body->addWidget(txtCredits, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Twips::toPx(180), formBar()->height() + Twips::toPx(150),
                               Twips::toPx(180), Twips::toPx(150));
    layout->addLayout(body, 1);
    layout->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

frmAbout::~frmAbout() = default;

QString frmAbout::caption()
{
    return u"About "_s + QStringLiteral(PELORIN_PRODUCT_NAME) + u"        build "_s
        + QString::number(PELORIN_VERSION_MAJOR) + u'.' + QString::number(PELORIN_VERSION_MINOR)
        + u'.' + QString::number(PELORIN_VERSION_PATCH);
}
