#include "shell/widgets/HeadlessRunner.h"

#include "editing/RequestFile.h"
#include "message/HTTPRequest.h"
#include "persistence/AppData.h"
#include "shell/MessageSink.h"
#include "shell/widgets/frmMain.h"
#include "transport/BrowserSession.h"
#include "transport/Exchange.h"
#include "transport/widgets/ctrlHTTP.h"
#include "transport/widgets/frmBrowser.h"

#include <QEventLoop>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void printLine(std::FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

} // namespace

HeadlessRunner::HeadlessRunner(const DataFolder& folder, const QStringList& files,
                               bool followRedirects)
    : m_folder(folder)
    , m_files(files)
    , m_follow(followRedirects)
{ }

int HeadlessRunner::run()
{
    // Nothing is sent unless every file can be read; each is read once.
    QList<HTTPRequest> requests;
    for (const QString& file : std::as_const(m_files)) {
        HTTPRequest request;
        QString error;
        if (LoadRequestFile(file, request, &error) != 0) {
            printLine(stderr, u"pelorin: cannot send '"_s + file + u"': "_s + error);
            return BadInput;
        }
        requests.append(request);
    }

    StderrMessageSink messages(false);
    AppData app(m_folder, messages);
    frmMain main(app, messages);
    if (!main.startUp())
        return BadInput;
    frmBrowser& browser = *main.browser();
    BrowserSession& session = browser.session();
    Exchange& exchange = *browser.transport()->exchange();
    // Responses stream to standard output; keeping them whole in memory would serve no one.
    session.setKeepResponseBodies(false);

    QObject::connect(&exchange, &Exchange::DataArrived, &main, [](const QByteArray& chunk) {
        std::fwrite(chunk.constData(), 1, size_t(chunk.size()), stdout);
    });
    QObject::connect(&session, &BrowserSession::logLine, &main,
                     [](const QString& line) { printLine(stderr, line); });
    bool failed = false;
    // No one is there to acknowledge a failure: acknowledge it once it is logged.
    QObject::connect(&exchange, &Exchange::ErrorOccured, &main, [&](const QString&) {
        failed = true;
        QMetaObject::invokeMethod(&exchange, &Exchange::pressButton, Qt::QueuedConnection);
    });
    int redirects = 0;
    bool tooManyRedirects = false;
    browser.setRedirectPrompt([&](RedirectQuestion&) {
        if (!m_follow)
            return false;
        if (redirects == kMaxRedirects) {
            tooManyRedirects = true;
            return false;
        }
        ++redirects;
        return true;
    });

    for (qsizetype i = 0; i < m_files.size(); ++i) {
        const QString& file = m_files.at(i);
        redirects = 0;
        tooManyRedirects = false;
        browser.SetControls_LoadedRequest(requests.at(i));
        QEventLoop loop;
        const QMetaObject::Connection ended = QObject::connect(
            &session, &BrowserSession::exchangeEnded, &loop, [&](bool completed) {
                if (!completed)
                    failed = true;
                if (!session.isBusy())
                    loop.quit();
            });
        browser.cmdSend_Click();
        if (session.isBusy())
            loop.exec();
        QObject::disconnect(ended);
        if (tooManyRedirects) {
            printLine(stderr,
                      u"pelorin: stopped after "_s + QString::number(kMaxRedirects)
                          + u" redirects: "_s + file);
            failed = true;
        }
    }
    std::fflush(stdout);

    QString error;
    if (!app.SaveUserData(&error) && !error.isEmpty())
        printLine(stderr, u"pelorin: "_s + error);
    std::fflush(stderr);
    return failed ? Failed : Sent;
}
