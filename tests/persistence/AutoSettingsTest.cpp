#include "persistence/AutoSettings.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(AutoSettingsTest, OnlyTheFiveKeysChangeASetting)
{
    AutoSettings s;
    for (const QString& key : AutoSettings::keys()) {
        EXPECT_TRUE(s.set(key, true)) << key.toStdString();
        EXPECT_EQ(s.value(key), true);
        EXPECT_FALSE(AutoSettings::caption(key).isEmpty());
    }
    EXPECT_TRUE(s.AddCookies && s.StoreCookies && s.AddHistory && s.Redirect && s.SetHostHeader);
    ASSERT_TRUE(s.set(u"Redirect"_s, false));
    EXPECT_FALSE(s.Redirect);
    EXPECT_TRUE(s.SetHostHeader);

    EXPECT_FALSE(s.set(u"addcookies"_s, false)) << "keys are matched exactly";
    EXPECT_TRUE(s.AddCookies);
    EXPECT_FALSE(s.value(u"Other"_s).has_value());
    EXPECT_EQ(AutoSettings::caption(u"StoreCookies"_s), u"store persistent cookies"_s);
}
