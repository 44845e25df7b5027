#pragma once

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class WebServices;

// A WSDL document received as a response: the decoded body and the URL it was requested from.
struct WsdlResponse
{
    QByteArray document;
    QString url;
};

// The WSDL page of the result window: starts the SOAP wizard on the current response or
// stores it in the repository, and shows what the store did.
class ctrlStoreWebService final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ctrlStoreWebService)

public:
    // Gives the current response when the user acts; nothing when there is none.
    using Source = std::function<std::optional<WsdlResponse>()>;

    // services must outlive the panel.
    explicit ctrlStoreWebService(WebServices& services, QWidget* parent = nullptr);
    ~ctrlStoreWebService() override;

    void setSource(Source source) { m_source = std::move(source); }

    QPushButton* cmdParse() const { return m_cmdParse; }
    QPushButton* cmdStoreLocally() const { return m_cmdStore; }
    // The outcome of the last store ("Stored as ..." or why not).
    QLabel* lblStoreResult() const { return m_lblResult; }

private:
    void cmdParse_Click();
    void cmdStoreLocally_Click();

    WebServices& m_services;
    Source m_source;
    QPushButton* m_cmdParse;
    QPushButton* m_cmdStore;
    QLabel* m_lblResult;
};
