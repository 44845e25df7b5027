#include "editing/BasicAuthorization.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(BasicAuthorizationTest, EncodesUtf8CredentialsInStandardBase64)
{
    // The examples of RFC 7617 2 and 2.1, the second with a non-ASCII password.
    EXPECT_EQ(BasicAuthorizationValue(u"Aladdin"_s, u"open sesame"_s),
              u"Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ=="_s);
    EXPECT_EQ(BasicAuthorizationValue(u"test"_s, u"123\u00A3"_s), u"Basic dGVzdDoxMjPCow=="_s);
    // Bytes that map to "+" and "/" in the standard alphabet, and one "=" of padding.
    EXPECT_EQ(BasicAuthorizationValue(u"c\u20AC\u00FF"_s, u"?"_s), u"Basic Y+KCrMO/Oj8="_s);
    EXPECT_EQ(BasicAuthorizationValue(QString(), QString()), u"Basic Og=="_s);
}
