#include "editing/RequestBodyText.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// A hand-made multipart body: CR LF delimiters around an LF-only text part, a bare CR, a byte
// that is not UTF-8 and a NUL.
static const QByteArray kMixed
    = QByteArray("--b\r\nContent-Type: text/plain\r\n\r\na\nb\n\r\n--b\r\nraw \xff") + '\0'
    + QByteArray(" cr\rend\r\n--b--");

TEST(RequestBodyTextTest, LoadedBytesComeBackExactlyAndShowOneBreakPerLineEnd)
{
    RequestBodyText body;
    body.setBytes(kMixed);
    EXPECT_EQ(body.bytes(), kMixed);
    EXPECT_FALSE(body.isLocked());
    EXPECT_EQ(body.shownText().count(u'\n'), 9);
    EXPECT_FALSE(body.shownText().contains(u'\r'));
    // Giving the box's own text back is no edit.
    ASSERT_TRUE(body.applyShownText(body.shownText()));
    EXPECT_EQ(body.bytes(), kMixed);
}

TEST(RequestBodyTextTest, EditsRemakeOnlyTheTouchedLinesAndTypedBreaksAreCrLf)
{
    RequestBodyText body;
    body.setBytes("one\ntwo\r\nthree\rfour \xff\nfive");
    // Typing inside a line keeps its LF; untouched lines keep theirs and their bytes.
    QString shown = body.shownText();
    shown.insert(2, u'X');
    ASSERT_TRUE(body.applyShownText(shown));
    EXPECT_EQ(body.bytes(), "onXe\ntwo\r\nthree\rfour \xff\nfive");
    // A typed line break is CR LF; the line it splits keeps its own end for its second half.
    shown = body.shownText();
    shown.insert(shown.indexOf(u"three"_s) + 2, u'\n');
    ASSERT_TRUE(body.applyShownText(shown));
    EXPECT_EQ(body.bytes(), "onXe\ntwo\r\nth\r\nree\rfour \xff\nfive");
    // Joining two lines drops the break between them; the joined line ends as the second did.
    shown = body.shownText();
    shown.remove(shown.indexOf(u"two"_s) + 3, 1);
    ASSERT_TRUE(body.applyShownText(shown));
    EXPECT_EQ(body.bytes(), "onXe\ntwoth\r\nree\rfour \xff\nfive");
    // Pasting lines at the end types their breaks as CR LF.
    ASSERT_TRUE(body.applyShownText(body.shownText() + u"\nsix\nseven"_s));
    EXPECT_EQ(body.bytes(), "onXe\ntwoth\r\nree\rfour \xff\nfive\r\nsix\r\nseven");

    body.setText(QString());
    ASSERT_TRUE(body.applyShownText(u"a\n"_s));
    EXPECT_EQ(body.bytes(), "a\r\n");
}

TEST(RequestBodyTextTest, BinaryBodiesWithARenderingOfTheirOwnAreLocked)
{
    const QByteArray binary("--b\r\n\x89PNG\x00\x01\r\n--b--", 18);
    RequestBodyText body;
    body.setExactBytes(binary, u"--b\r\n[image.png, 6 bytes]\r\n--b--"_s);
    EXPECT_TRUE(body.isLocked());
    EXPECT_EQ(body.shownText(), u"--b\n[image.png, 6 bytes]\n--b--"_s);
    EXPECT_FALSE(body.applyShownText(u"typed"_s));
    EXPECT_EQ(body.bytes(), binary);

    // A rendering that is just the bytes' text is an ordinary, editable body.
    body.setExactBytes("a=1\r\nb=2", u"a=1\r\nb=2"_s);
    EXPECT_FALSE(body.isLocked());
    EXPECT_TRUE(body.applyShownText(u"a=1\nb=23"_s));
    EXPECT_EQ(body.bytes(), "a=1\r\nb=23");
}
