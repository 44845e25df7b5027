#include "editing/FormFieldTable.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using Click = FormFieldTable::Click;
constexpr int kV1 = FormFieldTable::kFirstValueColumn;

// Which value columns (as Value numbers 1..30) pass a test.
QList<int> valuesWhere(const FormFieldTable& table, int row,
                       bool (FormFieldTable::*test)(int, int) const)
{
    QList<int> numbers;
    for (int column = kV1; column < FormFieldTable::kColumnCount; ++column) {
        if ((table.*test)(row, column))
            numbers.append(column - kV1 + 1);
    }
    return numbers;
}

QList<int> range(int first, int last)
{
    QList<int> numbers;
    for (int i = first; i <= last; ++i)
        numbers.append(i);
    return numbers;
}

} // namespace

TEST(FormFieldTableTest, TheTypeBoxIsAFixedListWhoseCodesAllAddRows)
{
    const QStringList legends = FormFieldTable::fieldTypeLegends();
    QStringList codes;
    for (const QString& legend : legends)
        codes.append(FormFieldTable::typeCodeOf(legend));
    EXPECT_EQ(codes, (QStringList { u"SV"_s, u"MV"_s, u"TXT"_s, u"IMG"_s, u"FILE"_s }));
    EXPECT_EQ(legends.first(),
              u"SV   Text/Password/Select/Hidden/Radio/Checkbox/Submit (single value)"_s);

    FormFieldTable table;
    for (const QString& code : codes)
        EXPECT_GE(table.AddField(code), 0) << code.toStdString();
    EXPECT_EQ(table.AddField(u"TEXT"_s), -1);
    EXPECT_EQ(table.AddField(u"X"_s), -1);
    EXPECT_EQ(table.rowCount(), 5);
}

TEST(FormFieldTableTest, NewRowsGetTheirNameInitialValuesTintsAndClicks)
{
    struct Case
    {
        QString code;
        QStringList firstValues; // Value 1 .. Value 3
        QList<int> editable; // Value numbers edited in place
        QList<int> tinted; // Value numbers tinted as unused
        Click value1Click;
    };
    const QList<Case> cases = {
        { u"SV"_s, { {}, {}, {} }, { 1 }, range(2, 30), Click::EditInPlace },
        { u"MV"_s, { {}, {}, {} }, range(1, 30), {}, Click::EditInPlace },
        { u"TXT"_s, { u"[..]"_s, {}, {} }, {}, range(2, 30), Click::EditText },
        { u"IMG"_s, { u"1"_s, u"1"_s, u"(x,y)"_s }, { 1, 2 }, range(3, 30), Click::EditInPlace },
        { u"FILE"_s, { u"[..]"_s, {}, {} }, {}, range(2, 30), Click::ChooseFile },
    };
    FormFieldTable table;
    for (const Case& c : cases) {
        const int row = table.AddField(c.code);
        const std::string code = c.code.toStdString();
        const FormField& field = table.fields().at(row);
        EXPECT_EQ(field.name, u"Field"_s + QString::number(row + 1)) << code;
        EXPECT_EQ(field.values.mid(0, 3), c.firstValues) << code;
        EXPECT_EQ(valuesWhere(table, row, &FormFieldTable::isEditable), c.editable) << code;
        EXPECT_EQ(valuesWhere(table, row, &FormFieldTable::isTinted), c.tinted) << code;
        EXPECT_EQ(table.clickAction(row, kV1), c.value1Click) << code;
        EXPECT_EQ(table.clickAction(row, FormFieldTable::kNameColumn), Click::EditInPlace) << code;
        EXPECT_EQ(table.clickAction(row, FormFieldTable::kTypeColumn), Click::None) << code;
        EXPECT_TRUE(table.isTinted(row, FormFieldTable::kTypeColumn)) << code;
        EXPECT_FALSE(table.isTinted(row, FormFieldTable::kNameColumn)) << code;
    }
    // The grid refuses edits its clicks do not allow.
    EXPECT_FALSE(table.setData(table.index(0, kV1 + 1), u"x"_s));
    EXPECT_FALSE(table.setData(table.index(0, FormFieldTable::kTypeColumn), u"MV"_s));
    EXPECT_TRUE(table.setData(table.index(0, kV1), u"x"_s));
    EXPECT_EQ(table.fields().at(0).values.at(0), u"x"_s);
}

TEST(FormFieldTableTest, TextAndFileRowsKeepWhatTheirDialogsReturn)
{
    FormFieldTable table;
    const int text = table.AddField(u"TXT"_s);
    const int file = table.AddField(u"FILE"_s);
    EXPECT_TRUE(table.setFieldText(text, u"a\nb"_s));
    EXPECT_EQ(table.fieldText(text), u"a\nb"_s);
    EXPECT_EQ(table.fields().at(text).values.at(0), u"[..]"_s);
    EXPECT_FALSE(table.setFieldText(file, u"x"_s));

    EXPECT_FALSE(table.setFilePath(file, QString()));
    EXPECT_TRUE(table.setFilePath(file, u"/tmp/a b].png"_s));
    const FormField& field = table.fields().at(file);
    EXPECT_EQ(field.filePath(), u"/tmp/a b].png"_s);
    EXPECT_EQ(field.values.count(u"[/tmp/a b].png]"_s), 29);
    EXPECT_FALSE(table.setFilePath(text, u"/tmp/x"_s));
}

TEST(FormFieldTableTest, HtmlFormItemsAndRemoval)
{
    FormFieldTable table;
    table.AddFormItem(u"q"_s, 0, u"v"_s);
    table.AddFormItem(u"area"_s, 1, u"text"_s);
    table.AddFormItem(u"go"_s, 4, u"ignored"_s);
    table.AddFormItem(u"odd"_s, -1, u"x"_s);
    ASSERT_EQ(table.rowCount(), 5);
    EXPECT_EQ(table.fields().at(1).type, u"TEXTAREA"_s);
    EXPECT_EQ(table.fields().at(4).type, QString());

    EXPECT_EQ(table.clickAction(0, kV1), Click::EditInPlace);
    EXPECT_EQ(table.clickAction(1, kV1), Click::EditText);
    EXPECT_EQ(table.fieldText(1), u"text"_s);
    EXPECT_EQ(table.clickAction(4, kV1), Click::None);
    EXPECT_EQ(valuesWhere(table, 4, &FormFieldTable::isTinted), range(1, 30));

    EXPECT_TRUE(table.RemoveField(0));
    EXPECT_EQ(table.fields().at(0).name, u"area"_s);
    EXPECT_FALSE(table.RemoveField(4));
    table.RemoveAll();
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(table.fields().size(), 0);
    EXPECT_EQ(table.AddField(u"SV"_s), 0);
    EXPECT_EQ(table.fields().at(0).name, u"Field1"_s);
}
