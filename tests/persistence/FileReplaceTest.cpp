#include "persistence/FileReplace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Both ways of flushing replace the whole file, keep its permissions and leave nothing else
// in the folder; a missing folder fails with a reason and creates nothing.
TEST(FileReplaceTest, ReplacesWholeKeepsPermissionsAndLeavesNoTemporaryFile)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(u"data.xml"_s);
    for (const Flush flush : { Flush::ToSystem, Flush::ToDisk }) {
        ASSERT_TRUE(ReplaceFile(path, QByteArray(5000, 'a'), flush));
        const QFileDevice::Permissions chosen = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        ASSERT_TRUE(QFile::setPermissions(path, chosen));
        const Result replaced = ReplaceFile(path, "short", flush);
        EXPECT_TRUE(replaced) << replaced.text.toStdString();
        EXPECT_EQ(contents(path), "short");
        // Owner, group and others; the "user" bits only repeat the owner's for us.
        EXPECT_EQ(QFile::permissions(path) & 0x7077, chosen & 0x7077);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList { u"data.xml"_s });
        QFile::remove(path);
    }
    const Result missing = ReplaceFile(dir.filePath(u"none/data.xml"_s), "x", Flush::ToSystem);
    EXPECT_FALSE(missing);
    EXPECT_FALSE(missing.text.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"none"_s)));
}
