#pragma once

#include <QRect>
#include <QTimer>
#include <QWidget>

class Exchange;
class ExchangeLogModel;
class HTTPRequest;
class QLabel;
class QListView;
class QPushButton;

// The visible transport control: shows the progress log, byte counters and the
// Cancel/Ok button of the Exchange it owns. The host connects to exchange()'s events.
class ctrlHTTP final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ctrlHTTP)

public:
    explicit ctrlHTTP(QWidget* parent = nullptr);
    ~ctrlHTTP() override;

    // The exchange this control shows; lives as long as the control.
    Exchange* exchange() const { return m_exchange; }
    // Starts an exchange for request (see Exchange::Execute).
    void Execute(HTTPRequest& request);

    // The design size, 5400 by 3300 twips.
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void ArrangeControls();
    void scheduleSync();
    void sync();
    void showNow();

    Exchange* m_exchange;
    ExchangeLogModel* m_logModel;
    QListView* lstLog;
    QLabel* lblBytesReceived;
    QLabel* lblBytesSent;
    QPushButton* cmdCancel;
    QRect m_frame;
    QTimer m_syncTimer;
};
