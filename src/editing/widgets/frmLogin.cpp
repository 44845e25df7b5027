#include "editing/widgets/frmLogin.h"

#include "shell/Twips.h"
#include "shell/widgets/ctrlFormBar.h"

#include <QBoxLayout>
#include <QFormLayout>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

// Masks the password with "*" whatever the style's own mask character is.
class StarMaskStyle final : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

frmLogin::frmLogin(QWidget* parent)
    : FramedDialog(parent)
    , m_uid(new QLineEdit(this))
    , m_password(new QLineEdit(this))
    , m_add(new QPushButton(u"Add"_s, this))
    , m_cancel(new QPushButton(u"Cancel"_s, this))
{
    setObjectName(u"frmLogin"_s);
    formBar()->setCaption(u"Add Basic Authentication header"_s);
    formBar()->setBarColor(1);
    formBar()->setShowCloseButton(false);
    formBar()->setShowMaximizeButton(false);
    formBar()->setShowMinimizeButton(false);
    formBar()->setShowmenu(false);
    setFixedSize(Twips::toPx(4665), Twips::toPx(2340));

    m_uid->setObjectName(u"txtUID"_s);
    m_password->setObjectName(u"txtPassword"_s);
    m_add->setObjectName(u"cmdAdd"_s);
    m_cancel->setObjectName(u"cmdCancel"_s);
    m_password->setEchoMode(QLineEdit::Password);
    auto* mask = new StarMaskStyle;
    mask->setParent(m_password);
    m_password->setStyle(mask);
    // Enter in either box acts as "Add", through the dialog's default button.
    m_add->setDefault(true);

    auto* fields = new QFormLayout;
    fields->addRow(u"Username:"_s, m_uid);
    fields->addRow(u"Password:"_s, m_password);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_add);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Twips::toPx(180), formBar()->height() + Twips::toPx(150),
                               Twips::toPx(180), Twips::toPx(150));
    layout->addLayout(fields);
    layout->addStretch(1);
    layout->addLayout(buttons);

    connect(m_add, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

frmLogin::~frmLogin() = default;

void frmLogin::done(int result)
{
    m_login = result == QDialog::Accepted;
    FramedDialog::done(result);
}

void frmLogin::showEvent(QShowEvent* event)
{
    FramedDialog::showEvent(event);
    m_uid->setFocus();
    m_uid->selectAll();
}
