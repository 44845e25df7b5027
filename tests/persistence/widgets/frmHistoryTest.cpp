#include "persistence/widgets/frmHistory.h"

#include "message/HTTPRequest.h"
#include "persistence/AppData.h"
#include "persistence/DataFolder.h"
#include "support/Recorders.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

HTTPRequest makeRequest(const QString& url, bool secure = false)
{
    HTTPRequest r;
    r.Server = u"Site.Test"_s;
    r.Port = secure ? u"443"_s : u"8080"_s;
    r.Secure = secure;
    r.setURL(url);
    return r;
}

// The texts of item's subtree, depth first, indented by level.
QStringList outline(const QTreeWidgetItem* item, int level = 0)
{
    QStringList lines { QString(level * 2, u' ') + item->text(0) };
    for (int i = 0; i < item->childCount(); ++i)
        lines += outline(item->child(i), level + 1);
    return lines;
}

class frmHistoryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        app.LoadUserData();
        window.setRequestTarget([this](const HTTPRequest& r) { requested.append(r); });
        window.show();
        for (const QString& url : { u"/"_s, u"/d/A.html"_s, u"/d/a.html"_s, u"/x/y/"_s })
            ASSERT_EQ(app.history().AddHistoryItem(makeRequest(url)), 0);
        ASSERT_EQ(app.history().AddHistoryItem(makeRequest(u"/s/login"_s, true)), 0);
    }

    QTreeWidgetItem* find(const QStringList& path) const
    {
        QTreeWidgetItem* item = window.tree()->topLevelItem(0);
        for (const QString& text : path) {
            QTreeWidgetItem* next = nullptr;
            for (int i = 0; i < item->childCount() && !next; ++i) {
                if (item->child(i)->text(0) == text)
                    next = item->child(i);
            }
            if (!next)
                return nullptr;
            item = next;
        }
        return item;
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
    frmHistory window { app, messages };
    QList<HTTPRequest> requested;
};

} // namespace

TEST_F(frmHistoryTest, TreeShowsHostsFoldersAndDocumentsWithTheirLetterCase)
{
    app.history().AddHistoryItem(makeRequest(u"/d/A.html"_s));
    EXPECT_EQ(outline(window.tree()->topLevelItem(0)),
              (QStringList { u"History"_s, u"  site.test:8080"_s, u"    <default document>"_s,
                             u"    d"_s, u"      A.html"_s, u"      a.html"_s, u"    x"_s,
                             u"      y"_s, u"        <default document>"_s, u"  site.test:443"_s,
                             u"    s"_s, u"      login"_s }));
}

TEST_F(frmHistoryTest, RequestRebuildsTheExactUrlOverTheRecordedConnection)
{
    EXPECT_FALSE(window.requestButton()->isEnabled());
    window.tree()->setCurrentItem(find({ u"site.test:8080"_s, u"d"_s }));
    EXPECT_FALSE(window.requestButton()->isEnabled()) << "folders are not requests";

    window.tree()->setCurrentItem(find({ u"site.test:8080"_s, u"d"_s, u"a.html"_s }));
    ASSERT_TRUE(window.requestButton()->isEnabled());
    QTest::mouseClick(window.requestButton(), Qt::LeftButton);
    window.tree()->setCurrentItem(find({ u"site.test:443"_s, u"s"_s, u"login"_s }));
    QTest::mouseClick(window.requestButton(), Qt::LeftButton);
    window.tree()->setCurrentItem(find({ u"site.test:8080"_s, u"<default document>"_s }));
    QTest::mouseClick(window.requestButton(), Qt::LeftButton);

    ASSERT_EQ(requested.size(), 3);
    EXPECT_EQ(requested[0].FullPath(), u"http://site.test:8080/d/a.html"_s);
    EXPECT_EQ(requested[1].FullPath(), u"https://site.test:443/s/login"_s);
    EXPECT_TRUE(requested[1].Secure);
    EXPECT_EQ(requested[2].FullPath(), u"http://site.test:8080/"_s);
    EXPECT_EQ(requested[2].Method(), u"GET"_s);
}

TEST_F(frmHistoryTest, RemoveAsksThenPrunesEmptiedBranchesAndSaves)
{
    window.tree()->setCurrentItem(find({ u"site.test:8080"_s, u"d"_s, u"A.html"_s }));
    messages.answers = { false };
    QTest::mouseClick(window.removeButton(), Qt::LeftButton);
    EXPECT_NE(find({ u"site.test:8080"_s, u"d"_s, u"A.html"_s }), nullptr);
    EXPECT_FALSE(window.removeButton()->isEnabled());

    window.tree()->setCurrentItem(find({ u"site.test:8080"_s, u"d"_s, u"A.html"_s }));
    messages.answers = { true };
    QTest::mouseClick(window.removeButton(), Qt::LeftButton);
    EXPECT_EQ(find({ u"site.test:8080"_s, u"d"_s, u"A.html"_s }), nullptr);
    EXPECT_NE(find({ u"site.test:8080"_s, u"d"_s, u"a.html"_s }), nullptr);
    EXPECT_FALSE(savedFile().contains("/d/A.html"));
    EXPECT_TRUE(savedFile().contains("/d/a.html"));

    window.tree()->setCurrentItem(find({ u"site.test:443"_s, u"s"_s, u"login"_s }));
    messages.answers = { true };
    QTest::mouseClick(window.removeButton(), Qt::LeftButton);
    EXPECT_EQ(find({ u"site.test:443"_s }), nullptr) << "the emptied host goes too";
    EXPECT_NE(window.tree()->topLevelItem(0), nullptr);
    EXPECT_EQ(messages.texts(), (QStringList(3, u"Remove history item?"_s)));
    EXPECT_TRUE(app.history().GetHistoryURLs(u"site.test"_s, u"443"_s).isEmpty());
}
