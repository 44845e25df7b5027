#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>

class HTTPRequest;

// The header lines of the request being composed: the only store behind the header grid.
// Column 0 is the name, column 1 the value. Rows are kept sorted by name (case-sensitive)
// after every AddHeader and SortRows; name-based operations act on the first match only.
// No name or value ever holds CR, LF or NUL, so every row renders as exactly one line.
class HeaderTable final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HeaderTable)

public:
    struct Row
    {
        QString name;
        QString value;
        friend bool operator==(const Row&, const Row&) = default;
    };

    explicit HeaderTable(QObject* parent = nullptr);

    // Replaces (append false) or merges into (append true) the value of the first row
    // named name, letter case ignored, or adds a row; then re-sorts. Returns false and
    // changes nothing when name or value holds CR, LF or NUL.
    bool AddHeader(const QString& name, const QString& value, bool append);
    // Merges two lists of name=value pairs: a pair of the new list replaces the value of
    // the old pair of the same name (letter case ignored) or is appended.
    static QString AppendHeaderValue(const QString& oldValue, const QString& newValue);
    // Removes the first row named name, letter case ignored; nothing when there is none.
    void RemoveHeader(const QString& name);
    // Value of the first row named exactly name (case-sensitive); empty when none.
    QString GetRequestHeaderValue(const QString& name) const;
    // Every row as "name: value" followed by CR LF.
    QString GetRequestHeaders() const;
    // Stores the rows joined by CR LF (none after the last) as the request's Header. Returns 0.
    qint32 AddHeadersToRequest(HTTPRequest& request) const;
    // Replaces every row with the "name: value" lines of text (LF or CR LF separated);
    // lines without ":" or holding a bare CR or a NUL are skipped, a later line replaces an
    // earlier one of the same name (letter case ignored). Takes O(n log n) for n lines.
    void LoadHeadersFromText(const QString& text);
    // Removes every row.
    void ClearHeaders();
    // Removes the Content-type and Content-length rows.
    void f_RemoveBodyHeaders();
    // Re-establishes the order by name.
    void SortRows();

    const QList<Row>& rows() const { return m_rows; }
    // Row index of the first row named name (letter case ignored), or -1.
    int findRow(const QString& name) const;
    // Sets the value of one row in place (no re-sort), each line break in value becoming a
    // space and each NUL dropped; false for a bad index.
    bool setValue(int row, const QString& value);

    // True when text holds no CR, LF or NUL, so it cannot end or split a header line.
    static bool isSingleLine(QStringView text);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QList<Row> m_rows;
};
