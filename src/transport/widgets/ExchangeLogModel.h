#pragma once

#include <QAbstractListModel>

class Exchange;

// The log of an Exchange as a list model. New lines are published in batches by sync(),
// so a view follows tens of thousands of lines without work per line; clearing the log
// resets the model at once.
class ExchangeLogModel final : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExchangeLogModel)

public:
    explicit ExchangeLogModel(const Exchange& exchange, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Publishes the lines added since the last call; returns true when there were any.
    bool sync();

private:
    void onLogCleared();

    const Exchange& m_exchange;
    int m_rows = 0;
};
