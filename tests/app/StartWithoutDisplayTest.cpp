#include "editing/RequestFile.h"
#include "message/HTTPRequest.h"
#include "support/TestServer.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct Outcome
{
    int status = -1;
    QByteArray out;
    QString err;
};

// The real program in an environment with no display, no platform and, when pluginPath is
// given, a platform plugin folder holding nothing; platform sets QT_QPA_PLATFORM.
Outcome start(const QStringList& args, const QString& pluginPath, const QString& platform = {},
              const QString& program = QStringLiteral(PELORIN_BINARY))
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : { u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s,
                                 u"QT_QPA_PLATFORM_PLUGIN_PATH"_s })
        env.remove(name);
    if (!pluginPath.isEmpty())
        env.insert(u"QT_QPA_PLATFORM_PLUGIN_PATH"_s, pluginPath);
    if (!platform.isEmpty())
        env.insert(u"QT_QPA_PLATFORM"_s, platform);
    QProcess process;
    process.setProcessEnvironment(env);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(program, args);
    // Waited on the event loop, so that a test server in this process can answer.
    EXPECT_TRUE(finished.wait(30000)) << "pelorin did not finish";
    Outcome o;
    o.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    o.out = process.readAllStandardOutput();
    o.err = QString::fromUtf8(process.readAllStandardError());
    return o;
}

} // namespace

TEST(StartWithoutDisplayTest, BadInputExitsTwoAndAWindowedStartSaysThereIsNoDisplay)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString data = dir.filePath(u"data"_s);
    // Bad input is told the same way whether or not a window could be shown.
    for (const QString& platform : { QString(), u"offscreen"_s }) {
        for (const QStringList& args :
             { QStringList { u"--bogus"_s }, QStringList { u"--from-anything"_s, u"x"_s },
               QStringList { u"a.phr"_s, u"b.phr"_s } }) {
            const Outcome o = start(args, dir.path(), platform);
            EXPECT_EQ(o.status, 2) << args.join(u' ').toStdString() << ": " << o.err.toStdString();
            EXPECT_TRUE(o.err.startsWith(u"pelorin: "_s)) << o.err.toStdString();
            EXPECT_TRUE(o.err.endsWith(u"Try 'pelorin --help'.\n"_s)) << o.err.toStdString();
        }
    }
    const Outcome missing
        = start({ u"--data-dir"_s, data, u"--send"_s, u"missing.phr"_s }, dir.path());
    EXPECT_EQ(missing.status, 2) << missing.err.toStdString();
    EXPECT_TRUE(missing.err.startsWith(u"pelorin: cannot send 'missing.phr': "_s));

    for (const QStringList& args :
         { QStringList { u"--data-dir"_s, data }, QStringList { u"missing.phr"_s } }) {
        const Outcome o = start(args, dir.path());
        EXPECT_EQ(o.status, 1) << o.err.toStdString();
        EXPECT_EQ(o.err, u"pelorin: no display found; --send runs without one.\n"_s);
    }
}

TEST(StartWithoutDisplayTest, SendNeedsNoPlatformPlugin)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TestServer server;
    ASSERT_TRUE(server.listen()) << server.error().toStdString();
    server.setResponse({ "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok" });
    HTTPRequest r;
    r.Server = u"127.0.0.1"_s;
    r.Port = server.portText();
    r.setMethod(u"GET"_s);
    r.setURL(u"/"_s);
    r.HTTPver = u"HTTP/1.1"_s;
    const QString file = dir.filePath(u"get.phr"_s);
    ASSERT_TRUE(SaveRequestFile(r, file));

    const Outcome o
        = start({ u"--data-dir"_s, dir.filePath(u"data"_s), u"--send"_s, file }, dir.path());
    EXPECT_EQ(o.status, 0) << o.err.toStdString();
    EXPECT_EQ(o.out, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    EXPECT_TRUE(server.received().startsWith("GET / HTTP/1.1\r\n"));
}

// The windows are a module of their own: without it, a windowed start says so and fails,
// while a scripted run still works.
TEST(StartWithoutDisplayTest, AWindowedStartWithoutTheWindowModuleSaysSo)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString alone = dir.filePath(u"pelorin"_s);
    ASSERT_TRUE(QFile::copy(QStringLiteral(PELORIN_BINARY), alone));
    const QString data = dir.filePath(u"data"_s);
    const Outcome windowed = start({ u"--data-dir"_s, data }, {}, u"offscreen"_s, alone);
    EXPECT_EQ(windowed.status, 1);
    EXPECT_TRUE(windowed.err.startsWith(u"pelorin: the windows cannot be loaded"_s))
        << windowed.err.toStdString();
    const Outcome version = start({ u"--version"_s }, {}, {}, alone);
    EXPECT_EQ(version.status, 0) << version.err.toStdString();
}
