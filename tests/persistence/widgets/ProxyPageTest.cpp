#include "persistence/widgets/ProxyPage.h"

#include "persistence/DataFolder.h"
#include "persistence/XmlDocument.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// The page shows the kept setting, hands on each usable change (kept in the user data and read
// back the same), and names a proxy URL it cannot use instead of handing it on.
TEST(ProxyPageTest, SettingRoundTripThroughThePageAndTheUserData)
{
    XmlDocument userData;
    ASSERT_TRUE(userData.loadXML(DataFolder::emptyUserData()));
    EXPECT_EQ(ReadProxyPreference(userData), ProxyPreference {});
    WriteProxyPreference(
        userData, { ProxyPreference::Mode::Url, u"http://u:p@proxy:3128"_s, u"localhost"_s });

    ProxyPage page(ReadProxyPreference(userData));
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    EXPECT_TRUE(page.urlButton()->isChecked());
    EXPECT_EQ(page.urlEdit()->text(), u"http://u:p@proxy:3128"_s);
    EXPECT_EQ(page.bypassEdit()->text(), u"localhost"_s);

    QSignalSpy changed(&page, &ProxyPage::changed);
    const auto edit = [](QLineEdit* line, const QString& text) {
        line->setFocus();
        line->selectAll();
        QTest::keyClicks(line, text);
        QTest::keyClick(line, Qt::Key_Return);
    };
    edit(page.urlEdit(), u"ftp://proxy:21"_s);
    EXPECT_TRUE(changed.isEmpty());
    EXPECT_TRUE(page.problemLabel()->text().contains(u"not supported"_s))
        << qPrintable(page.problemLabel()->text());

    edit(page.urlEdit(), u"socks5h://gate:1080"_s);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_TRUE(page.problemLabel()->text().isEmpty());
    WriteProxyPreference(userData, changed.takeFirst().at(0).value<ProxyPreference>());
    EXPECT_EQ(
        ReadProxyPreference(userData),
        (ProxyPreference { ProxyPreference::Mode::Url, u"socks5h://gate:1080"_s, u"localhost"_s }));

    QTest::mouseClick(page.environmentButton(), Qt::LeftButton);
    ASSERT_EQ(changed.size(), 1);
    WriteProxyPreference(userData, changed.takeFirst().at(0).value<ProxyPreference>());
    EXPECT_EQ(ReadProxyPreference(userData).mode, ProxyPreference::Mode::Environment);
}
