#pragma once

#include <QWidget>

class QPushButton;

// The WSDL panel of a result window: a button that parses the WSDL document into a SOAP
// request and one that stores it in the web services repository, each with its hint.
// Until the WSDL tools are wired in, both buttons are shown disabled.
class ctrlStoreWebService final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ctrlStoreWebService)

public:
    explicit ctrlStoreWebService(QWidget* parent = nullptr);

    // "Parse WSDL file" and "Store in Web Services Repository".
    QPushButton* cmdParse() const { return m_parse; }
    QPushButton* cmdStoreLocally() const { return m_store; }

private:
    QPushButton* m_parse;
    QPushButton* m_store;
};
