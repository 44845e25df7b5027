#include "persistence/XmlDocument.h"

#include "support/FileHelpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace FileHelpers;

TEST(XmlDocumentTest, ParseErrorsGiveLineAndReasonAndLeaveTheDocumentEmpty)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.loadXML(u"<a/>"_s));
    EXPECT_FALSE(doc.loadXML("<a>\n<b>\n</a>\n"_ba));
    EXPECT_EQ(doc.parseError().kind, XmlParseError::Kind::Syntax);
    EXPECT_EQ(doc.parseError().line, 3);
    EXPECT_FALSE(doc.parseError().reason.isEmpty());
    EXPECT_FALSE(doc.documentElement());

    EXPECT_FALSE(doc.loadXML(QByteArray()));
    EXPECT_EQ(doc.parseError().line, 1);

    // Truncated in the middle of the third line.
    EXPECT_FALSE(doc.loadXML("<userdata>\r\n<cookies/>\r\n<hist"_ba));
    EXPECT_EQ(doc.parseError().line, 3);

    EXPECT_FALSE(doc.loadXML(
        "<other/>"_ba,
        { .keepLineEnds = false, .requiredRoot = u"userdata"_s, .largeSectionsOf = {} }));
    EXPECT_TRUE(doc.parseError().reason.contains(u"userdata"_s))
        << doc.parseError().reason.toStdString();

    ASSERT_TRUE(doc.loadXML("<a/>"_ba));
    EXPECT_EQ(doc.parseError().kind, XmlParseError::Kind::None);
}

TEST(XmlDocumentTest, LoadsFilesWithNonAsciiPathsAndReportsMissingFiles)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"données ü.xml"_s);
    ASSERT_TRUE(writeFile(path, u"<r><s name=\"é\"/></r>"_s.toUtf8()));
    XmlDocument doc;
    ASSERT_TRUE(doc.load(path)) << doc.parseError().reason.toStdString();
    EXPECT_EQ(doc.selectSingleNode(u"r/s/@name"_s).text(), u"é"_s);

    EXPECT_FALSE(doc.load(dir.filePath(u"missing.xml"_s)));
    EXPECT_EQ(doc.parseError().kind, XmlParseError::Kind::File);
    EXPECT_EQ(doc.parseError().line, 0);
}

TEST(XmlDocumentTest, VariablesFindValuesWithEitherQuoteAndCannotInjectXPath)
{
    XmlDocument doc;
    XmlNode root = doc.documentNode().appendElement(u"r"_s);
    const QStringList names
        = { u"it's"_s, u"say \"hi\""_s, u"both ' and \""_s, u"é ✓"_s, u"x'] | //s[@name='"_s };
    for (const QString& name : names)
        root.appendElement(u"s"_s).setAttribute(u"name"_s, name);
    for (const QString& name : names) {
        const XmlNode found = doc.selectSingleNode(u"r/s[@name = $n]"_s, { { u"n"_s, name } });
        ASSERT_TRUE(found) << name.toStdString();
        EXPECT_EQ(found.attribute(u"name"_s), name);
    }
    EXPECT_EQ(doc.selectNodes(u"r/s[@name = $n]"_s, { { u"n"_s, u"x"_s } }).size(), 0);
    // A malformed expression finds nothing rather than throwing.
    EXPECT_FALSE(doc.selectSingleNode(u"r/s[@name='a'b']"_s));
    EXPECT_TRUE(doc.selectNodes(u"r/s["_s).isEmpty());
}

