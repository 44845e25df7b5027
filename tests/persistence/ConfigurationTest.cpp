#include "persistence/Configuration.h"

#include "BuildInfo.h"
#include "persistence/AutoSettings.h"
#include "persistence/SettingsPanel.h"
#include "support/FileHelpers.h"
#include "support/Recorders.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class PanelRecorder final : public SettingsPanel
{
public:
    struct Item
    {
        QString caption;
        QString key;
        bool checked = false;
    };
    qint32 AddAutoSetting(const QString& caption, const QString& key, bool checked) override
    {
        settings.append({ caption, key, checked });
        return 0;
    }
    qint32 AddHelpMenuItem(const QString& caption, const QString& target) override
    {
        links.append({ caption, target, false });
        return 0;
    }
    QList<Item> settings;
    QList<Item> links;
};

class ConfigurationTest : public ::testing::Test
{
protected:
    // Loads a configuration whose root holds body.
    bool load(const QString& body)
    {
        const QString path = dir.filePath(u"pelorinconfig.xml"_s);
        EXPECT_TRUE(FileHelpers::writeFile(
            path, (u"<pelorinhttp>"_s + body + u"</pelorinhttp>"_s).toUtf8()));
        return config.LoadConfiguration(path, settings, &panel);
    }

    QTemporaryDir dir;
    MessageRecorder sink;
    PanelRecorder panel;
    AutoSettings settings;
    Configuration config { sink };
};

} // namespace

TEST_F(ConfigurationTest, WithoutAutoAllSettingsAreOffButListedInOrder)
{
    settings.AddCookies = true;
    ASSERT_TRUE(load(QString()));
    EXPECT_FALSE(settings.AddCookies || settings.StoreCookies || settings.AddHistory
                 || settings.Redirect || settings.SetHostHeader);
    ASSERT_EQ(panel.settings.size(), 5);
    const QStringList keys = { u"AddCookies"_s, u"StoreCookies"_s, u"AddHistory"_s, u"Redirect"_s,
                               u"SetHostHeader"_s };
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(panel.settings[i].key, keys[i]);
        EXPECT_FALSE(panel.settings[i].checked);
    }
    EXPECT_EQ(panel.settings[0].caption, u"add received cookies to request window"_s);
    EXPECT_EQ(panel.settings[3].caption,
              u"Prompt for redirect if 30x response and 'location' header present"_s);
    EXPECT_EQ(panel.settings[4].caption, u"set 'host' header before sending request"_s);
    EXPECT_TRUE(sink.messages.isEmpty());
}

TEST_F(ConfigurationTest, BooleanTextsConvertAndOthersAreReported)
{
    ASSERT_TRUE(load(u"<auto><AddCookies>TRUE</AddCookies><StoreCookies>1</StoreCookies>"
                     "<AddHistory>false</AddHistory><Redirect>0</Redirect>"
                     "<SetHostHeader>yes</SetHostHeader></auto>"_s));
    EXPECT_TRUE(settings.AddCookies);
    EXPECT_TRUE(settings.StoreCookies);
    EXPECT_FALSE(settings.AddHistory);
    EXPECT_FALSE(settings.Redirect);
    EXPECT_FALSE(settings.SetHostHeader);
    EXPECT_TRUE(panel.settings[0].checked);
    EXPECT_FALSE(panel.settings[4].checked);
    ASSERT_EQ(sink.messages.size(), 1) << "only \"yes\" fails to convert";
    EXPECT_TRUE(sink.messages[0].text.contains(u"yes"_s));

    EXPECT_EQ(config.GetConfigValue(u"pelorinhttp/auto/StoreCookies"_s,
                                    Configuration::ValueKind::Integer),
              1);
    EXPECT_EQ(
        config.GetConfigValue(u"pelorinhttp/auto/AddCookies"_s, Configuration::ValueKind::Integer),
        0);
    EXPECT_EQ(
        config.GetConfigValue(u"pelorinhttp/auto/SetHostHeader"_s, Configuration::ValueKind::Text),
        u"yes"_s);
    EXPECT_EQ(config.GetConfigValue(u"pelorinhttp/none"_s, Configuration::ValueKind::Text),
              QString());
    EXPECT_EQ(config.GetConfigValue(u"pelorinhttp/none"_s, Configuration::ValueKind::Boolean),
              false);
    EXPECT_EQ(sink.messages.size(), 1);
}

