// Feeds large responses into a result page the way an exchange does (16 KB chunks, the
// event loop running between chunks, the page on screen) and reports time, the longest
// stall of the event loop, and memory. Compares the page with a plain-text editor fed
// chunk by chunk and in batches.
//
// Peak memory (maxrss) only grows within a process: run one technique per process, e.g.
//   ResultPage_bench --benchmark_filter=Lazy
#include "analysis/ResultTextModel.h"
#include "analysis/widgets/ResultTextView.h"
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextCursor>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kChunk = 16 * 1024;

double maxRssMB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

double currentRssMB()
{
    QFile statm(u"/proc/self/statm"_s);
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toDouble() * 4096.0 / (1024.0 * 1024.0) : 0;
}

// 100 MB of response text: a header block, then lines of JSON-like records of varied
// length with some non-ASCII characters, CR LF line ends.
QByteArray bigResponse()
{
    QByteArray out = "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=utf-8\r\n\r\n"_ba;
    out.reserve(100 * 1024 * 1024 + 256);
    for (int i = 0; out.size() < 100 * 1024 * 1024; ++i) {
        out += "{\"id\":" + QByteArray::number(i) + ",\"name\":\"Caf\xC3\xA9 n\xC2\xB0"
            + QByteArray::number(i * 7) + "\",\"tags\":[\"" + QByteArray(i % 60, 'a' + i % 26)
            + "\"]}\r\n";
    }
    out.resize(100 * 1024 * 1024);
    return out;
}

// A minified 5 MB JSON body: one line.
QByteArray minifiedJson()
{
    QByteArray out = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n\r\n["_ba;
    for (int i = 0; out.size() < 5 * 1024 * 1024; ++i)
        out += "{\"id\":" + QByteArray::number(i) + ",\"v\":\"\xE2\x82\xAC" + QByteArray::number(i)
            + "\"},";
    out.resize(5 * 1024 * 1024);
    return out;
}

// 100 MB of one ASCII line repeated, LF line ends: what the window benchmark receives.
QByteArray plainLines()
{
    const QByteArray line
        = "pelorin benchmark line 0123456789 abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ\n"_ba;
    QByteArray out;
    out.reserve(100 * 1024 * 1024 + line.size());
    while (out.size() < 100 * 1024 * 1024)
        out += line;
    out.resize(100 * 1024 * 1024);
    return out;
}

const QByteArray& data(bool big)
{
    static const QByteArray b = bigResponse();
    static const QByteArray j = minifiedJson();
    return big ? b : j;
}

void waitExposed(QWidget& w)
{
    QElapsedTimer t;
    t.start();
    while ((!w.windowHandle() || !w.windowHandle()->isExposed()) && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

struct Feed
{
    double maxStepMs = 0;
    double endMs = 0;
};

// Appends chunk by chunk with the event loop turning after each, as the socket would;
// then scrolls to the end and paints.
Feed feed(QWidget& page, const QByteArray& bytes,
          const std::function<void(const QByteArray&)>& append, const std::function<void()>& toEnd)
{
    Feed f;
    QElapsedTimer step;
    for (qsizetype at = 0; at < bytes.size(); at += kChunk) {
        step.start();
        append(bytes.mid(at, kChunk));
        QCoreApplication::processEvents();
        f.maxStepMs = std::max(f.maxStepMs, step.nsecsElapsed() / 1e6);
    }
    step.start();
    toEnd();
    page.repaint();
    QCoreApplication::processEvents();
    f.endMs = step.nsecsElapsed() / 1e6;
    return f;
}

void report(benchmark::State& state, const Feed& f, double rssBefore, qint64 bytes)
{
    state.counters["max_step_ms"] = f.maxStepMs;
    state.counters["to_end_ms"] = f.endMs;
    state.counters["rss_growth_MB"] = currentRssMB() - rssBefore;
    state.counters["maxrss_MB"] = maxRssMB();
    state.SetBytesProcessed(bytes);
}

void lazyPage(benchmark::State& state, bool big)
{
    const QByteArray& bytes = data(big);
    for (auto _ : state) {
        const double before = currentRssMB();
        ResultTextView page;
        page.resize(900, 600);
        page.show();
        waitExposed(page);
        const Feed f = feed(
            page, bytes, [&](const QByteArray& c) { page.appendBytes(c); },
            [&] { page.scrollToEnd(); });
        benchmark::DoNotOptimize(page.model().rowCount());
        report(state, f, before, bytes.size());
    }
}

void plainPage(benchmark::State& state, bool big, int batch)
{
    const QByteArray& bytes = data(big);
    for (auto _ : state) {
        const double before = currentRssMB();
        QPlainTextEdit page;
        page.setReadOnly(true);
        page.setUndoRedoEnabled(false);
        page.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        page.resize(900, 600);
        page.show();
        waitExposed(page);
        QStringDecoder decode(QStringDecoder::Utf8);
        QString pending;
        int held = 0;
        auto flush = [&] {
            QTextCursor end(page.document());
            end.movePosition(QTextCursor::End);
            end.insertText(pending);
            pending.clear();
            held = 0;
        };
        const Feed f = feed(
            page, bytes,
            [&](const QByteArray& c) {
                pending += decode(c);
                if (++held >= batch)
                    flush();
            },
            [&] {
                flush();
                page.verticalScrollBar()->setValue(page.verticalScrollBar()->maximum());
            });
        report(state, f, before, bytes.size());
    }
}

// The line index alone, no page: what each received byte costs the event loop. The chunks
// are cut beforehand and shared, so only the indexing is timed.
void indexOnly(benchmark::State& state, int which, qint64 wrap = 0)
{
    static const QByteArray lines = plainLines();
    const QByteArray& bytes = which == 0 ? lines : data(which == 1);
    QList<QByteArray> chunks;
    for (qsizetype at = 0; at < bytes.size(); at += 256 * 1024)
        chunks.append(bytes.mid(at, 256 * 1024));
    for (auto _ : state) {
        ResultTextModel model;
        model.setWrapWidth(wrap);
        for (const QByteArray& c : chunks)
            model.append(c);
        benchmark::DoNotOptimize(model.lineCount());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

} // namespace

BENCHMARK_CAPTURE(indexOnly, Index_100MB_ascii_lines, 0)->Unit(benchmark::kMillisecond);
// Wrapped at 40 cells, as a narrow window wraps these lines into three rows each.
BENCHMARK_CAPTURE(indexOnly, Index_100MB_ascii_lines_wrapped, 0, 40)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(indexOnly, Index_100MB_json_lines, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(indexOnly, Index_5MB_one_line, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lazyPage, Lazy_100MB_lines, true)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(lazyPage, Lazy_5MB_one_line, false)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(plainPage, PlainText_100MB_lines, true, 1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(plainPage, PlainTextBatched_100MB_lines, true, 64)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(plainPage, PlainText_5MB_one_line, false, 1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
