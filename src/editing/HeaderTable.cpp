#include "editing/HeaderTable.h"

#include "message/HTTPRequest.h"

#include <QStringList>

#include <algorithm>
#include <numeric>
#include <string>
#include <unordered_map>

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

bool byName(const HeaderTable::Row& a, const HeaderTable::Row& b)
{
    return a.name < b.name;
}

// A key equal for two names exactly when QString::compare(Qt::CaseInsensitive) finds them
// equal: that compare folds each UTF-16 unit, a low surrogate together with the high one
// before it.
std::u32string foldedKey(const QString& name)
{
    std::u32string key;
    key.reserve(size_t(name.size()));
    char16_t last = 0;
    for (const QChar c : name) {
        char32_t ucs4 = c.unicode();
        if (QChar::isLowSurrogate(ucs4) && QChar::isHighSurrogate(last))
            ucs4 = QChar::surrogateToUcs4(last, char16_t(ucs4));
        last = c.unicode();
        key.push_back(QChar::toCaseFolded(ucs4));
    }
    return key;
}

// A person's paste may span lines; joining them keeps what was meant on one header line.
QString joinLines(const QString& value)
{
    if (HeaderTable::isSingleLine(value))
        return value;
    QString out;
    out.reserve(value.size());
    bool inBreak = false;
    for (const QChar c : value) {
        if (c == u'\r' || c == u'\n') {
            if (!inBreak)
                out += u' ';
            inBreak = true;
        } else {
            if (c != QChar(u'\0'))
                out += c;
            inBreak = false;
        }
    }
    return out;
}

} // namespace

bool HeaderTable::isSingleLine(QStringView text)
{
    return std::none_of(text.cbegin(), text.cend(),
                        [](QChar c) { return c == u'\r' || c == u'\n' || c == QChar(u'\0'); });
}

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

bool HeaderTable::AddHeader(const QString& name, const QString& value, bool append)
{
    // Whatever the source (a response's cookie, a file, a generator), a line break here
    // would put a line on the wire that nobody composed.
    if (!isSingleLine(name) || !isSingleLine(value))
        return false;
    const int row = findRow(name);
    if (row < 0) {
        // Inserting after the last equal name is what a stable re-sort would do.
        const bool sorted = std::is_sorted(m_rows.cbegin(), m_rows.cend(), byName);
        const Row added { name, value };
        const int at = sorted
            ? int(std::upper_bound(m_rows.cbegin(), m_rows.cend(), added, byName) - m_rows.cbegin())
            : int(m_rows.size());
        beginInsertRows({}, at, at);
        m_rows.insert(at, added);
        endInsertRows();
    } else {
        setValue(row, append ? AppendHeaderValue(m_rows.at(row).value, value) : value);
    }
    SortRows();
    return true;
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
    // One pass with a hash and one stable sort give the rows that adding each line in turn
    // would give, without a lookup and a re-sort per line.
    QList<Row> loaded;
    std::unordered_map<std::u32string, qsizetype> byKey;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0)
            continue;
        // A CR or NUL left inside is no line end; such a line is malformed or hostile.
        if (!isSingleLine(line))
            continue;
        // The optional white space after the colon goes, never a character of the value.
        Row row { line.left(colon).trimmed().toString(), line.mid(colon + 1).trimmed().toString() };
        const auto [it, added] = byKey.try_emplace(foldedKey(row.name), loaded.size());
        if (added)
            loaded.append(std::move(row));
        else
            loaded[it->second].value = std::move(row.value);
    }
    std::stable_sort(loaded.begin(), loaded.end(), byName);
    beginResetModel();
    m_rows = std::move(loaded);
    endResetModel();
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
    if (std::is_sorted(m_rows.cbegin(), m_rows.cend(), byName))
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return byName(m_rows.at(a), m_rows.at(b)); });
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
    m_rows[row].value = joinLines(value);
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
