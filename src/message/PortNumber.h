#pragma once

#include <QString>

// What a port text names. The port box and the transport both ask here, so a text the box
// accepts is exactly a text the transport can connect to.
struct PortNumber
{
    enum class Fault { None, NotDigits, OutOfRange };

    int number = 0; // 1..65535, or 0 when fault is not None
    Fault fault = Fault::OutOfRange;

    explicit operator bool() const { return fault == Fault::None; }
};

// Reads a port text: one to five ASCII digits with a value from 1 to 65535, nothing else (no
// blanks, signs or fractions). NotDigits when any character is not a digit; OutOfRange for an
// empty text, more than five digits, or a value outside 1..65535.
PortNumber ParsePortNumber(const QString& text);
