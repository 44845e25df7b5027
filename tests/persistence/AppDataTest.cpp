#include "persistence/AppData.h"

#include "message/HTTPRequest.h"
#include "persistence/UserDataSaver.h"
#include "support/FileHelpers.h"
#include "support/Recorders.h"
#include "support/StoreRecorders.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace FileHelpers;

namespace {

Cookie makeCookie(const QString& host, const QString& name, const QString& value)
{
    Cookie c;
    c.setHost(host);
    c.Name = name;
    c.Value = value;
    c.Expires = u"Wed, 01 Jan 2031 00:00:00 GMT"_s;
    c.Path = u"/"_s;
    return c;
}

// Enough history that a small file size limit cuts the save short.
void addHistory(AppData& data, int count)
{
    for (int i = 0; i < count; ++i) {
        HTTPRequest request;
        request.Server = u"server"_s;
        request.Port = u"80"_s;
        request.setURL(u"/page/"_s + QString::number(i));
        ASSERT_EQ(data.history().AddHistoryItem(request), 0);
    }
}

class AppDataTest : public ::testing::Test
{
protected:
    QString userFile() const { return QDir(dir.path()).filePath(u"pelorinuser.xml"_s); }

    QTemporaryDir dir;
    MessageRecorder sink;
};

} // namespace

TEST_F(AppDataTest, FirstStartRunsOnEmptySectionsAndWritesTheFileAtClose)
{
    AppData data(DataFolder(dir.path()), sink);
    EXPECT_EQ(data.LoadUserData(), AppData::UserDataState::FirstStart);
    EXPECT_TRUE(sink.messages.isEmpty());
    EXPECT_EQ(data.cookies().StoreCookie(makeCookie(u"h"_s, u"n"_s, u"v"_s)), 0);
    ASSERT_TRUE(data.SaveUserData());

    AppData next(DataFolder(dir.path()), sink);
    CookieViewerRecorder viewer;
    next.cookies().setViewer(&viewer);
    EXPECT_EQ(next.LoadUserData(), AppData::UserDataState::Loaded);
    ASSERT_EQ(viewer.cookies.size(), 1);
    EXPECT_EQ(viewer.cookies[0].Value, u"v"_s);
}

TEST_F(AppDataTest, MalformedFileIsMovedAsideAndTheSessionRunsOnFreshSections)
{
    const QByteArray broken = "<userdata>\n<cookies>\n<server name=\"h\">\n</userdata>"_ba;
    ASSERT_TRUE(writeFile(userFile(), broken));
    AppData data(DataFolder(dir.path()), sink);
    EXPECT_EQ(data.LoadUserData(), AppData::UserDataState::MovedAside);

    ASSERT_EQ(sink.messages.size(), 1);
    const QString text = sink.messages[0].text;
    EXPECT_TRUE(text.startsWith(u"Error parsing pelorinuser.xml: (line 4) "_s))
        << text.toStdString();
    EXPECT_TRUE(text.contains(data.brokenFileCopy())) << "the message says where the file went";
    EXPECT_TRUE(data.brokenFileCopy().startsWith(userFile() + u".broken-"_s));
    EXPECT_EQ(readFile(data.brokenFileCopy()), broken);
    EXPECT_FALSE(QFileInfo::exists(userFile()));

    HTTPRequest request;
    request.Server = u"h"_s;
    request.Port = u"80"_s;
    request.setURL(u"/"_s);
    EXPECT_EQ(data.history().AddHistoryItem(request), 0);
    EXPECT_EQ(data.cookies().StoreCookie(makeCookie(u"h"_s, u"n"_s, u"v"_s)), 0);
    EXPECT_EQ(sink.messages.size(), 1);
    ASSERT_TRUE(data.SaveUserData());
    EXPECT_EQ(readFile(data.brokenFileCopy()), broken);

    XmlDocument saved;
    ASSERT_TRUE(saved.load(userFile()));
    EXPECT_EQ(saved.selectNodes(u"userdata/history/server/request/url"_s).size(), 1);
}

TEST_F(AppDataTest, AMissingSectionIsAddedAndTheOtherKept)
{
    ASSERT_TRUE(writeFile(userFile(),
                          "<userdata><cookies><server name=\"h\"><cookie name=\"n\" "
                          "value=\"v\" path=\"/\" expires=\"x\" block=\"True\" "
                          "secure=\"False\"/></server></cookies></userdata>"_ba));
    AppData data(DataFolder(dir.path()), sink);
    CookieViewerRecorder cookies;
    HistoryViewerRecorder history;
    data.cookies().setViewer(&cookies);
    data.history().setViewer(&history);
    EXPECT_EQ(data.LoadUserData(), AppData::UserDataState::Loaded);
    EXPECT_TRUE(sink.messages.isEmpty());
    ASSERT_EQ(cookies.cookies.size(), 1);
    EXPECT_TRUE(cookies.cookies[0].Block);
    EXPECT_TRUE(history.items.isEmpty());

    HTTPRequest request;
    request.Server = u"h"_s;
    request.Port = u"80"_s;
    request.setURL(u"/a"_s);
    EXPECT_EQ(data.history().AddHistoryItem(request), 0);
    EXPECT_EQ(history.items, QStringList { u"h:80 /a"_s });
}

