#pragma once

#include "editing/FormField.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

// The rows of the form builder: the only store behind its grid. Column 0 is the name,
// column 1 the type, columns 2 to 31 Value 1 to Value 30. Which cells can be edited in place,
// which open a dialog and which are tinted as unused follows from each row's type.
class FormFieldTable final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FormFieldTable)

public:
    static constexpr int kNameColumn = 0;
    static constexpr int kTypeColumn = 1;
    static constexpr int kFirstValueColumn = 2;
    static constexpr int kColumnCount = kFirstValueColumn + FormField::kValueCount;

    // Data role: true for the Type cell and for value cells the row's type does not use.
    static constexpr int TintRole = Qt::UserRole + 1;

    // What a click on a cell does.
    enum class Click { None, EditInPlace, EditText, ChooseFile };

    // The entries of the field-type box, first one the default; each begins with its code.
    static QStringList fieldTypeLegends();
    // The code an entry of the field-type box stands for: its first four characters, trimmed.
    static QString typeCodeOf(const QString& legend);

    explicit FormFieldTable(QObject* parent = nullptr);

    // Appends a row of a builder type (SV, MV, TXT, IMG or FILE) with that type's initial
    // values, named "Field" and its row number counted from 1. Returns its row, or -1 (and
    // adds nothing) for any other code.
    int AddField(const QString& code);
    // Appends a row for a control of an HTML form: kind 0 to 8 names the type ("TEXT",
    // "TEXTAREA", "RADIO", "CHECKBOX", "IMAGE", "SELECT", "SUBMIT", "HIDDEN", "PASSWORD"),
    // any other kind leaves it empty (the row then sends nothing). Kind 4 (image) appends
    // name.x and name.y, both "0", instead; value is then not used.
    void AddFormItem(const QString& name, qint32 kind, const QString& value);
    // Removes one row; false for a bad index.
    bool RemoveField(int row);
    // Removes every row.
    void RemoveAll();

    // The free text of a Text row (TXT or TEXTAREA); empty for other rows.
    QString fieldText(int row) const;
    // Replaces the free text of a Text row; false for other rows.
    bool setFieldText(int row, const QString& text);
    // Keeps path as the chosen file of a FILE row ("[" path "]" in Value 2 to Value 30);
    // false for other rows or an empty path.
    bool setFilePath(int row, const QString& path);

    // What a click on the cell does, from the row's type.
    Click clickAction(int row, int column) const;
    // True when the cell can be edited in place.
    bool isEditable(int row, int column) const;
    // True for the Type cell and value cells the row's type does not use.
    bool isTinted(int row, int column) const;

    const QList<FormField>& fields() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Appends field as it is (a row taken over from elsewhere, e.g. an analysed page).
    void appendRow(const FormField& field);

private:
    void rowChanged(int row);
    bool validCell(int row, int column) const;

    QList<FormField> m_rows;
};
