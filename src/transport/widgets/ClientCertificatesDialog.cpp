#include "transport/widgets/ClientCertificatesDialog.h"

#include "message/PortNumber.h"
#include "shell/Twips.h"
#include "shell/widgets/DialogRunner.h"
#include "shell/widgets/ctrlFormBar.h"
#include "transport/ClientIdentity.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

const QString kTitle = u"Client certificates"_s;

// "host:port" with a port in 1..65535, the host in lower case; empty when text is not one.
QString targetName(const QString& text)
{
    const QString trimmed = text.trimmed();
    const qsizetype colon = trimmed.lastIndexOf(u':');
    if (colon <= 0)
        return {};
    const PortNumber port = ParsePortNumber(trimmed.mid(colon + 1));
    if (!port)
        return {};
    return TlsTargetName(trimmed.left(colon), port.number);
}

} // namespace

ClientCertificatesDialog::ClientCertificatesDialog(ClientTls& tls, const QString& target,
                                                   QWidget* parent)
    : FramedDialog(parent)
    , m_tls(tls)
    , cmbTarget(new QComboBox(this))
    , cmbType(new QComboBox(this))
    , txtCert(new QLineEdit(this))
    , txtKey(new QLineEdit(this))
    , txtCa(new QLineEdit(this))
    , cmdSave(new QPushButton(u"Save"_s, this))
    , cmdRemove(new QPushButton(u"Remove"_s, this))
    , cmdClose(new QPushButton(u"Close"_s, this))
    , lblProblem(new QLabel(this))
{
    setObjectName(u"ClientCertificatesDialog"_s);
    setWindowTitle(kTitle);
    formBar()->setCaption(kTitle);
    formBar()->setShowmenu(false);
    formBar()->setShowMinimizeButton(false);
    formBar()->setShowMaximizeButton(false);
    formBar()->setShowCloseButton(false);
    formBar()->setBarColor(1);

    cmbTarget->setEditable(true);
    cmbType->addItems({ u"PEM certificate and key"_s, u"PKCS#12 bundle"_s });
    lblProblem->setWordWrap(true);

    const auto withBrowse = [this](QLineEdit* box, const QString& title) {
        auto* row = new QHBoxLayout;
        auto* browseButton = new QPushButton(u"Browse…"_s, this);
        row->addWidget(box, 1);
        row->addWidget(browseButton);
        connect(browseButton, &QPushButton::clicked, this,
                [this, box, title] { browse(box, title); });
        return row;
    };
    auto* form = new QFormLayout;
    form->addRow(u"Target (host:port)"_s, cmbTarget);
    form->addRow(u"Type"_s, cmbType);
    form->addRow(u"Certificate"_s, withBrowse(txtCert, u"Client certificate"_s));
    form->addRow(u"Private key"_s, withBrowse(txtKey, u"Private key"_s));
    form->addRow(u"CA file"_s, withBrowse(txtCa, u"CA certificates (PEM)"_s));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : { cmdSave, cmdRemove, cmdClose }) {
        button->setMinimumWidth(Twips::toPx(1215));
        buttons->addWidget(button);
    }
    cmdSave->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Twips::toPx(180), formBar()->height() + Twips::toPx(180),
                               Twips::toPx(180), Twips::toPx(180));
    layout->addLayout(form);
    layout->addWidget(new QLabel(u"The key may sit in the certificate file; its passphrase is "
                                 "asked for when first needed and kept until Pelorin ends."_s,
                                 this));
    layout->addWidget(lblProblem);
    layout->addStretch(1);
    layout->addLayout(buttons);
    resize(Twips::toPx(7200), sizeHint().height());

    connect(cmbType, &QComboBox::currentIndexChanged, this, &ClientCertificatesDialog::typeChanged);
    connect(cmbTarget, &QComboBox::textActivated, this, &ClientCertificatesDialog::showTarget);
    connect(cmdSave, &QPushButton::clicked, this, &ClientCertificatesDialog::saveChoice);
    connect(cmdRemove, &QPushButton::clicked, this, &ClientCertificatesDialog::removeChoice);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    fillTargets();
    showTarget(target);
}

ClientCertificatesDialog::~ClientCertificatesDialog() = default;

void ClientCertificatesDialog::fillTargets()
{
    const QString shown = cmbTarget->currentText();
    cmbTarget->clear();
    cmbTarget->addItems(m_tls.targets().keys());
    cmbTarget->setEditText(shown);
}

void ClientCertificatesDialog::showTarget(const QString& target)
{
    const QString name = targetName(target);
    const TargetTls choice = m_tls.targets().value(name);
    cmbTarget->setEditText(name.isEmpty() ? target : name);
    cmbType->setCurrentIndex(choice.identity.type == ClientIdentity::Type::P12 ? 1 : 0);
    txtCert->setText(choice.identity.certFile);
    txtKey->setText(choice.identity.keyFile);
    txtCa->setText(choice.caFile);
    lblProblem->clear();
    typeChanged();
}

bool ClientCertificatesDialog::saveChoice()
{
    const QString name = targetName(cmbTarget->currentText());
    if (name.isEmpty()) {
        lblProblem->setText(u"The target must be host:port, the port 1 to 65535."_s);
        return false;
    }
    TargetTls choice;
    choice.identity.type
        = cmbType->currentIndex() == 1 ? ClientIdentity::Type::P12 : ClientIdentity::Type::Pem;
    choice.identity.certFile = txtCert->text().trimmed();
    if (choice.identity.type == ClientIdentity::Type::Pem)
        choice.identity.keyFile = txtKey->text().trimmed();
    choice.caFile = txtCa->text().trimmed();
    if (choice.identity.certFile.isEmpty() && !choice.identity.keyFile.isEmpty()) {
        lblProblem->setText(u"A key needs its certificate."_s);
        return false;
    }
    m_tls.setTarget(name, choice);
    lblProblem->clear();
    fillTargets();
    cmbTarget->setEditText(name);
    Q_EMIT changed();
    return true;
}

void ClientCertificatesDialog::removeChoice()
{
    const QString name = targetName(cmbTarget->currentText());
    if (name.isEmpty() || !m_tls.targets().contains(name))
        return;
    m_tls.setTarget(name, {});
    fillTargets();
    showTarget(name);
    Q_EMIT changed();
}

QString ClientCertificatesDialog::problem() const
{
    return lblProblem->text();
}

void ClientCertificatesDialog::browse(QLineEdit* box, const QString& title)
{
    QFileDialog dialog(this, title, box->text());
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (DialogRunner::exec(dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        box->setText(dialog.selectedFiles().constFirst());
}

void ClientCertificatesDialog::typeChanged()
{
    // A bundle holds its key.
    txtKey->setEnabled(cmbType->currentIndex() == 0);
}
