#include "transport/widgets/ExchangeLogModel.h"

#include "transport/Exchange.h"

ExchangeLogModel::ExchangeLogModel(const Exchange& exchange, QObject* parent)
    : QAbstractListModel(parent)
    , m_exchange(exchange)
{
    connect(&exchange, &Exchange::logCleared, this, &ExchangeLogModel::onLogCleared);
}

int ExchangeLogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

QVariant ExchangeLogModel::data(const QModelIndex& index, int role) const
{
    const QStringList& lines = m_exchange.logLines();
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows
        || index.row() >= lines.size())
        return {};
    return lines.at(index.row());
}

bool ExchangeLogModel::sync()
{
    const auto total = static_cast<int>(m_exchange.logLines().size());
    if (total <= m_rows)
        return false;
    beginInsertRows({}, m_rows, total - 1);
    m_rows = total;
    endInsertRows();
    return true;
}

void ExchangeLogModel::onLogCleared()
{
    // The published rows no longer exist, so the view must forget them before it asks.
    beginResetModel();
    m_rows = 0;
    endResetModel();
}