TEST_F(ConfigurationTest, OnlyAFirstAttributeDefaultTruePreselectsAndTheLastWins)
{
    ASSERT_TRUE(load(u"<combos><requestmethod><option>GET</option>"
                     "<option Default=\"TRUE\">POST</option>"
                     "<option name=\"x\" default=\"true\">HEAD</option></requestmethod>"
                     "<httpver><option default=\"true\">HTTP/1.1</option>"
                     "<option p:default=\"True\">HTTP/1.0</option></httpver></combos>"_s));
    const auto methods = config.ListFromConfig(Configuration::requestMethodsPath());
    EXPECT_EQ(methods.entries, (QStringList { u"GET"_s, u"POST"_s, u"HEAD"_s }));
    EXPECT_EQ(methods.selected, 1);
    const auto versions = config.ListFromConfig(Configuration::httpVersionsPath());
    EXPECT_EQ(versions.entries.size(), 2);
    EXPECT_EQ(versions.selected, 1) << "the local name counts, and the last qualifying one wins";
    EXPECT_EQ(config.ListFromConfig(u"pelorinhttp/combos/none/option"_s).selected, -1);
}

TEST_F(ConfigurationTest, HelpLinksFollowTheBuiltInEntriesWhenComplete)
{
    ASSERT_TRUE(
        load(u"<helplinks><link caption=\"RFC 9110\">https://www.rfc-editor.org/rfc/rfc9110</link>"
             "<link>https://no.caption</link><link caption=\"No target\"></link>"
             "<link any=\"Mail\">mailto:a@b.c</link></helplinks>"_s));
    ASSERT_EQ(panel.links.size(), 6);
    EXPECT_EQ(panel.links[0].caption, u"General Information"_s);
    EXPECT_EQ(panel.links[0].key, u"-"_s);
    EXPECT_EQ(panel.links[1].key, u"about"_s);
    EXPECT_EQ(panel.links[2].caption, u"Visit the Pelorin website"_s);
    EXPECT_EQ(panel.links[2].key, QStringLiteral(PELORIN_WEBSITE));
    EXPECT_EQ(panel.links[3].caption, u"Send feedback or bug-report"_s);
    EXPECT_EQ(panel.links[3].key, QStringLiteral(PELORIN_FEEDBACK));
    EXPECT_EQ(panel.links[4].caption, u"RFC 9110"_s);
    EXPECT_EQ(panel.links[5].caption, u"Mail"_s);
    EXPECT_EQ(panel.links[5].key, u"mailto:a@b.c"_s);
}

TEST_F(ConfigurationTest, HeaderCatalogueAndValueLists)
{
    ASSERT_TRUE(
        load(u"<requestheaders>"
             "<option><name>Accept-Encoding</name><description>Codings</description>"
             "<values "
             "multiple=\"YES\"><value>a</value><value>b</value><value>c</value></values></option>"
             "<option><name>X-It's \"quoted\"</name><description>q</description>"
             "<values><value>v</value></values></option>"
             "<option><name>DNT</name><description>Do not track</description></option>"
             "<option><description>nameless</description></option>"
             "</requestheaders>"_s));
    bool multiple = false;
    EXPECT_EQ(config.GetHeaderValueList(u"Accept-Encoding"_s, multiple), u"a|b|c"_s);
    EXPECT_TRUE(multiple);
    EXPECT_EQ(config.GetHeaderValueList(u"X-It's \"quoted\""_s, multiple), u"v"_s);
    EXPECT_FALSE(multiple);
    multiple = true;
    EXPECT_EQ(config.GetHeaderValueList(u"DNT"_s, multiple), QString());
    EXPECT_FALSE(multiple) << "an option without values has no multiple attribute";
    multiple = true;
    EXPECT_EQ(config.GetHeaderValueList(u"accept-encoding"_s, multiple), QString())
        << "header names are matched exactly";
    EXPECT_TRUE(multiple) << "left as it was when the header is unknown";

    QString separator = u"?"_s;
    config.GetHeaderValueList(u"Accept-Encoding"_s, multiple, separator);
    EXPECT_EQ(separator, u";"_s) << "without a separator attribute values are joined by \";\"";
    separator = u"?"_s;
    config.GetHeaderValueList(u"Unknown"_s, multiple, separator);
    EXPECT_EQ(separator, u"?"_s) << "left as it was when the header is unknown";

    const auto catalogue = config.HeaderCatalogue();
    ASSERT_EQ(catalogue.size(), 3);
    EXPECT_EQ(catalogue[0].name, u"Accept-Encoding"_s);
    EXPECT_EQ(catalogue[0].description, u"Codings"_s);
    EXPECT_EQ(catalogue[2].name, u"DNT"_s);
}

