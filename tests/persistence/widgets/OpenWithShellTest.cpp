#include "persistence/widgets/OpenWithShell.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(OpenWithShellTest, AddressesKeepTheirSchemeAndPathsBecomeFileUrls)
{
    EXPECT_EQ(ShellUrl(u"https://www.rfc-editor.org/rfc/rfc9110"_s),
              QUrl(u"https://www.rfc-editor.org/rfc/rfc9110"_s));
    EXPECT_EQ(ShellUrl(u"mailto:feedback@pelorin.example.org"_s).scheme(), u"mailto"_s);

    const QUrl file = ShellUrl(u"/tmp/a b;rm -rf ~.txt"_s);
    EXPECT_TRUE(file.isLocalFile());
    EXPECT_EQ(file.toLocalFile(), u"/tmp/a b;rm -rf ~.txt"_s);

    const QUrl relative = ShellUrl(u"docs/manual.rtf"_s);
    EXPECT_TRUE(relative.isLocalFile());
    EXPECT_EQ(relative.toLocalFile(), QDir::current().absoluteFilePath(u"docs/manual.rtf"_s));

    // A drive letter is not a scheme.
    EXPECT_TRUE(ShellUrl(u"C:\\docs\\a.txt"_s).isLocalFile());
}
