#include "persistence/widgets/frmCookies.h"

#include "message/Cookie.h"
#include "persistence/AppData.h"
#include "persistence/DataFolder.h"
#include "support/Recorders.h"

#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

Cookie makeCookie(const QString& name, const QString& value)
{
    Cookie cookie;
    cookie.setHost(u"Shop.Example"_s);
    cookie.Name = name;
    cookie.Value = value;
    cookie.Path = u"/"_s;
    cookie.Expires = u"Wed, 01 Jan 2031 00:00:00 GMT"_s;
    return cookie;
}

class frmCookiesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        app.LoadUserData();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    int rowOf(const QString& name) const
    {
        for (int row = 0; row < grid->rowCount(); ++row) {
            if (grid->item(row, 1)->text() == name)
                return row;
        }
        return -1;
    }
    void click(int row, int column)
    {
        const QRect cell = grid->visualRect(grid->model()->index(row, column));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    QByteArray savedFile() const
    {
        QFile file(folder.userDataFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    DataFolder folder { dir.path() };
    MessageRecorder messages;
    AppData app { folder, messages };
    frmCookies window { app, messages };
    QTableWidget* grid = window.grid();
};

} // namespace

TEST_F(frmCookiesTest, CookiesOfOneHostShareABoldRowAndNamesKeepTheirCase)
{
    Cookie session = makeCookie(u"temp"_s, u"1"_s);
    session.Expires.clear();
    app.cookies().StoreCookie(makeCookie(u"SID"_s, u"upper"_s));
    app.cookies().StoreCookie(makeCookie(u"sid"_s, u"lower"_s));
    window.AddCookie(session);
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->item(0, 0)->text(), u"shop.example"_s);
    EXPECT_TRUE(grid->item(0, 0)->font().bold());
    EXPECT_EQ(rowOf(u"temp"_s), -1) << "session cookies are not stored, so not shown";

    app.cookies().StoreCookie(makeCookie(u"SID"_s, u"again"_s));
    EXPECT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->item(rowOf(u"SID"_s), 2)->text(), u"again"_s);
    EXPECT_EQ(grid->item(rowOf(u"sid"_s), 2)->text(), u"lower"_s);

    click(0, 1);
    EXPECT_FALSE(window.deleteButton()->isEnabled()) << "a host row cannot be deleted";
    click(rowOf(u"sid"_s), 2);
    EXPECT_TRUE(window.deleteButton()->isEnabled());

    // A cookie the store dropped on its own goes from the grid by its exact name.
    window.RemoveCookie(u"SHOP.example"_s, u"sid"_s);
    EXPECT_EQ(rowOf(u"sid"_s), -1);
    EXPECT_NE(rowOf(u"SID"_s), -1);
    EXPECT_FALSE(window.deleteButton()->isEnabled());
}

TEST_F(frmCookiesTest, BlockUnblockAndDeleteReachTheUserDataFile)
{
    app.cookies().StoreCookie(makeCookie(u"SID"_s, u"upper"_s));
    app.cookies().StoreCookie(makeCookie(u"sid"_s, u"lower"_s));

    click(rowOf(u"sid"_s), 0);
    const int row = rowOf(u"sid"_s);
    EXPECT_EQ(grid->item(row, 0)->checkState(), Qt::Checked);
    EXPECT_EQ(grid->item(row, 3)->background().color(), QColor(255, 192, 192));
    EXPECT_EQ(grid->item(row, 3)->foreground().color(), QColor(Qt::black)) << "dark on the tint";
    EXPECT_TRUE(savedFile().contains(
        R"(name="sid" value="lower" path="/" expires="Wed, 01 Jan 2031 00:00:00 GMT" block="True")"))
        << savedFile().toStdString();
    EXPECT_TRUE(savedFile().contains(
        R"(name="SID" value="upper" path="/" expires="Wed, 01 Jan 2031 00:00:00 GMT" block="False")"));
    // A server sending the cookie again keeps the user's mark, and the row shows it.
    app.cookies().StoreCookie(makeCookie(u"sid"_s, u"newer"_s));
    EXPECT_EQ(grid->item(rowOf(u"sid"_s), 0)->checkState(), Qt::Checked);

    click(rowOf(u"sid"_s), 0);
    EXPECT_EQ(grid->item(rowOf(u"sid"_s), 0)->checkState(), Qt::Unchecked);
    // Unblocked rows take the desktop's colours, light or dark, not white.
    EXPECT_EQ(grid->item(rowOf(u"sid"_s), 3)->background().style(), Qt::NoBrush);
    EXPECT_EQ(grid->item(rowOf(u"sid"_s), 3)->foreground().style(), Qt::NoBrush);
    EXPECT_FALSE(savedFile().contains(R"(block="True")"));

    messages.answers = { false, true };
    click(rowOf(u"SID"_s), 1);
    QTest::mouseClick(window.deleteButton(), Qt::LeftButton);
    EXPECT_NE(rowOf(u"SID"_s), -1) << "No keeps the cookie";
    QTest::mouseClick(window.deleteButton(), Qt::LeftButton);
    EXPECT_EQ(messages.texts(),
              (QStringList { u"Permanently remove cookie 'SID' ?"_s,
                             u"Permanently remove cookie 'SID' ?"_s }));
    EXPECT_EQ(rowOf(u"SID"_s), -1);
    EXPECT_NE(rowOf(u"sid"_s), -1);
    EXPECT_FALSE(savedFile().contains(R"(name="SID")"));
    EXPECT_TRUE(savedFile().contains(R"(name="sid")"));
    EXPECT_EQ(app.cookies().GetStoredCookies(u"shop.example"_s).size(), 1);
}

TEST_F(frmCookiesTest, AFailedStoreCallPutsTheRowBack)
{
    app.cookies().StoreCookie(makeCookie(u"sid"_s, u"1"_s));
    XmlNode section = app.userData().selectSingleNode(u"userdata/cookies"_s);
    section.parent().removeChild(section);

    click(rowOf(u"sid"_s), 0);
    EXPECT_EQ(grid->item(rowOf(u"sid"_s), 0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(grid->item(rowOf(u"sid"_s), 0)->background().style(), Qt::NoBrush);
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_EQ(messages.messages.first().icon, MessageSink::Icon::Error);

    messages.answers = { true };
    click(rowOf(u"sid"_s), 1);
    QTest::mouseClick(window.deleteButton(), Qt::LeftButton);
    EXPECT_NE(rowOf(u"sid"_s), -1);
}
