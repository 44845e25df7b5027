#pragma once

#include <QString>
#include <QStringList>

// How a form row goes into a body.
enum class FormFieldKind {
    None, // unknown type: contributes nothing
    SingleValue, // name and Value 1
    MultiValue, // name once per non-empty value
    Text, // name and free text, line breaks sent as CR LF
    Image, // name.x and name.y from Value 1 and Value 2
    File // name and the contents of a chosen file
};

// One row of the form builder: a name, a type and thirty value cells. Rows typed in the
// builder carry a code (SV, MV, TXT, IMG, FILE); rows taken from an HTML form carry the
// control's type name (TEXT ... PASSWORD) and their value in Value 1.
struct FormField
{
    static constexpr int kValueCount = 30;

    QString name;
    QString type;
    QStringList values = QStringList(kValueCount); // Value 1 .. Value 30

    // How this row is encoded, from its type (exact, case-sensitive).
    FormFieldKind kind() const;
    // True when the type is an HTML control type name rather than a builder code.
    bool isHtmlControl() const;
    // Index into values of the cell holding the free text of a Text row (-1 for other kinds):
    // Value 2 for TXT (Value 1 shows "[..]"), Value 1 for an HTML TEXTAREA.
    int textIndex() const;
    // The chosen file of a FILE row (kept as "[" path "]" in Value 2); empty when none.
    QString filePath() const;
};