TEST_F(AppDataTest, AWellFormedFileOfAnotherKindIsMovedAsideToo)
{
    ASSERT_TRUE(writeFile(userFile(), "<?xml version=\"1.0\"?>\n<request/>"_ba));
    AppData data(DataFolder(dir.path()), sink);
    EXPECT_EQ(data.LoadUserData(), AppData::UserDataState::MovedAside);
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_TRUE(sink.messages[0].text.startsWith(u"Error parsing pelorinuser.xml: (line 2) "_s))
        << sink.messages[0].text.toStdString();
}

TEST_F(AppDataTest, FailedSaveIsReportedAndKeepsThePreviousFile)
{
    const QByteArray previous = DataFolder::emptyUserData();
    ASSERT_TRUE(writeFile(userFile(), previous));
    AppData data(DataFolder(dir.path()), sink);
    ASSERT_EQ(data.LoadUserData(), AppData::UserDataState::Loaded);
    ASSERT_NO_FATAL_FAILURE(addHistory(data, 50));
    Result saved;
    {
        FileSizeLimit limit(256);
        saved = data.SaveUserData();
    }
    EXPECT_FALSE(saved);
    EXPECT_FALSE(saved.text.isEmpty());
    EXPECT_EQ(readFile(userFile()), previous);

    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const bool enforced = permissionsEnforced(dir.path());
    saved = data.SaveUserData();
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (enforced) {
        EXPECT_FALSE(saved);
        EXPECT_EQ(readFile(userFile()), previous);
    }
    saved = data.SaveUserData();
    ASSERT_TRUE(saved) << saved.text.toStdString();
    EXPECT_NE(readFile(userFile()), previous);
}

TEST_F(AppDataTest, NothingIsSavedBeforeTheUserDataWasLoaded)
{
    ASSERT_TRUE(writeFile(userFile(), "<userdata><cookies/><history/></userdata>"_ba));
    AppData data(DataFolder(dir.path()), sink);
    EXPECT_FALSE(data.SaveUserData());
    EXPECT_EQ(readFile(userFile()), "<userdata><cookies/><history/></userdata>"_ba);
}

TEST_F(AppDataTest, FailedSavesAreToldOnceUntilASaveSucceeds)
{
    AppData data(DataFolder(dir.path()), sink);
    ASSERT_EQ(data.LoadUserData(), AppData::UserDataState::FirstStart);
    ASSERT_NO_FATAL_FAILURE(addHistory(data, 50));
    {
        FileSizeLimit limit(256);
        EXPECT_FALSE(data.SaveUserDataReported(false));
        EXPECT_FALSE(data.SaveUserDataReported(false));
        ASSERT_EQ(sink.messages.size(), 1);
        EXPECT_TRUE(sink.messages[0].text.startsWith(u"Cookies and history could not be saved to "_s
                                                     + userFile() + u":\n"_s));
        EXPECT_GT(sink.messages[0].text.size(), 45 + userFile().size());
        EXPECT_FALSE(data.SaveUserDataReported(true));
        EXPECT_EQ(sink.messages.size(), 2);
    }
    EXPECT_TRUE(data.saveFailed());
    EXPECT_TRUE(data.SaveUserDataReported(false));
    EXPECT_TRUE(QFileInfo::exists(userFile()));
    {
        FileSizeLimit limit(256);
        EXPECT_FALSE(data.SaveUserDataReported(false));
    }
    EXPECT_EQ(sink.messages.size(), 3);
}

// Changes made close together are written once, soon after, and closing writes what is
// still pending at once.
TEST_F(AppDataTest, SaverWritesChangesMadeCloseTogetherOnce)
{
    AppData data(DataFolder(dir.path()), sink);
    ASSERT_EQ(data.LoadUserData(), AppData::UserDataState::FirstStart);
    UserDataSaver saver(data, 50);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(
            data.cookies().StoreCookie(makeCookie(u"h"_s, u"n"_s + QString::number(i), u"v"_s)), 0);
        saver.changed();
    }
    EXPECT_FALSE(QFileInfo::exists(userFile()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !saver.pending(); }, 5000));
    EXPECT_EQ(saver.saves(), 1);
    EXPECT_TRUE(readFile(userFile()).contains("n4"));

    EXPECT_EQ(data.cookies().StoreCookie(makeCookie(u"h"_s, u"late"_s, u"v"_s)), 0);
    saver.changed();
    EXPECT_TRUE(saver.close(true));
    EXPECT_FALSE(saver.pending());
    EXPECT_EQ(saver.saves(), 2);
    EXPECT_TRUE(readFile(userFile()).contains("late"));
}
