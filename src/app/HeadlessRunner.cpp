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
#include "transport/ClientIdentity.h"
#include "transport/ClientTlsData.h"
#include "transport/Exchange.h"
#include "transport/ExchangeSequence.h"
#include "transport/HeadlessView.h"
#include "transport/ProxyTunnel.h"
#include "transport/SynchronisedSend.h"
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QProcessEnvironment>
#include <QTimer>

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
    // A log going to a file or a pipe is written a batch of lines at a time instead of a write
    // a line (32 for one small exchange): it is flushed whenever the program is about to
    // wait, so a reader never waits for a line already logged. A terminal keeps its lines.
    static char logBuffer[64 * 1024];
    if (!isatty(fileno(stderr)))
        std::setvbuf(stderr, logBuffer, _IOFBF, sizeof logBuffer);
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

    // The command line's client identity and CAs apply to every target. Their files are read
    // now, so that one that cannot be used (no one is there to give a passphrase) is bad input.
    ClientTls tls;
    tls.setPassphrase(m_line.pass);
    if (m_line.tls) {
        tls.setForAll(m_line.tls);
        TlsOptions options;
        if (const Result ready = tls.prepare(QString(), 0, options); !ready) {
            printLine(stderr, u"pelorin: "_s + ready.text);
            return BadInput;
        }
    }

    StderrMessageSink messages(false);
    AppData app(m_folder, messages);
    if (!app.LoadConfiguration(nullptr))
        return BadInput;
    app.LoadUserData();
    LoadClientTlsTargets(app.userData(), tls);
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
    exchange.setClientTls(&tls);
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
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     &context, [] { std::fflush(stderr); });
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

    if (m_line.pipeline || m_line.parallel > 0) {
        QList<HTTPRequest> prepared;
        for (const HTTPRequest& request : std::as_const(requests)) {
            LoadRequestIntoForm(request, browser.form());
            // On one connection the server must not close after the first response.
            prepared.append(
                session.prepareForSequence(browser.form(), request.Header,
                                           m_line.parallel > 0 && app.settings().CloseConnection));
        }
        if (!sendSequences(prepared, session, signalWatcher, stopSignal))
            failed = true;
        // Sent already: the loop below has nothing left to do.
        requests.clear();
    }
    for (qsizetype i = 0; i < requests.size() && stopSignal == 0; ++i) {
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

bool HeadlessRunner::sendSequences(const QList<HTTPRequest>& prepared, BrowserSession& session,
                                   SignalWatcher& watcher, const int& stopSignal)
{
    const auto writeOut = [](const QByteArray& bytes) {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    };
    // A sequence counts as one exchange for --max-time.
    QTimer limit;
    limit.setSingleShot(true);
    limit.setInterval(std::chrono::milliseconds(qint64(m_line.maxTime * 1000)));
    bool timedOut = false;
    // Through the proxy --send would take; the client certificate is the session's too.
    QList<HTTPRequest> requests = prepared;
    QList<ProxyChoice> proxies;
    if (const Result ready = session.prepareSequenceProxies(requests, m_line.pipeline, proxies);
        !ready) {
        printLine(stderr, u"pelorin: "_s + ready.text);
        return false;
    }

    if (m_line.pipeline) {
        ExchangeSequence sequence;
        QObject::connect(&sequence, &ExchangeSequence::logLine, &sequence,
                         [](const QString& line) { printLine(stderr, u' ' + line); });
        QObject::connect(&sequence, &ExchangeSequence::dataArrived, &sequence, writeOut);
        // Cookies and history follow the responses in the order they came.
        QObject::connect(&sequence, &ExchangeSequence::responseComplete, &sequence, [&](int i) {
            session.processSequenceResponse(sequence.requests().at(i),
                                            sequence.responses().at(i).bytes);
        });
        QObject::connect(&watcher, &SignalWatcher::signalled, &sequence, &ExchangeSequence::cancel);
        QObject::connect(&limit, &QTimer::timeout, &sequence, [&] {
            timedOut = true;
            sequence.cancel();
        });
        QEventLoop loop;
        bool completed = false;
        QObject::connect(&sequence, &ExchangeSequence::finished, &loop, [&](bool ok) {
            completed = ok;
            loop.quit();
        });
        if (m_line.maxTime > 0)
            limit.start();
        sequence.setProxy(proxies.value(0));
        sequence.setClientTls(session.clientTls());
        sequence.start(requests, ExchangeSequence::Mode::Pipelined);
        if (sequence.isRunning())
            loop.exec();
        if (timedOut)
            printLine(stderr, u"pelorin: --max-time reached: "_s + m_line.sendFiles.join(u' '));
        return completed;
    }

    bool allCompleted = true;
    for (qsizetype f = 0; f < requests.size() && stopSignal == 0; ++f) {
        SynchronisedSend send;
        QObject::connect(&send, &SynchronisedSend::logLine, &send,
                         [](const QString& line) { printLine(stderr, u' ' + line); });
        QObject::connect(&watcher, &SignalWatcher::signalled, &send, &SynchronisedSend::cancel);
        timedOut = false;
        QObject::connect(&limit, &QTimer::timeout, &send, [&] {
            timedOut = true;
            send.cancel();
        });
        QEventLoop loop;
        bool completed = false;
        QObject::connect(&send, &SynchronisedSend::finished, &loop, [&](bool ok) {
            completed = ok;
            loop.quit();
        });
        if (m_line.maxTime > 0)
            limit.start();
        send.setProxies(QList<ProxyChoice>(m_line.parallel, proxies.at(f)));
        send.setClientTls(session.clientTls());
        send.start(QList<HTTPRequest>(m_line.parallel, requests.at(f)));
        if (send.isRunning())
            loop.exec();
        limit.stop();
        // Each connection's bytes whole, in connection order, then processed in that order.
        for (int i = 0; i < m_line.parallel; ++i) {
            const ResponseSplitter::Response response = send.response(i);
            writeOut(response.bytes + send.leftover(i));
            if (response.complete)
                session.processSequenceResponse(requests.at(f), response.bytes);
        }
        if (timedOut)
            printLine(stderr, u"pelorin: --max-time reached: "_s + m_line.sendFiles.value(f));
        allCompleted = allCompleted && completed;
    }
    return allCompleted;
}
