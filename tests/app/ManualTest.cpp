#include "app/CommandLine.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(ManualTest, EveryCommandLineOptionIsDescribed)
{
    QFile file(u":/manual.md"_s);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the manual is not among the resources";
    const QString manual = QString::fromUtf8(file.readAll());

    QStringList options;
    const QRegularExpression option(u"(?<![\\w-])(--?[a-z][a-z-]*)"_s);
    for (const QRegularExpressionMatch& m : option.globalMatch(CommandLineHelp()))
        options.append(m.captured(1));
    options.removeDuplicates();
    ASSERT_GE(options.size(), 6) << qPrintable(options.join(u' '));
    for (const QString& name : options)
        EXPECT_TRUE(manual.contains(u'`' + name)) << qPrintable(name) << " is not in the manual";
    EXPECT_TRUE(manual.contains(u"## Licence"_s));
}
