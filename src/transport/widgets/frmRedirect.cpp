#include "transport/widgets/frmRedirect.h"

#include "shell/Twips.h"
#include "shell/widgets/ElidedLabel.h"
#include "shell/widgets/MessageBoxSink.h"
#include "shell/widgets/ctrlFormBar.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr int kWidth = 6690;
constexpr int kHeight = 4845;
constexpr int kMargin = 240;

std::function<void(frmRedirect&)>& testDriver()
{
    static std::function<void(frmRedirect&)> driver;
    return driver;
}

} // namespace

frmRedirect::frmRedirect(QWidget* parent)
    : FramedDialog(parent)
    , m_lblLocation(new ElidedLabel(this))
    , m_lblMethod(new QLabel(this))
    , m_chkAddReferer(new QCheckBox(u"Add 'referer' header:"_s, this))
    , m_txtReferer(new QLineEdit(this))
    , m_chkAutoSend(new QCheckBox(u"Send new request straight away"_s, this))
    , m_chkRemoveCookies(new QCheckBox(u"Remove cookies if different host"_s, this))
    , m_cmdProceed(new QPushButton(u"Yes"_s, this))
    , m_cmdCancel(new QPushButton(u"Cancel"_s, this))
{
    setObjectName(u"frmRedirect"_s);
    setWindowTitle(u"Response Redirect Detected"_s);
    formBar()->setObjectName(u"ctrlFormBar1"_s);
    formBar()->setCaption(u"Response Redirect Detected"_s);
    formBar()->setShowmenu(false);
    formBar()->setShowMinimizeButton(false);
    formBar()->setShowMaximizeButton(false);
    formBar()->setShowCloseButton(false);
    formBar()->setBarColor(1);

    m_lblLocation->setObjectName(u"lblLocation"_s);
    m_lblMethod->setObjectName(u"lblMethod"_s);
    m_chkAddReferer->setObjectName(u"chkAddReferer"_s);
    m_txtReferer->setObjectName(u"txtReferer"_s);
    m_chkAutoSend->setObjectName(u"chkAutoSend"_s);
    m_chkRemoveCookies->setObjectName(u"chkRemoveCookies"_s);
    m_cmdProceed->setObjectName(u"cmdProceed"_s);
    m_cmdCancel->setObjectName(u"cmdCancel"_s);

    // The target is what the user has to judge: set it apart from the prose around it.
    m_lblLocation->setFrameShape(QFrame::StyledPanel);
    m_lblLocation->setFrameShadow(QFrame::Sunken);
    m_lblLocation->setBackgroundRole(QPalette::Base);
    m_lblLocation->setForegroundRole(QPalette::Text);
    m_lblLocation->setAutoFillBackground(true);
    m_lblLocation->setContentsMargins(Twips::toPx(60), Twips::toPx(45), Twips::toPx(90),
                                      Twips::toPx(45));
    QFont bold = m_lblLocation->font();
    bold.setBold(true);
    m_lblLocation->setFont(bold);

    for (QCheckBox* box : { m_chkAddReferer, m_chkAutoSend, m_chkRemoveCookies })
        box->setChecked(true);
    m_txtReferer->setClearButtonEnabled(true);
    connect(m_chkAddReferer, &QCheckBox::toggled, m_txtReferer, &QWidget::setEnabled);

    auto* options = new QGroupBox(u"  Options  "_s, this);
    options->setObjectName(u"fraOptions"_s);
    auto* grid = new QGridLayout(options);
    grid->addWidget(m_chkAddReferer, 0, 0);
    grid->addWidget(m_txtReferer, 0, 1);
    grid->addWidget(m_chkAutoSend, 1, 0, 1, 2);
    grid->addWidget(m_chkRemoveCookies, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setVerticalSpacing(Twips::toPx(150));
    grid->setContentsMargins(Twips::toPx(180), Twips::toPx(150), Twips::toPx(180),
                             Twips::toPx(180));

    auto* question = new QLabel(u"Make new request?"_s, this);
    question->setFont(bold);
    m_cmdProceed->setDefault(true);
    const int buttonWidth = Twips::toPx(1215);
    m_cmdProceed->setMinimumWidth(buttonWidth);
    m_cmdCancel->setMinimumWidth(buttonWidth);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(question);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdProceed);
    buttons->addWidget(m_cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Twips::toPx(kMargin), formBar()->height() + Twips::toPx(180),
                               Twips::toPx(kMargin), Twips::toPx(kMargin));
    layout->setSpacing(Twips::toPx(90));
    layout->addWidget(
        new QLabel(u"The response was a redirect to the following location:"_s, this));
    layout->addWidget(m_lblLocation);
    layout->addWidget(m_lblMethod);
    layout->addSpacing(Twips::toPx(90));
    layout->addWidget(options);
    layout->addStretch(1);
    layout->addLayout(buttons);

    setTabOrder(m_cmdProceed, m_cmdCancel);
    setTabOrder(m_cmdCancel, m_chkAddReferer);
    setTabOrder(m_chkAddReferer, m_txtReferer);
    setTabOrder(m_txtReferer, m_chkAutoSend);
    setTabOrder(m_chkAutoSend, m_chkRemoveCookies);

    connect(m_cmdProceed, &QPushButton::clicked, this, &frmRedirect::cmdProceed_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmRedirect::reject);

    resize(Twips::toPx(kWidth), Twips::toPx(kHeight));
}

frmRedirect::~frmRedirect() = default;

bool frmRedirect::ask(RedirectQuestion& question)
{
    m_lblLocation->setText(question.location);
    m_txtReferer->setText(question.referer);
    // How the follow-up differs from the request is as much part of the decision as where
    // it goes.
    QString method = u"Response code "_s + question.statusCode + u": the new request uses "_s
        + question.method;
    if (question.dropsBody)
        method += u", without a body"_s;
    m_lblMethod->setText(method);
    // Show where the referer starts: its scheme and host are what the user checks.
    m_txtReferer->setCursorPosition(0);
    bOkClicked = false;
    // Enter and Space accept unless the user moves on: following is the usual answer.
    m_cmdProceed->setFocus();

    if (testDriver()) {
        show();
        testDriver()(*this);
        if (isVisible())
            reject();
    } else if (!MessageBoxSink::isNonInteractive()) {
        exec();
    }

    if (bOkClicked) {
        question.referer = m_txtReferer->text();
        question.addReferer = m_chkAddReferer->isChecked();
        question.autoSend = m_chkAutoSend->isChecked();
        question.removeCookies = m_chkRemoveCookies->isChecked();
    }
    return bOkClicked;
}

void frmRedirect::setTestDriver(std::function<void(frmRedirect&)> driver)
{
    testDriver() = std::move(driver);
}

void frmRedirect::reject()
{
    bOkClicked = false;
    FramedDialog::reject();
}

void frmRedirect::cmdProceed_Click()
{
    bOkClicked = true;
    accept();
}
