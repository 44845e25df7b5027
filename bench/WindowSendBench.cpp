// Sends one saved request through the real request window (main window, request window,
// result window on screen) and prints what a person would feel: the wall time from the
// SEND click until the program is idle again, the peak resident memory, and the longest
// time the event loop was unable to turn while the response arrived.
//
// Usage: WindowSend_bench DATA_DIR REQUEST.phr [UPLOAD_FILE]
// With UPLOAD_FILE the request's body is made by the form builder from one FILE row holding
// it (a multipart upload), and only the first line is printed, the file's size as the bytes.
// Prints: "<seconds> <peak KB> <largest gap ms> <response bytes> <CPU seconds> <largest
// busy gap ms> <resident KB before the click>"; CPU time (user + system, from the click) is
// steadier on a busy machine, and the peak less what was resident before is what the response
// cost.
// A second line times scrolling to the end, jumping to a line, selecting across a chunk
// boundary, and counting the matches of a text found on every line.
#include "analysis/ResultFinder.h"
#include "analysis/widgets/ResultFindBar.h"
#include "analysis/widgets/ResultTextView.h"
#include "analysis/widgets/frmResult.h"
#include "app/StartupProbe.h"
#include "app/widgets/frmMain.h"
#include "editing/FormEncoder.h"
#include "persistence/AppData.h"
#include "persistence/DataFolder.h"
#include "shell/MessageSink.h"
#include "transport/BrowserSession.h"
#include "transport/widgets/frmBrowser.h"
#include <sys/resource.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>

using namespace Qt::StringLiterals;

