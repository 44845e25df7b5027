#include "app/CommandLine.h"

#include "editing/CurlCommand.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

CommandLine parse(QStringList args)
{
    args.prepend(u"pelorin"_s);
    return ParseCommandLine(args);
}

} // namespace

TEST(CommandLineTest, RequestFileAndDataDir)
{
    const CommandLine line = parse({ u"--data-dir"_s, u"/tmp/d"_s, u"\"a b.phr\""_s });
    EXPECT_TRUE(line.error.isEmpty()) << line.error.toStdString();
    EXPECT_EQ(line.dataDir, u"/tmp/d"_s);
    EXPECT_EQ(line.requestFile, u"\"a b.phr\""_s);
    EXPECT_FALSE(line.headless());
}

TEST(CommandLineTest, SendTakesEveryFileInOrder)
{
    const CommandLine line
        = parse({ u"--send"_s, u"a.phr"_s, u"b.phr"_s, u"--follow-redirects"_s });
    EXPECT_TRUE(line.error.isEmpty()) << line.error.toStdString();
    EXPECT_TRUE(line.headless());
    EXPECT_EQ(line.sendFiles, (QStringList { u"a.phr"_s, u"b.phr"_s }));
    EXPECT_TRUE(line.followRedirects);
}

TEST(CommandLineTest, BadInputIsReportedNotFatal)
{
    EXPECT_FALSE(parse({ u"--bogus"_s }).error.isEmpty());
    EXPECT_FALSE(parse({ u"--send"_s }).error.isEmpty());
    EXPECT_FALSE(parse({ u"a.phr"_s, u"b.phr"_s }).error.isEmpty());
    EXPECT_FALSE(parse({ u"--follow-redirects"_s }).error.isEmpty());
    EXPECT_FALSE(parse({ u"--data-dir"_s }).error.isEmpty());
    EXPECT_TRUE(parse({ u"--help"_s }).showHelp);
    EXPECT_TRUE(parse({ u"--version"_s }).showVersion);
    EXPECT_TRUE(CommandLineHelp().contains(u"--send"_s));
    // Whatever path started the program, help names the command.
    EXPECT_TRUE(CommandLineHelp().startsWith(u"Usage: pelorin [options]"_s))
        << CommandLineHelp().section(u'\n', 0, 0).toStdString();
}

TEST(CommandLineTest, TimeLimitsTakeSecondsLikeCurl)
{
    const CommandLine line = parse(
        { u"--send"_s, u"a.phr"_s, u"--max-time"_s, u"2.5"_s, u"--connect-timeout"_s, u"1"_s });
    EXPECT_TRUE(line.error.isEmpty()) << line.error.toStdString();
    EXPECT_EQ(line.maxTime, 2.5);
    EXPECT_EQ(line.connectTimeout, 1.0);
    EXPECT_EQ(parse({ u"--send"_s, u"a.phr"_s }).maxTime, 0.0);

    for (const QStringList& bad :
         { QStringList { u"--send"_s, u"a.phr"_s, u"--max-time"_s, u"0"_s },
           QStringList { u"--send"_s, u"a.phr"_s, u"--max-time"_s, u"-1"_s },
           QStringList { u"--send"_s, u"a.phr"_s, u"--connect-timeout"_s, u"soon"_s },
           QStringList { u"--send"_s, u"a.phr"_s, u"--connect-timeout"_s, u"nan"_s },
           QStringList { u"--max-time"_s, u"5"_s } })
        EXPECT_FALSE(parse(bad).error.isEmpty()) << bad.join(u' ').toStdString();
    EXPECT_TRUE(CommandLineHelp().contains(u"--max-time <SECONDS>"_s));
    EXPECT_TRUE(CommandLineHelp().contains(u"--connect-timeout <SECONDS>"_s));
}

TEST(CommandLineTest, QtWindowOptionsAreLeftToQt)
{
    std::vector<const char*> args { "pelorin",        "-platform",  "offscreen",
                                    "--style=Fusion", "--send",     "a.phr",
                                    "-reverse",       "--max-time", "3" };
    EXPECT_EQ(ProgramArguments(int(args.size()), const_cast<char**>(args.data())),
              (QStringList { u"pelorin"_s, u"--send"_s, u"a.phr"_s, u"--max-time"_s, u"3"_s }));
}

TEST(CommandLineTest, ClientCertificateOptionsTakeCurlsForm)
{
    const CommandLine line = parse({ u"--send"_s, u"a.phr"_s, u"--cert"_s,
                                     u"C\\:\\\\id\\:1.p12:pa:ss"_s, u"--cert-type"_s, u"p12"_s,
                                     u"--pass"_s, u"other"_s, u"--cacert"_s, u"ca.pem"_s });
    ASSERT_TRUE(line.error.isEmpty()) << line.error.toStdString();
    ASSERT_TRUE(line.tls);
    EXPECT_EQ(line.tls->identity.certFile, u"C:\\id:1.p12"_s);
    // The passphrase in --cert wins over --pass; the one after the first bare ':' keeps its ':'.
    EXPECT_EQ(line.tls->identity.passphrase, u"pa:ss"_s);
    EXPECT_EQ(line.tls->identity.type, ClientIdentity::Type::P12);
    EXPECT_EQ(line.tls->caFile, u"ca.pem"_s);
    EXPECT_EQ(JoinCertArgument(u"C:\\id:1.p12"_s, u"pa:ss"_s), u"C\\:\\\\id\\:1.p12:pa:ss"_s);

    const CommandLine keyed = parse({ u"--send"_s, u"a.phr"_s, u"--cert"_s, u"c.pem"_s, u"--key"_s,
                                      u"k.pem"_s, u"--pass"_s, u"secret"_s });
    ASSERT_TRUE(keyed.tls);
    EXPECT_EQ(keyed.tls->identity.keyFile, u"k.pem"_s);
    EXPECT_EQ(keyed.tls->identity.passphrase, u"secret"_s);
    EXPECT_FALSE(parse({ u"--send"_s, u"a.phr"_s }).tls);
    // Alone, --pass serves the saved client certificates.
    const CommandLine passOnly = parse({ u"--send"_s, u"a.phr"_s, u"--pass"_s, u"secret"_s });
    EXPECT_TRUE(passOnly.error.isEmpty()) << passOnly.error.toStdString();
    EXPECT_FALSE(passOnly.tls);
    EXPECT_EQ(passOnly.pass, u"secret"_s);

    for (const QStringList& bad :
         { QStringList { u"--send"_s, u"a.phr"_s, u"--key"_s, u"k.pem"_s },
           QStringList { u"--send"_s, u"a.phr"_s, u"--cert"_s, u"c"_s, u"--cert-type"_s, u"DER"_s },
           QStringList { u"--cacert"_s, u"ca.pem"_s } })
        EXPECT_FALSE(parse(bad).error.isEmpty()) << bad.join(u' ').toStdString();
}
