#pragma once

#include <QChar>
#include <QStringView>

#include <algorithm>

// C0 controls and DEL: characters that end or split a line on the wire.
inline bool IsControlCharacter(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

// True when text holds a control character (see IsControlCharacter).
inline bool HasControlCharacter(QStringView text)
{
    return std::any_of(text.begin(), text.end(), IsControlCharacter);
}
