#include "editing/FormField.h"

using namespace Qt::StringLiterals;

FormFieldKind FormField::kind() const
{
    if (type == "SV"_L1)
        return FormFieldKind::SingleValue;
    if (type == "MV"_L1)
        return FormFieldKind::MultiValue;
    if (type == "TXT"_L1 || type == "TEXTAREA"_L1)
        return FormFieldKind::Text;
    if (type == "IMG"_L1)
        return FormFieldKind::Image;
    if (type == "FILE"_L1)
        return FormFieldKind::File;
    // An HTML image control arrives as two rows already named name.x and name.y, so each
    // is a single value; together they are what an IMG row sends.
    if (isHtmlControl())
        return FormFieldKind::SingleValue;
    return FormFieldKind::None;
}

bool FormField::isHtmlControl() const
{
    static const QStringList kNames
        = { u"TEXT"_s,   u"TEXTAREA"_s, u"RADIO"_s,  u"CHECKBOX"_s, u"IMAGE"_s,
            u"SELECT"_s, u"SUBMIT"_s,   u"HIDDEN"_s, u"PASSWORD"_s };
    return kNames.contains(type);
}

int FormField::textIndex() const
{
    if (type == "TXT"_L1)
        return 1;
    if (type == "TEXTAREA"_L1)
        return 0;
    return -1;
}

QString FormField::filePath() const
{
    const QString kept = values.value(1);
    if (kept.size() >= 2 && kept.startsWith(u'[') && kept.endsWith(u']'))
        return kept.mid(1, kept.size() - 2);
    return {};
}
