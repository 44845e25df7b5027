#include "persistence/DataFolder.h"

#include "persistence/XmlDocument.h"
#include "support/FileHelpers.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace FileHelpers;

namespace {

class DataFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        seed = root.filePath(u"seed.xml"_s);
        ASSERT_TRUE(writeFile(seed, "<pelorinhttp/>"_ba));
        ASSERT_TRUE(QDir().mkpath(exeDir()));
    }
    QString exeDir() const { return root.filePath(u"bin"_s); }
    QString userDir() const { return root.filePath(u"home/.local/share/Pelorin"_s); }

    QTemporaryDir root;
    QString seed;
};

} // namespace

TEST_F(DataFolderTest, PortableFolderWinsWhenItHoldsTheConfiguration)
{
    ASSERT_TRUE(writeFile(QDir(exeDir()).filePath(u"pelorinconfig.xml"_s), "<pelorinhttp/>"_ba));
    const auto resolved = DataFolder::Resolve({}, exeDir(), userDir(), seed);
    ASSERT_TRUE(resolved) << resolved.error.toStdString();
    EXPECT_EQ(resolved.folder.path(), exeDir());
    EXPECT_FALSE(QFileInfo::exists(userDir()));
    EXPECT_FALSE(QFileInfo::exists(resolved.folder.userDataFile()))
        << "a missing user data file is a first start, not something to seed here";
    EXPECT_EQ(resolved.folder.bodyTempFile(), QDir(exeDir()).filePath(u"~bodytmp.txt"_s));
    EXPECT_EQ(resolved.folder.webservicesFolder(), QDir(exeDir()).filePath(u"webservices"_s));
    EXPECT_EQ(resolved.folder.manualFile(), QDir(exeDir()).filePath(u"manual.rtf"_s));
}

TEST_F(DataFolderTest, PerUserFolderIsCreatedAndSeededOnce)
{
    const auto resolved = DataFolder::Resolve({}, exeDir(), userDir(), seed);
    ASSERT_TRUE(resolved) << resolved.error.toStdString();
    EXPECT_EQ(resolved.folder.path(), userDir());
    EXPECT_EQ(readFile(resolved.folder.configFile()), "<pelorinhttp/>"_ba);
    EXPECT_TRUE(QFileInfo(resolved.folder.configFile()).isWritable());
    XmlDocument user;
    ASSERT_TRUE(user.load(resolved.folder.userDataFile()));
    EXPECT_TRUE(user.selectSingleNode(u"userdata/cookies"_s));
    EXPECT_TRUE(user.selectSingleNode(u"userdata/history"_s));

    // A second start keeps what the folder holds.
    ASSERT_TRUE(writeFile(resolved.folder.userDataFile(), "<userdata>mine</userdata>"_ba));
    ASSERT_TRUE(writeFile(seed, "<pelorinhttp>changed</pelorinhttp>"_ba));
    ASSERT_TRUE(DataFolder::Resolve({}, exeDir(), userDir(), seed));
    EXPECT_EQ(readFile(resolved.folder.userDataFile()), "<userdata>mine</userdata>"_ba);
    EXPECT_EQ(readFile(resolved.folder.configFile()), "<pelorinhttp/>"_ba);
}

TEST_F(DataFolderTest, OverrideWinsOverBothAndIsSeeded)
{
    ASSERT_TRUE(writeFile(QDir(exeDir()).filePath(u"pelorinconfig.xml"_s), "<pelorinhttp/>"_ba));
    const QString custom = root.filePath(u"custom dir é"_s);
    const auto resolved = DataFolder::Resolve(custom, exeDir(), userDir(), seed);
    ASSERT_TRUE(resolved) << resolved.error.toStdString();
    EXPECT_EQ(resolved.folder.path(), custom);
    EXPECT_TRUE(QFileInfo::exists(resolved.folder.configFile()));
    EXPECT_TRUE(QFileInfo::exists(resolved.folder.userDataFile()));
}

TEST_F(DataFolderTest, MissingSeedIsAnError)
{
    const auto resolved = DataFolder::Resolve({}, exeDir(), userDir(), root.filePath(u"none"_s));
    EXPECT_FALSE(resolved);
    EXPECT_FALSE(resolved.error.isEmpty());
}