namespace {

qint64 threadCpuNs()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Records the longest interval between two turns of the event loop. A zero-interval
// timer would spin a core that the exchange needs; a 5 ms one sees any stall above that.
// On a busy machine a gap may be time the thread was not given a core; the CPU time the
// thread spent in the gap tells such a gap from work that held the loop up.
class GapMeter final : public QObject
{
public:
    GapMeter()
    {
        m_clock.start();
        connect(&m_timer, &QTimer::timeout, this, &GapMeter::tick);
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.start(5);
    }
    void reset()
    {
        m_last = m_clock.nsecsElapsed();
        m_lastCpu = threadCpuNs();
        m_largest = m_largestBusy = 0;
    }
    // Longest gap in wall time, and longest CPU time spent by the thread within one gap.
    double largestMs() const { return double(m_largest) / 1e6; }
    double largestBusyMs() const { return double(m_largestBusy) / 1e6; }

private:
    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        const qint64 cpu = threadCpuNs();
        m_largest = std::max(m_largest, now - m_last);
        m_largestBusy = std::max(m_largestBusy, cpu - m_lastCpu);
        m_last = now;
        m_lastCpu = cpu;
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_lastCpu = 0;
    qint64 m_largest = 0;
    qint64 m_largestBusy = 0;
};

long peakKilobytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: WindowSend_bench DATA_DIR REQUEST.phr [UPLOAD_FILE]\n");
        return 2;
    }
    const DataFolder::Resolution data = DataFolder::Resolve(QString::fromLocal8Bit(argv[1]));
    if (!data) {
        std::fprintf(stderr, "%s\n", qPrintable(data.error));
        return 2;
    }
    StderrMessageSink messages;
    AppData appData(data.folder, messages);
    frmMain mainWindow(appData, messages);
    if (!mainWindow.startUp(QString::fromLocal8Bit(argv[2])))
        return 1;
    mainWindow.resize(1200, 800);
    mainWindow.show();
    QElapsedTimer wait;
    wait.start();
    while ((!mainWindow.windowHandle() || !mainWindow.windowHandle()->isExposed())
           && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    // A person takes longer than this to reach SEND; the window does what it does when idle.
    {
        QEventLoop pause;
        QTimer::singleShot(500, &pause, &QEventLoop::quit);
        pause.exec();
    }
    QCoreApplication::processEvents();

    frmBrowser* browser = mainWindow.browser();
    const QString upload = argc == 4 ? QString::fromLocal8Bit(argv[3]) : QString();
    if (!upload.isEmpty()) {
        FormField row;
        row.type = u"FILE"_s;
        row.name = u"file"_s;
        row.values[1] = u'[' + upload + u']';
        const FormBody body = EncodeForm({ row });
        if (!body) {
            std::fprintf(stderr, "%s\n", qPrintable(body.error));
            return 1;
        }
        browser->applyFormBody(body);
    }
    auto* send = browser->findChild<QPushButton*>(u"cmdSend"_s);
    GapMeter gaps;
    QElapsedTimer clock;
    bool ended = false;
    QObject::connect(&browser->session(), &BrowserSession::exchangeEnded, &mainWindow,
                     [&] { ended = !browser->session().isBusy(); });
    // A failed exchange waits for the user's Ok: report it instead of waiting for ever.
    QString failure;
    QObject::connect(&browser->session(), &BrowserSession::logLine, &mainWindow,
                     [&](const QString& line) {
                         if (line.startsWith(u"ERROR: "_s)) {
                             failure = line;
                             ended = true;
                         }
                     });
    const long residentBefore = long(StartupProbe::residentKilobytes());
    gaps.reset();
    const double cpuBefore = cpuSeconds();
    clock.start();
    send->click();
    while (!ended)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // Idle: the result window has painted and nothing else is pending.
    QCoreApplication::processEvents();
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(failure));
        return 1;
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const double gap = gaps.largestMs();

    const double cpu = cpuSeconds() - cpuBefore;
    const double busy = gaps.largestBusyMs();
    const long peak = peakKilobytes();

    if (!upload.isEmpty()) {
        std::printf("%.3f %ld %.1f %lld %.3f %.1f %ld\n", seconds, peak, gap,
                    (long long)QFileInfo(upload).size(), cpu, busy, residentBefore);
        std::printf("upload of %lld bytes\n", (long long)QFileInfo(upload).size());
        return 0;
    }
    frmResult* result = browser->oResult();
    if (!result) {
        std::fprintf(stderr, "no result window\n");
        return 1;
    }
    ResultTextView* page = result->txtResult(result->lTabCount());
    const ResultTextModel& model = page->model();
    const auto timed = [page](auto step) {
        QElapsedTimer t;
        t.start();
        step();
        page->viewport()->repaint();
        return double(t.nsecsElapsed()) / 1e6;
    };
    const double toEnd = timed([page] { page->scrollToEnd(); });
    const double toLine = timed([&] { page->goToLine(model.lineCount() / 2); });
    // A selection from one received chunk into the next, then copied.
    const QList<QByteArray>& chunks = model.bytes().chunks();
    const qint64 seam = chunks.size() > 1 ? chunks.first().size() : model.size() / 2;
    const double select = timed([&] {
        page->setSelection(model.posAt(seam - 200), model.posAt(seam + 200));
        page->ensureVisible(model.posAt(seam));
        page->copy();
    });

    // Counting the matches of a text on every line of the page, while the window stays live.
    page->showFind();
    gaps.reset();
    QElapsedTimer findClock;
    findClock.start();
    page->findBar()->findField()->setText(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"_s);
    while (page->finder()->isCounting() || page->finder()->isSearching())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double findSeconds = double(findClock.nsecsElapsed()) / 1e9;

    std::printf("%.3f %ld %.1f %lld %.3f %.1f %ld\n", seconds, peak, gap, (long long)model.size(),
                cpu, busy, residentBefore);
    std::printf("to end %.1f ms, to a line %.1f ms, selection across chunks %.1f ms; "
                "%lld matches counted in %.2f s, largest gap %.1f ms (busy %.1f ms)\n",
                toEnd, toLine, select, (long long)page->finder()->matchCount(), findSeconds,
                gaps.largestMs(), gaps.largestBusyMs());
    return 0;
}
