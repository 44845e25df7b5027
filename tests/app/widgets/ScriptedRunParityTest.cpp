#include "editing/RequestFile.h"
#include "message/HTTPRequest.h"
#include "persistence/AppData.h"
#include "persistence/DataFolder.h"
#include "support/Recorders.h"
#include "support/TestServer.h"
#include "support/TimingLine.h"
#include "transport/BrowserSession.h"
#include "transport/widgets/frmBrowser.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeoutMs = 30000;

struct SendRecord
{
    QList<QByteArray> wire; // each request as the server received it
    QStringList log;
};

// Timings differ from run to run; everything else in the log must not.
QStringList comparableLog(QStringList lines)
{
    for (QString& line : lines) {
        if (IsTimingLine(line, false))
            line = u"Timing"_s;
    }
    return lines;
}

} // namespace

// The same request file, sent twice through the request window and through `pelorin --send`,
// puts the same bytes on the wire and writes the same log, the stored cookie of the first
// response included.
TEST(ScriptedRunParityTest, WindowAndSendPutTheSameBytesOnTheWireAndLogTheSameLines)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TestServer server;
    ASSERT_TRUE(server.listen()) << server.error().toStdString();
    server.setResponse({ "HTTP/1.1 200 OK\r\nSet-Cookie: k=v; Expires=Fri, 01 Jan 2100 00:00:00 "
                         "GMT\r\nContent-Length: 2\r\n\r\n",
                         "ok" });

    HTTPRequest request;
    request.Server = u"127.0.0.1"_s;
    request.Port = server.portText();
    request.setMethod(u"POST"_s);
    request.setURL(u"/form?a=1&amp;b=2"_s);
    request.HTTPver = u"HTTP/1.1"_s;
    request.Header = u"Accept: */*\r\nContent-Type: text/plain\r\nX-Mixed: a\tb\r\n"_s;
    request.Body.setContents(QByteArray("line one\nline two\r\n\x01\xff"));
    const QString file = dir.filePath(u"request.phr"_s);
    ASSERT_TRUE(SaveRequestFile(request, file));

    QList<QByteArray> wire;
    QObject::connect(&server, &TestServer::requestReceived, &server,
                     [&] { wire.append(server.received()); });

    SendRecord window;
    {
        const DataFolder::Resolution data = DataFolder::Resolve(dir.filePath(u"window"_s));
        ASSERT_TRUE(bool(data)) << data.error.toStdString();
        MessageRecorder messages;
        AppData app(data.folder, messages);
        ASSERT_TRUE(app.LoadConfiguration(nullptr));
        app.LoadUserData();
        frmBrowser browser(app, messages);
        QObject::connect(&browser.session(), &BrowserSession::logLine, &browser,
                         [&](const QString& line) { window.log.append(line); });
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(browser.openRequestFile(file));
            QSignalSpy ended(&browser.session(), &BrowserSession::exchangeEnded);
            browser.cmdSend_Click();
            while (browser.session().isBusy())
                ASSERT_TRUE(ended.wait(kTimeoutMs)) << "the exchange never ended";
        }
        EXPECT_TRUE(messages.messages.isEmpty());
    }
    window.wire = std::exchange(wire, {});

    SendRecord scripted;
    QProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(PELORIN_BINARY),
                  { u"--data-dir"_s, dir.filePath(u"scripted"_s), u"--send"_s, file, file });
    ASSERT_TRUE(finished.wait(kTimeoutMs)) << "pelorin did not finish";
    const QString err = QString::fromUtf8(process.readAllStandardError());
    ASSERT_EQ(process.exitCode(), 0) << err.toStdString();
    scripted.wire = wire;
    scripted.log = err.split(u'\n');
    scripted.log.removeLast(); // after the last line's end

    ASSERT_EQ(window.wire.size(), 2);
    EXPECT_TRUE(window.wire.at(1).contains("\r\nCookie: k=v\r\n")) << "no stored cookie sent";
    EXPECT_TRUE(window.wire.at(0).endsWith("line one\nline two\r\n\x01\xff"));
    EXPECT_EQ(scripted.wire, window.wire);
    EXPECT_EQ(comparableLog(scripted.log), comparableLog(window.log));
}
