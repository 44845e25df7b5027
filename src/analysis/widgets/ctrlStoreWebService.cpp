#include "analysis/widgets/ctrlStoreWebService.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

ctrlStoreWebService::ctrlStoreWebService(QWidget* parent)
    : QWidget(parent)
    , m_parse(new QPushButton(u"Parse WSDL file"_s, this))
    , m_store(new QPushButton(u"Store in Web Services Repository"_s, this))
{
    setObjectName(u"ctrlStoreWebService"_s);
    m_parse->setObjectName(u"cmdParse"_s);
    m_store->setObjectName(u"cmdStoreLocally"_s);
    m_parse->setEnabled(false);
    m_store->setEnabled(false);

    auto* layout = new QGridLayout(this);
    auto hint = [this](const QString& text) {
        auto* label = new QLabel(text, this);
        label->setWordWrap(true);
        return label;
    };
    layout->addWidget(m_parse, 0, 0);
    layout->addWidget(hint(u"Click here to parse the file and make a SOAP request."_s), 0, 1);
    layout->addWidget(m_store, 1, 0);
    layout->addWidget(hint(u"Click here to store the WSDL file locally so you can make SOAP "
                           "calls without having to request the file again."_s),
                      1, 1);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(2, 1);
}