TEST(XmlDocumentTest, NodesKeepAttributeOrderTextAndStructure)
{
    XmlDocument doc;
    ASSERT_TRUE(
        doc.loadXML(u"<r><e z=\"1\" a=\"2\" p:default=\"3\">x<![CDATA[<y>]]><i>z</i></e></r>"_s));
    XmlNode e = doc.selectSingleNode(u"r/e"_s);
    EXPECT_EQ(e.text(), u"x<y>z"_s);
    EXPECT_EQ(e.parent().name(), u"r"_s);
    QList<XmlNode::Attribute> attrs = e.attributes();
    ASSERT_EQ(attrs.size(), 3);
    EXPECT_EQ(attrs[0].name, u"z"_s);
    EXPECT_EQ(attrs[2].localName(), u"default"_s);

    // Replacing keeps the position, new ones go last in the order set.
    EXPECT_TRUE(e.setAttribute(u"a"_s, u"9"_s));
    EXPECT_TRUE(e.setAttribute(u"m"_s, u"4"_s));
    attrs = e.attributes();
    ASSERT_EQ(attrs.size(), 4);
    EXPECT_EQ(attrs[1].name, u"a"_s);
    EXPECT_EQ(attrs[1].value, u"9"_s);
    EXPECT_EQ(attrs[3].name, u"m"_s);

    XmlNode attribute = doc.selectSingleNode(u"r/e/@z"_s);
    ASSERT_TRUE(attribute.isAttribute());
    EXPECT_TRUE(attribute.setText(u"changed"_s));
    EXPECT_EQ(e.attribute(u"z"_s), u"changed"_s);

    EXPECT_TRUE(e.setText(u"plain"_s));
    EXPECT_EQ(e.text(), u"plain"_s);
    EXPECT_FALSE(e.child(u"i"_s));

    XmlNode made = doc.createElement(u"new"_s);
    made.setAttribute(u"k"_s, u"v"_s);
    EXPECT_FALSE(doc.selectSingleNode(u"r/new"_s));
    XmlNode root = doc.documentElement();
    const XmlNode added = root.appendChild(made);
    EXPECT_EQ(added, made) << "the handle must be rebound to the node in the tree";
    made.setText(u"t"_s);
    EXPECT_EQ(doc.selectSingleNode(u"r/new[@k='v']"_s).text(), u"t"_s);
    EXPECT_EQ(root.children().size(), 2);

    EXPECT_TRUE(root.removeChild(e));
    EXPECT_FALSE(doc.selectSingleNode(u"r/e"_s));
    EXPECT_FALSE(root.removeChild(XmlNode()));
}

TEST(XmlDocumentTest, SaveRoundTripsAndRawFormatHasNoDeclarationOrIndentation)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"doc.xml"_s);
    XmlDocument doc;
    XmlNode root = doc.documentNode().appendElement(u"r"_s);
    root.appendElement(u"a"_s).setAttribute(u"v"_s, u"<&\"'>"_s);
    root.appendElement(u"b"_s).appendCData(u"x\r\ny"_s);

    EXPECT_EQ(doc.toByteArray(XmlFormat::Raw),
              "<r><a v=\"&lt;&amp;&quot;'>\"/><b><![CDATA[x\r\ny]]></b></r>"_ba);
    ASSERT_TRUE(doc.save(path, XmlFormat::Indented));
    EXPECT_TRUE(readFile(path).startsWith("<?xml"));

    XmlDocument back;
    ASSERT_TRUE(back.load(path));
    EXPECT_EQ(back.selectSingleNode(u"r/a/@v"_s).text(), u"<&\"'>"_s);
    // XML end-of-line handling turns CR LF into LF unless asked to keep line ends.
    EXPECT_EQ(back.selectSingleNode(u"r/b"_s).text(), u"x\ny"_s);
    ASSERT_TRUE(
        back.load(path, { .keepLineEnds = true, .requiredRoot = {}, .largeSectionsOf = {} }));
    EXPECT_EQ(back.selectSingleNode(u"r/b"_s).text(), u"x\r\ny"_s);
}

TEST(XmlDocumentTest, FailedSaveReportsAndKeepsThePreviousFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"doc.xml"_s);
    ASSERT_TRUE(writeFile(path, "<old/>"_ba));
    XmlDocument doc;
    XmlNode root = doc.documentNode().appendElement(u"new"_s);
    root.setText(QString(4096, u'x'));

    {
        // Holds for root too, who may write into read-only folders.
        FileSizeLimit limit(64);
        const Result saved = doc.save(path, XmlFormat::Indented);
        EXPECT_FALSE(saved);
        EXPECT_FALSE(saved.text.isEmpty());
    }
    EXPECT_EQ(readFile(path), "<old/>"_ba);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { u"doc.xml"_s });
}

TEST(XmlDocumentTest, SaveIntoReadOnlyFolderFailsAndKeepsThePreviousFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"doc.xml"_s);
    ASSERT_TRUE(writeFile(path, "<old/>"_ba));
    XmlDocument doc;
    doc.documentNode().appendElement(u"new"_s);

    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const bool enforced = permissionsEnforced(dir.path());
    const Result saved = doc.save(path, XmlFormat::Indented);
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!enforced)
        GTEST_SKIP() << "read-only folders do not stop this user (root)";
    EXPECT_FALSE(saved);
    EXPECT_FALSE(saved.text.isEmpty());
    EXPECT_EQ(readFile(path), "<old/>"_ba);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { u"doc.xml"_s });
}

