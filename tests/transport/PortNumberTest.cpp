#include "transport/PortNumber.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(PortNumberTest, DigitsFromOneTo65535AndNothingElse)
{
    using F = PortNumber::Fault;
    EXPECT_EQ(ParsePortNumber(u"80"_s).number, 80);
    EXPECT_EQ(ParsePortNumber(u"65535"_s).number, 65535);
    EXPECT_EQ(ParsePortNumber(u"00080"_s).number, 80);
    for (const QString& text :
         { u"80a"_s, u" 80"_s, u"80 "_s, u"+80"_s, u"-1"_s, u"8.0"_s, u"\u0668\u0660"_s })
        EXPECT_EQ(ParsePortNumber(text).fault, F::NotDigits) << qPrintable(text);
    for (const QString& text : { u""_s, u"0"_s, u"65536"_s, u"000080"_s, u"99999999999"_s }) {
        const PortNumber port = ParsePortNumber(text);
        EXPECT_EQ(port.fault, F::OutOfRange) << qPrintable(text);
        EXPECT_FALSE(port);
        EXPECT_EQ(port.number, 0);
    }
}
