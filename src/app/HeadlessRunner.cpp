#include "app/HeadlessRunner.h"

#include "app/SignalWatcher.h"
#include "editing/HeaderTable.h"
#include "editing/RequestFile.h"
#include "message/HTTPRequest.h"
#include "persistence/AppData.h"
#include "persistence/ProxyPreference.h"
#include "persistence/UserDataSaver.h"
#include "shell/MessageSink.h"
#include "transport/BrowserSession.h"
#include "transport/Exchange.h"
#include "transport/HeadlessView.h"
#include "transport/ProxyTunnel.h"

#include <QEventLoop>
#include <QProcessEnvironment>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void printLine(std::FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

} // namespace

HeadlessRunner::HeadlessRunner(const DataFolder& folder, const CommandLine& line)
    : m_folder(folder)
    , m_line(line)
{ }

int HeadlessRunner::run()
{
    // Nothing is sent unless every file can be read; each is read once.
    QList<HTTPRequest> requests;
    // Installed first: a signal from now on ends the run cleanly, once the loop sees it.
    SignalWatcher signalWatcher;
    int stopSignal = 0;
    const QStringList& files = m_line.sendFiles;
    for (const QString& file : files) {
        HTTPRequest request;
        if (const Result read = LoadRequestFile(file, request); !read) {
            printLine(stderr, u"pelorin: cannot send '"_s + file + u"': "_s + read.text);
            return BadInput;
        }
        requests.append(request);
    }

    StderrMessageSink messages(false);
    AppData app(m_folder, messages);
    if (!app.LoadConfiguration(nullptr))
        return BadInput;
    app.LoadUserData();
    if (m_line.keepAlive)
        app.settings().CloseConnection = false;
    // The same pieces the request window puts together, with a view that shows nothing.
    QObject context; // of every connection below, so none outlives the run
    HeadlessView browser(StartingRequestForm(app.configuration()));
    HeaderTable headers;
    SetDefaultHeaders(headers);
    Exchange exchange;
    BrowserSession session(browser, headers, exchange, app.settings(), &app.cookies(),
                           &app.history());
    // Saved soon, so that the exchange survives however the program ends; the closing save
    // also waits for the disk.
    UserDataSaver saver(app);
    QObject::connect(&session, &BrowserSession::userDataChanged, &saver, &UserDataSaver::changed);
    // Responses stream to standard output; keeping them whole in memory would serve no one.
    session.setKeepResponseBodies(false);
    exchange.setTimeLimits(qint64(m_line.connectTimeout * 1000), qint64(m_line.maxTime * 1000));
    // The saved proxy setting, unless --proxy or --noproxy say otherwise.
    {
        ProxySetting proxy = SettingFromPreference(ReadProxyPreference(app.userData()));
        QHash<QString, QString> environment;
        const QProcessEnvironment process = QProcessEnvironment::systemEnvironment();
        for (const QString& name : process.keys())
            environment.insert(name, process.value(name));
        ApplyProxyOptions(m_line.proxy, m_line.noProxy, proxy, environment);
        session.setProxySetting(proxy);
        session.setProxyEnvironment(environment);
    }

    QObject::connect(&exchange, &Exchange::DataArrived, &context, [](const QByteArray& chunk) {
        std::fwrite(chunk.constData(), 1, size_t(chunk.size()), stdout);
    });
    QObject::connect(&session, &BrowserSession::logLine, &context,
                     [](const QString& line) { printLine(stderr, line); });
    bool failed = false;
    qsizetype current = 0;
    // No one is there to acknowledge a failure: acknowledge it once it is logged.
    QObject::connect(&exchange, &Exchange::ErrorOccured, &context, [&](const QString&) {
        failed = true;
        if (exchange.timedOut() != Exchange::TimeLimit::None) {
            const bool connect = exchange.timedOut() == Exchange::TimeLimit::Connect;
            printLine(stderr,
                      u"pelorin: "_s + (connect ? u"--connect-timeout"_s : u"--max-time"_s)
                          + u" reached: "_s + files.value(current));
        }
        QMetaObject::invokeMethod(&exchange, &Exchange::pressButton, Qt::QueuedConnection);
    });
    int redirects = 0;
    bool tooManyRedirects = false;
    QObject::connect(&signalWatcher, &SignalWatcher::signalled, &context, [&](int number) {
        if (stopSignal == 0)
            stopSignal = number;
        // The exchange under way ends as if the user pressed its button.
        if (session.isBusy())
            exchange.pressButton();
    });
    browser.setRedirectPrompt([&](RedirectQuestion&) {
        if (!m_line.followRedirects)
            return false;
        if (redirects == kMaxRedirects) {
            tooManyRedirects = true;
            return false;
        }
        ++redirects;
        return true;
    });

    for (qsizetype i = 0; i < files.size() && stopSignal == 0; ++i) {
        current = i;
        const QString& file = files.at(i);
        redirects = 0;
        tooManyRedirects = false;
        LoadRequestIntoForm(requests.at(i), browser.form());
        headers.LoadHeadersFromText(requests.at(i).Header);
        QEventLoop loop;
        const QMetaObject::Connection ended = QObject::connect(
            &session, &BrowserSession::exchangeEnded, &loop, [&](bool completed) {
                if (!completed)
                    failed = true;
                if (!session.isBusy())
                    loop.quit();
            });
        session.cmdSend_Click();
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

    if (!saver.close(true) || app.saveFailed())
        failed = true;
    if (stopSignal != 0) {
        printLine(stderr, u"pelorin: stopped by "_s + SignalWatcher::name(stopSignal));
        std::fflush(stderr);
        return 128 + stopSignal;
    }
    std::fflush(stderr);
    return failed ? Failed : Sent;
}