TEST(XmlDocumentTest, DeepNestingIsRefusedAndTextIsCollectedWithoutRecursion)
{
    const auto nested = [](int depth) -> QByteArray {
        QByteArray xml = "<r>\n"_ba;
        for (int i = 1; i < depth; ++i)
            xml += "<e>x";
        for (int i = 1; i < depth; ++i)
            xml += "</e>";
        return xml + "</r>";
    };
    XmlDocument doc;
    ASSERT_TRUE(doc.loadXML(nested(XmlDocument::kMaxDepth)))
        << doc.parseError().reason.toStdString();
    EXPECT_EQ(doc.documentElement().text(), QString(u'x').repeated(XmlDocument::kMaxDepth - 1));

    EXPECT_FALSE(doc.loadXML(nested(XmlDocument::kMaxDepth + 1)));
    EXPECT_EQ(doc.parseError().kind, XmlParseError::Kind::Syntax);
    EXPECT_EQ(doc.parseError().line, 2);
    EXPECT_TRUE(doc.parseError().reason.contains(u"nested more than 1000 levels"_s));
    EXPECT_FALSE(doc.documentElement());

    // Siblings and closing back up to the top do not count as depth.
    QByteArray wide = "<r>"_ba;
    for (int i = 0; i < 3 * XmlDocument::kMaxDepth; ++i)
        wide += "<a><b/></a>";
    EXPECT_TRUE(doc.loadXML(wide + "</r>"));
}

TEST(XmlDocumentTest, TakenTextOutlivesTheDocumentAndFileErrorsKeepTheirLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"big.xml"_s);
    const QByteArray big = QByteArray(200 * 1024, 'b') + "\r\nend";
    ASSERT_TRUE(writeFile(path, "<r><a>x</a><big><![CDATA[" + big + "]]></big></r>"));
    QByteArray taken;
    {
        XmlDocument doc;
        ASSERT_TRUE(
            doc.load(path, { .keepLineEnds = true, .requiredRoot = {}, .largeSectionsOf = {} }));
        taken = doc.takeText(doc.selectSingleNode(u"r/big"_s));
        EXPECT_FALSE(doc.documentElement());
        // The document is reusable and a later load does not touch the taken bytes.
        ASSERT_TRUE(
            doc.loadXML("<r><big><![CDATA[" + QByteArray(100 * 1024, 'c') + "]]></big></r>"));
        EXPECT_EQ(doc.takeText(doc.selectSingleNode(u"r/big"_s)), QByteArray(100 * 1024, 'c'));
    }
    EXPECT_EQ(taken, big);
    taken.append("more");
    EXPECT_TRUE(taken.endsWith("\r\nendmore"));

    // Text split over sections, or short, is joined or copied as textBytes does.
    XmlDocument doc;
    ASSERT_TRUE(doc.loadXML("<r><![CDATA[a]]]]><![CDATA[>b]]></r>"_ba));
    EXPECT_EQ(doc.takeText(doc.documentElement()), "a]]>b"_ba);

    // Parsing in place must not shift the line an error is reported on.
    ASSERT_TRUE(writeFile(path, "<r>\r\n<a>x\r\ny</a>\r\n<b>\r\n</r>"_ba));
    EXPECT_FALSE(doc.load(path));
    EXPECT_EQ(doc.parseError().line, 5);
}

// Setting large sections aside must give every document exactly what the whole parse gives,
// falling back to it whenever the quick look could be fooled.
TEST(XmlDocumentTest, LargeSectionsSetAsideReadAsTheWholeParseReadsThem)
{
    const QByteArray big = QByteArray(1100 * 1024, 'x') + "\r\n]]";
    const QByteArray documents[] = {
        "<r><h>a</h><body><![CDATA[" + big + "]]></body></r>",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r><body><![CDATA[" + big + "]]]]><![CDATA[>"
            + big + "]]></body></r>",
        // A section start inside a comment, then a big section in another element.
        "<r><!-- <![CDATA[ --><h><![CDATA[" + big + "]]></h><body><![CDATA[b]]></body></r>",
        "<r><body><![CDATA[" + big + '\0' + "]]></body></r>",
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(u"doc.xml"_s);
    for (const QByteArray& document : documents) {
        ASSERT_TRUE(writeFile(path, document));
        XmlDocument whole;
        XmlDocument aside;
        const bool loaded = whole.load(
            path, { .keepLineEnds = true, .requiredRoot = u"r"_s, .largeSectionsOf = {} });
        ASSERT_EQ(
            aside.load(
                path,
                { .keepLineEnds = true, .requiredRoot = u"r"_s, .largeSectionsOf = u"body"_s }),
            loaded);
        if (!loaded)
            continue;
        EXPECT_EQ(aside.documentElement().child(u"h"_s).text(),
                  whole.documentElement().child(u"h"_s).text());
        EXPECT_EQ(aside.takeText(aside.documentElement().child(u"body"_s)),
                  whole.takeText(whole.documentElement().child(u"body"_s)));
    }
}
