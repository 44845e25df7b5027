#include "message/BodySource.h"

#include "support/FileHelpers.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Reads source to its end in blocks of blockSize; the failure text, if any, goes to error.
QByteArray drain(BodySource& source, qint64 blockSize, QString& error)
{
    QByteArray all;
    while (!source.atEnd()) {
        QByteArray block;
        if (const Result read = source.next(blockSize, block); !read) {
            error = read.text;
            break;
        }
        EXPECT_LE(block.size(), blockSize);
        all += block;
    }
    return all;
}

} // namespace

TEST(BodySourceTest, PiecesComeBackInOrderAcrossBlockEdges)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"f.bin"_s);
    ASSERT_TRUE(FileHelpers::writeFile(path, "0123456789"));
    BodyPiece range = BodyPiece::wholeFile(path);
    range.offset = 3;
    range.length = 5;
    BodySource source({ BodyPiece::memory("head|"), BodyPiece::wholeFile(path), range,
                        BodyPiece::memory({}), BodyPiece::memory("|tail") });
    ASSERT_TRUE(source.check());
    EXPECT_EQ(source.size(), 5 + 10 + 5 + 5);
    QString error;
    EXPECT_EQ(drain(source, 4, error),
              "head|0123456789"
              "34567"
              "|tail");
    EXPECT_TRUE(error.isEmpty()) << qPrintable(error);
    EXPECT_EQ(source.position(), source.size());
}

TEST(BodySourceTest, FilesThatVanishOrChangeSizeFailNamingThem)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"f.bin"_s);
    ASSERT_TRUE(FileHelpers::writeFile(path, "0123456789"));
    const BodyPiece piece = BodyPiece::wholeFile(path);

    ASSERT_TRUE(FileHelpers::writeFile(path, "01234567890"));
    EXPECT_EQ(BodySource({ piece }).check().text,
              u"Body file changed size (11 bytes, 10 expected): "_s + path);

    // Grown while it was read: the last block is refused, not sent as if complete.
    ASSERT_TRUE(FileHelpers::writeFile(path, "0123456789"));
    BodySource growing({ piece });
    QByteArray block;
    ASSERT_TRUE(growing.next(4, block));
    ASSERT_TRUE(FileHelpers::writeFile(path, "0123456789AB"));
    QString error;
    drain(growing, 4, error);
    EXPECT_EQ(error, u"Body file changed size while it was sent: "_s + path);

    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(BodySource({ piece }).check().text, u"Body file not found: "_s + path);
}
