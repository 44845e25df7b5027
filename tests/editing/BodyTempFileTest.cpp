#include "editing/BodyTempFile.h"

#include "support/FileHelpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Saves the file as an editor would, a second later than anything seen before.
void saveAsEditor(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(FileHelpers::writeFile(path, bytes));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(1),
                                 QFileDevice::FileModificationTime));
}

} // namespace

TEST(BodyTempFileTest, OnlyAFresherFileIsTakenAndExactly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"~bodytmp.txt"_s);
    BodyTempFile file(path);
    const QByteArray body("a\nb\r\n\x00\xff", 7);
    ASSERT_TRUE(file.open(body));
    EXPECT_TRUE(file.isOpen());
    EXPECT_EQ(FileHelpers::readFile(path), body);

    std::optional<QByteArray> read;
    EXPECT_TRUE(file.check(read));
    EXPECT_FALSE(read) << "unchanged";
    EXPECT_FALSE(file.isOpen()) << "a check ends the editor mode";

    const QByteArray edited("x\ny\r\n\x01", 6);
    saveAsEditor(path, edited);
    EXPECT_TRUE(file.check(read));
    EXPECT_EQ(read, edited);
    EXPECT_TRUE(file.check(read));
    EXPECT_FALSE(read) << "unchanged";
}

TEST(BodyTempFileTest, AFailureIsReportedOnceAndNeverLoops)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"~bodytmp.txt"_s);
    BodyTempFile file(path);
    ASSERT_TRUE(file.open("body"));
    ASSERT_TRUE(QFile::remove(path));
    std::optional<QByteArray> read;
    const Result vanished = file.check(read);
    EXPECT_FALSE(vanished);
    EXPECT_FALSE(vanished.text.isEmpty());
    EXPECT_TRUE(file.check(read));

    // A file that turns into something unreadable is reported once, however often it is looked at.
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"~bodytmp.txt"_s));
    EXPECT_FALSE(file.check(read));
    EXPECT_TRUE(file.check(read));
    EXPECT_FALSE(read);

    const Result written = file.open("body");
    EXPECT_FALSE(written) << "a folder cannot be written as the file";
    EXPECT_FALSE(written.text.isEmpty());
    EXPECT_FALSE(file.isOpen());
}
