#include "persistence/TextFile.h"

#include "persistence/ErrorCodes.h"
#include "support/FileHelpers.h"
#include "support/Recorders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace FileHelpers;

TEST(TextFileTest, ReadReturnsTheContentsExactly)
{
    QTemporaryDir dir;
    MessageRecorder sink;
    const QString path = dir.filePath(u"ünï.txt"_s);
    ASSERT_TRUE(writeFile(path, "line 1\r\nline 2 \xC3\xA9"_ba));
    QString contents;
    EXPECT_EQ(ReadTextFile(path, contents, sink), 0);
    EXPECT_EQ(contents, u"line 1\r\nline 2 é"_s) << "no line end may be added or changed";

    ASSERT_TRUE(writeFile(path, "a\nb\n"_ba));
    EXPECT_EQ(ReadTextFile(path, contents, sink), 0);
    EXPECT_EQ(contents, u"a\nb\n"_s);
    EXPECT_TRUE(sink.messages.isEmpty());
}

TEST(TextFileTest, ReadFailureIsShownAndReturned)
{
    QTemporaryDir dir;
    MessageRecorder sink;
    QString contents = u"old"_s;
    EXPECT_EQ(ReadTextFile(dir.filePath(u"missing.txt"_s), contents, sink),
              ErrorCode::FileNotFound);
    EXPECT_TRUE(contents.isEmpty());
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_TRUE(sink.messages[0].text.startsWith(u"Error reading file: "_s));
    EXPECT_EQ(sink.messages[0].title, u"Error:"_s);
    EXPECT_EQ(sink.messages[0].icon, MessageSink::Icon::Error);
}

TEST(TextFileTest, WriteReplacesTheWholeFileWithUtf8Text)
{
    QTemporaryDir dir;
    MessageRecorder sink;
    const QString path = dir.filePath(u"body.txt"_s);
    ASSERT_TRUE(writeFile(path, QByteArray(1000, 'x')));
    EXPECT_EQ(WriteTextFile(path, u"short é\r\n"_s, sink), 0);
    EXPECT_EQ(readFile(path), "short \xC3\xA9\r\n"_ba);

    EXPECT_EQ(WriteTextFile(path, QString(), sink), 0);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(QFileInfo(path).size(), 0);

    const QString fresh = dir.filePath(u"new.txt"_s);
    EXPECT_EQ(WriteTextFile(fresh, u"x"_s, sink), 0);
    EXPECT_EQ(readFile(fresh), "x"_ba);
    EXPECT_TRUE(sink.messages.isEmpty());
}

TEST(TextFileTest, WriteRefusesReadOnlyAndHiddenFiles)
{
    QTemporaryDir dir;
    MessageRecorder sink;
    const QString readOnly = dir.filePath(u"ro.txt"_s);
    ASSERT_TRUE(writeFile(readOnly, "keep"_ba));
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadUser));
    EXPECT_EQ(WriteTextFile(readOnly, u"new"_s, sink), ErrorCode::Own);
    EXPECT_EQ(readFile(readOnly), "keep"_ba);

    const QString hidden = dir.filePath(u".hidden"_s);
    ASSERT_TRUE(writeFile(hidden, "keep"_ba));
    EXPECT_EQ(WriteTextFile(hidden, u"new"_s, sink), ErrorCode::Own);
    EXPECT_EQ(readFile(hidden), "keep"_ba);

    ASSERT_EQ(sink.messages.size(), 2);
    for (const auto& m : sink.messages) {
        EXPECT_EQ(m.text, u"Error writing file: Cannot overwrite read-only/system/hidden files!"_s);
        EXPECT_EQ(m.title, u"Error:"_s);
    }

    // Only an existing hidden file is refused; creating one is not overwriting.
    EXPECT_EQ(WriteTextFile(dir.filePath(u".new"_s), u"x"_s, sink), 0);
}

TEST(TextFileTest, WriteFailureIsShownAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    MessageRecorder sink;
    EXPECT_NE(WriteTextFile(dir.filePath(u"no/such/folder/x.txt"_s), u"x"_s, sink), 0);
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_TRUE(sink.messages[0].text.startsWith(u"Error writing file: "_s));

    const QString path = dir.filePath(u"big.txt"_s);
    ASSERT_TRUE(writeFile(path, "old"_ba));
    {
        FileSizeLimit limit(16);
        EXPECT_NE(WriteTextFile(path, QString(100, u'y'), sink), 0);
    }
    EXPECT_EQ(readFile(path), "old"_ba);
    EXPECT_EQ(sink.messages.size(), 2);
}
