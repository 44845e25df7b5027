#include "message/ChunkedBytes.h"

#include <gtest/gtest.h>

TEST(ChunkedBytesTest, FindsNeedlesAcrossChunkBoundaries)
{
    ChunkedBytes b;
    for (const char* c : { "ab\r", "\n", "\r", "\nxyHT", "tp", "" })
        b.append(c);
    EXPECT_EQ(b.size(), 12);
    EXPECT_EQ(b.toByteArray(), "ab\r\n\r\nxyHTtp");
    EXPECT_EQ(b.indexOf("\r\n\r\n"), 2);
    EXPECT_EQ(b.indexOf("\r\n\r\n", 3), -1);
    EXPECT_EQ(b.indexOf("HTTP"), -1);
    EXPECT_EQ(b.indexOf("HTTP", 0, Qt::CaseInsensitive), 8);
    EXPECT_EQ(b.indexOf("xy", 7), -1);
    EXPECT_EQ(b.mid(5, 4), "\nxyH");
    EXPECT_EQ(b.at(9), 'T');
}

TEST(ChunkedBytesTest, WholeChunkIsSharedNotCopied)
{
    ChunkedBytes b;
    const QByteArray chunk(1 << 16, 'x');
    b.append("head");
    b.append(chunk);
    EXPECT_EQ(b.mid(4, chunk.size()).constData(), chunk.constData());
    EXPECT_EQ(b.chunks().at(1).constData(), chunk.constData());
}
