#include "editing/FormFieldTable.h"

#include "persistence/TextUtil.h"

using namespace Qt::StringLiterals;

namespace {

const QString kDialogCell = u"[..]"_s;

// True when value cell index (0 for Value 1) carries something the row's kind sends or shows.
bool valueInUse(FormFieldKind kind, int index)
{
    switch (kind) {
    case FormFieldKind::MultiValue:
        return true;
    case FormFieldKind::Image:
        return index <= 1;
    case FormFieldKind::SingleValue:
    case FormFieldKind::Text:
    case FormFieldKind::File:
        return index == 0;
    case FormFieldKind::None:
        break;
    }
    return false;
}

} // namespace

QStringList FormFieldTable::fieldTypeLegends()
{
    return { u"SV   Text/Password/Select/Hidden/Radio/Checkbox/Submit (single value)"_s,
             u"MV   Select/Checkbox  (multiple values)"_s, u"TXT  Textarea  (free text)"_s,
             u"IMG  Image  (coordinates of mouse-click)"_s,
             u"FILE File  (contents of a local file)"_s };
}

QString FormFieldTable::typeCodeOf(const QString& legend)
{
    return legend.left(4).trimmed();
}

FormFieldTable::FormFieldTable(QObject* parent)
    : QAbstractTableModel(parent)
{ }

int FormFieldTable::AddField(const QString& code)
{
    FormField field;
    field.type = code;
    if (field.isHtmlControl())
        return -1;
    switch (field.kind()) {
    case FormFieldKind::SingleValue:
    case FormFieldKind::MultiValue:
        break;
    case FormFieldKind::Text:
    case FormFieldKind::File:
        field.values[0] = kDialogCell;
        break;
    case FormFieldKind::Image:
        field.values[0] = u"1"_s;
        field.values[1] = u"1"_s;
        field.values[2] = u"(x,y)"_s;
        break;
    case FormFieldKind::None:
        return -1;
    }
    field.name = u"Field"_s + QString::number(m_rows.size() + 1);
    appendRow(field);
    return int(m_rows.size()) - 1;
}

void FormFieldTable::AddFormItem(const QString& name, qint32 kind, const QString& value)
{
    FormField field;
    field.type = FormFieldTypeName(kind).value_or(QString());
    if (kind == 4) {
        field.values[0] = u"0"_s;
        field.name = name + u".x"_s;
        appendRow(field);
        field.name = name + u".y"_s;
        appendRow(field);
        return;
    }
    field.name = name;
    field.values[0] = value;
    appendRow(field);
}

bool FormFieldTable::RemoveField(int row)
{
    if (row < 0 || row >= m_rows.size())
        return false;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
    return true;
}

void FormFieldTable::RemoveAll()
{
    if (m_rows.isEmpty())
        return;
    beginRemoveRows({}, 0, int(m_rows.size()) - 1);
    m_rows.clear();
    endRemoveRows();
}

QString FormFieldTable::fieldText(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return {};
    const FormField& field = m_rows.at(row);
    const int index = field.textIndex();
    return index < 0 ? QString() : field.values.at(index);
}

bool FormFieldTable::setFieldText(int row, const QString& text)
{
    if (row < 0 || row >= m_rows.size() || m_rows.at(row).textIndex() < 0)
        return false;
    FormField& field = m_rows[row];
    field.values[field.textIndex()] = text;
    rowChanged(row);
    return true;
}

bool FormFieldTable::setFilePath(int row, const QString& path)
{
    if (row < 0 || row >= m_rows.size() || m_rows.at(row).kind() != FormFieldKind::File
        || path.isEmpty())
        return false;
    const QString kept = u'[' + path + u']';
    FormField& field = m_rows[row];
    for (int i = 1; i < FormField::kValueCount; ++i)
        field.values[i] = kept;
    rowChanged(row);
    return true;
}

FormFieldTable::Click FormFieldTable::clickAction(int row, int column) const
{
    if (!validCell(row, column))
        return Click::None;
    if (isEditable(row, column))
        return Click::EditInPlace;
    if (column != kFirstValueColumn)
        return Click::None;
    switch (m_rows.at(row).kind()) {
    case FormFieldKind::Text:
        return Click::EditText;
    case FormFieldKind::File:
        return Click::ChooseFile;
    default:
        return Click::None;
    }
}

bool FormFieldTable::isEditable(int row, int column) const
{
    if (!validCell(row, column) || column == kTypeColumn)
        return false;
    if (column == kNameColumn)
        return true;
    const FormFieldKind kind = m_rows.at(row).kind();
    // Text and file rows are edited through their dialogs only.
    if (kind == FormFieldKind::Text || kind == FormFieldKind::File)
        return false;
    return valueInUse(kind, column - kFirstValueColumn);
}

bool FormFieldTable::isTinted(int row, int column) const
{
    if (!validCell(row, column) || column == kNameColumn)
        return false;
    if (column == kTypeColumn)
        return true;
    return !valueInUse(m_rows.at(row).kind(), column - kFirstValueColumn);
}

int FormFieldTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int FormFieldTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant FormFieldTable::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !validCell(index.row(), index.column()))
        return {};
    const FormField& field = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (index.column() == kNameColumn)
            return field.name;
        if (index.column() == kTypeColumn)
            return field.type;
        return field.values.at(index.column() - kFirstValueColumn);
    case Qt::TextAlignmentRole: {
        const bool dialogCell = index.column() == kFirstValueColumn
            && (field.type == "TXT"_L1 || field.type == "FILE"_L1);
        return QVariant::fromValue(
            (index.column() == kTypeColumn || dialogCell ? Qt::AlignHCenter : Qt::AlignLeft)
            | Qt::AlignVCenter);
    }
    case TintRole:
        return isTinted(index.row(), index.column());
    default:
        return {};
    }
}

bool FormFieldTable::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !isEditable(index.row(), index.column()))
        return false;
    FormField& field = m_rows[index.row()];
    const QString text = value.toString();
    if (index.column() == kNameColumn)
        field.name = text;
    else
        field.values[index.column() - kFirstValueColumn] = text;
    Q_EMIT dataChanged(index, index);
    return true;
}

QVariant FormFieldTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    if (section == kNameColumn)
        return u"Name"_s;
    if (section == kTypeColumn)
        return u"Type"_s;
    return QString(u"Value "_s + QString::number(section - kFirstValueColumn + 1));
}

Qt::ItemFlags FormFieldTable::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable
        | (isEditable(index.row(), index.column()) ? Qt::ItemIsEditable : Qt::NoItemFlags);
}

void FormFieldTable::appendRow(const FormField& field)
{
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size()));
    m_rows.append(field);
    endInsertRows();
}

void FormFieldTable::rowChanged(int row)
{
    Q_EMIT dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

bool FormFieldTable::validCell(int row, int column) const
{
    return row >= 0 && row < m_rows.size() && column >= 0 && column < kColumnCount;
}
