#include "editing/HeaderTable.h"

#include "message/HTTPRequest.h"

#include <QStringList>

#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

namespace {

struct Pair
{
    QString name;
    QString value;
};

// Splits "a=1; b=2" into pairs. A value may contain "=" (Base64 padding in cookie
// values), so only the first one separates it; empty pieces carry nothing.
QList<Pair> splitPairs(const QString& text)
{
    QList<Pair> pairs;
    for (const QString& piece : text.split(u';')) {
        const qsizetype eq = piece.indexOf(u'=');
        Pair p { (eq < 0 ? piece : piece.left(eq)).trimmed(),
                 eq < 0 ? QString() : piece.mid(eq + 1).trimmed() };
        if (!p.name.isEmpty() || !p.value.isEmpty())
            pairs.append(p);
    }
    return pairs;
}

} // namespace

HeaderTable::HeaderTable(QObject* parent)
    : QAbstractTableModel(parent)
{ }

int HeaderTable::findRow(const QString& name) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void HeaderTable::AddHeader(const QString& name, const QString& value, bool append)
{
    const int row = findRow(name);
    if (row < 0) {
        beginInsertRows({}, int(m_rows.size()), int(m_rows.size()));
        m_rows.append({ name, value });
        endInsertRows();
    } else {
        setValue(row, append ? AppendHeaderValue(m_rows.at(row).value, value) : value);
    }
    SortRows();
}

QString HeaderTable::AppendHeaderValue(const QString& oldValue, const QString& newValue)
{
    QList<Pair> merged = splitPairs(oldValue);
    for (const Pair& added : splitPairs(newValue)) {
        const auto same = std::find_if(merged.begin(), merged.end(), [&](const Pair& p) {
            return p.name.compare(added.name, Qt::CaseInsensitive) == 0;
        });
        if (same != merged.end())
            same->value = added.value; // the old spelling of the name stays
        else
            merged.append(added);
    }
    QStringList out;
    for (const Pair& p : merged)
        out.append(p.value.isEmpty() ? p.name : p.name + u'=' + p.value);
    return out.join(u';');
}

void HeaderTable::RemoveHeader(const QString& name)
{
    const int row = findRow(name);
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

QString HeaderTable::GetRequestHeaderValue(const QString& name) const
{
    for (const Row& r : m_rows) {
        if (r.name == name)
            return r.value;
    }
    return {};
}

QString HeaderTable::GetRequestHeaders() const
{
    QString text;
    for (const Row& r : m_rows)
        text += r.name + u": "_s + r.value + u"\r\n"_s;
    return text;
}

qint32 HeaderTable::AddHeadersToRequest(HTTPRequest& request) const
{
    QStringList lines;
    lines.reserve(m_rows.size());
    for (const Row& r : m_rows)
        lines.append(r.name + u": "_s + r.value);
    request.Header = lines.join(u"\r\n"_s);
    return 0;
}

void HeaderTable::LoadHeadersFromText(const QString& text)
{
    ClearHeaders();
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0)
            continue;
        // The optional white space after the colon goes, never a character of the value.
        AddHeader(line.left(colon).trimmed(), line.mid(colon + 1).trimmed(), false);
    }
}

void HeaderTable::ClearHeaders()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void HeaderTable::f_RemoveBodyHeaders()
{
    RemoveHeader(u"Content-type"_s);
    RemoveHeader(u"Content-length"_s);
}

void HeaderTable::SortRows()
{
    if (std::is_sorted(m_rows.cbegin(), m_rows.cend(),
                       [](const Row& a, const Row& b) { return a.name < b.name; }))
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return m_rows.at(a).name < m_rows.at(b).name; });
    QList<Row> sorted;
    sorted.reserve(m_rows.size());
    QList<int> newPlace(m_rows.size());
    for (int i = 0; i < order.size(); ++i) {
        sorted.append(m_rows.at(order.at(i)));
        newPlace[order.at(i)] = i;
    }
    m_rows = sorted;
    QModelIndexList after;
    for (const QModelIndex& index : before)
        after.append(index.isValid() ? createIndex(newPlace.at(index.row()), index.column())
                                     : index);
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool HeaderTable::setValue(int row, const QString& value)
{
    if (row < 0 || row >= m_rows.size())
        return false;
    m_rows[row].value = value;
    const QModelIndex cell = index(row, 1);
    Q_EMIT dataChanged(cell, cell);
    return true;
}

int HeaderTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int HeaderTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant HeaderTable::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()
        || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const Row& r = m_rows.at(index.row());
    return index.column() == 0 ? r.name : r.value;
}

bool HeaderTable::setData(const QModelIndex& index, const QVariant& value, int role)
{
    // Names change only through the operations and the catalogue; values are edited in place.
    if (!index.isValid() || index.column() != 1 || role != Qt::EditRole)
        return false;
    return setValue(index.row(), value.toString());
}

QVariant HeaderTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == 0 ? u"Header"_s : u"Value"_s;
}

Qt::ItemFlags HeaderTable::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable
        | (index.column() == 1 ? Qt::ItemIsEditable : Qt::NoItemFlags);
}