TEST_F(ConfigurationTest, MissingOrMalformedConfigurationIsReportedAndFatal)
{
    EXPECT_FALSE(config.LoadConfiguration(dir.filePath(u"missing.xml"_s), settings, &panel));
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_TRUE(sink.messages[0].text.startsWith(u"Error parsing pelorinconfig.xml: (line 0) "_s));

    const QString path = dir.filePath(u"bad.xml"_s);
    ASSERT_TRUE(FileHelpers::writeFile(path, "<pelorinhttp>\n<auto>\n</pelorinhttp>"_ba));
    EXPECT_FALSE(config.LoadConfiguration(path, settings, &panel));
    ASSERT_EQ(sink.messages.size(), 2);
    EXPECT_TRUE(sink.messages[1].text.startsWith(u"Error parsing pelorinconfig.xml: (line 3) "_s))
        << sink.messages[1].text.toStdString();
    EXPECT_EQ(sink.messages[1].title, QStringLiteral(PELORIN_PRODUCT_NAME));
    EXPECT_TRUE(panel.settings.isEmpty());
}

TEST_F(ConfigurationTest, SeparatorAttributeJoinsChosenValues)
{
    ASSERT_TRUE(load(u"<requestheaders>"
                     "<option><name>TE</name><values multiple=\"yes\" separator=\", \">"
                     "<value>trailers</value><value>gzip</value></values></option>"
                     "<option><name>X-Empty</name><values multiple=\"yes\" separator=\"\">"
                     "<value>a</value></values></option>"
                     "</requestheaders>"_s));
    bool multiple = false;
    QString separator;
    EXPECT_EQ(config.GetHeaderValueList(u"TE"_s, multiple, separator), u"trailers|gzip"_s);
    EXPECT_TRUE(multiple);
    EXPECT_EQ(separator, u", "_s) << "white space in the attribute is kept";
    config.GetHeaderValueList(u"X-Empty"_s, multiple, separator);
    EXPECT_EQ(separator, u";"_s) << "an empty separator falls back to \";\"";
}

// Several chosen values must form a valid field value: comma-separated list fields join their
// members with ", " (RFC 9110 5.6.1, 9111 5.2, 7240 2, 9218 4); Forwarded joins the pairs of
// one element with ";" (RFC 7239 4).
TEST_F(ConfigurationTest, ShippedCatalogueJoinsListFieldsWithCommas)
{
    ASSERT_TRUE(config.LoadConfiguration(u":/pelorinconfig.xml"_s, settings, &panel))
        << sink.texts().join(u'\n').toStdString();
    const QStringList commaLists = { u"Accept"_s,
                                     u"Accept-Charset"_s,
                                     u"Accept-Encoding"_s,
                                     u"Accept-Language"_s,
                                     u"Access-Control-Request-Headers"_s,
                                     u"Cache-Control"_s,
                                     u"Prefer"_s,
                                     u"Priority"_s,
                                     u"TE"_s };
    QStringList multiValued;
    for (const Configuration::HeaderInfo& header : config.HeaderCatalogue()) {
        bool multiple = false;
        QString separator;
        config.GetHeaderValueList(header.name, multiple, separator);
        if (!multiple)
            continue;
        multiValued.append(header.name);
        const QString expected = header.name == "Forwarded"_L1 ? u";"_s : u", "_s;
        EXPECT_EQ(separator, expected) << header.name.toStdString();
    }
    for (const QString& name : commaLists)
        EXPECT_TRUE(multiValued.contains(name)) << name.toStdString() << " takes several values";
    EXPECT_TRUE(multiValued.contains(u"Forwarded"_s));
}
