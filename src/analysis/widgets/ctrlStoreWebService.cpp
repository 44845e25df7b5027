#include "analysis/widgets/ctrlStoreWebService.h"

#include "analysis/widgets/WebServices.h"
#include "shell/Twips.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

ctrlStoreWebService::ctrlStoreWebService(WebServices* services, QWidget* parent)
    : QWidget(parent)
    , m_services(services)
    , m_cmdParse(new QPushButton(u"Parse WSDL file"_s, this))
    , m_cmdStore(new QPushButton(u"Store in Web Services Repository"_s, this))
    , m_lblResult(new QLabel(this))
{
    setObjectName(u"ctrlStoreWebService"_s);
    m_cmdParse->setObjectName(u"cmdParse"_s);
    m_cmdStore->setObjectName(u"cmdStoreLocally"_s);
    m_lblResult->setObjectName(u"lblStoreResult"_s);
    m_lblResult->setWordWrap(true);
    m_lblResult->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* parseHint = new QLabel(u"Click here to parse the file and make a SOAP request."_s, this);
    auto* storeHint = new QLabel(u"Click here to store the WSDL file locally so you can make "
                                 "SOAP calls without having to request the file again."_s,
                                 this);
    for (QLabel* hint : { parseHint, storeHint })
        hint->setWordWrap(true);

    auto* layout = new QGridLayout(this);
    const int margin = Twips::toPx(240);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setHorizontalSpacing(Twips::toPx(240));
    layout->setVerticalSpacing(Twips::toPx(240));
    layout->addWidget(m_cmdParse, 0, 0);
    layout->addWidget(parseHint, 0, 1);
    layout->addWidget(m_cmdStore, 1, 0);
    layout->addWidget(storeHint, 1, 1);
    layout->addWidget(m_lblResult, 2, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(3, 1);

    connect(m_cmdParse, &QPushButton::clicked, this, &ctrlStoreWebService::cmdParse_Click);
    connect(m_cmdStore, &QPushButton::clicked, this, &ctrlStoreWebService::cmdStoreLocally_Click);
    updateButtons();
}

ctrlStoreWebService::~ctrlStoreWebService() = default;

void ctrlStoreWebService::setServices(WebServices* services)
{
    m_services = services;
    updateButtons();
}

void ctrlStoreWebService::setSource(Source source)
{
    m_source = std::move(source);
    updateButtons();
}

void ctrlStoreWebService::updateButtons()
{
    const bool ready = m_services && m_source;
    m_cmdParse->setEnabled(ready);
    m_cmdStore->setEnabled(ready);
}

void ctrlStoreWebService::cmdParse_Click()
{
    if (!m_services || !m_source)
        return;
    const std::optional<WsdlResponse> response = m_source ? m_source() : std::nullopt;
    // Without a response the wizard opens empty and says so in its status line.
    if (response && !response->text.isEmpty())
        m_services->openWizardOnText(response->text, response->url);
    else
        m_services->openWizard(response ? response->document : QByteArray(),
                               response ? response->url : QString());
}

void ctrlStoreWebService::cmdStoreLocally_Click()
{
    if (!m_services || !m_source)
        return;
    const std::optional<WsdlResponse> response = m_source ? m_source() : std::nullopt;
    const QPointer<QLabel> label = m_lblResult;
    auto show = [label](const RepositoryResult& result) {
        if (!label)
            return;
        label->setText(result.text);
        // Failures stand out from the success note.
        label->setStyleSheet(result ? QString() : u"color: #b00000;"_s);
    };
    if (!response) {
        show({ false, u"Nothing to store: there is no response"_s, {} });
        return;
    }
    m_lblResult->setText(u"Reading imported documents ..."_s);
    m_lblResult->setStyleSheet(QString());
    m_services->store(response->document, response->url, show);
}
