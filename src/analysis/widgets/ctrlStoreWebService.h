#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class WebServices;

// A WSDL document received as a response: the decoded body, the URL it was requested from,
// and, when known, the body as text decoded by the response's charset.
struct WsdlResponse
{
    QByteArray document; // stored as it is
    QString url;
    QString text; // analysed when given, else document is
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

    // The buttons work once both the services and a source are set.
    explicit ctrlStoreWebService(WebServices* services = nullptr, QWidget* parent = nullptr);
    ~ctrlStoreWebService() override;

    void setServices(WebServices* services);
    void setSource(Source source);

    QPushButton* cmdParse() const { return m_cmdParse; }
    QPushButton* cmdStoreLocally() const { return m_cmdStore; }
    // The outcome of the last store ("Stored as ..." or why not).
    QLabel* lblStoreResult() const { return m_lblResult; }

private:
    void cmdParse_Click();
    void cmdStoreLocally_Click();

    void updateButtons();

    QPointer<WebServices> m_services;
    Source m_source;
    QPushButton* m_cmdParse;
    QPushButton* m_cmdStore;
    QLabel* m_lblResult;
};
