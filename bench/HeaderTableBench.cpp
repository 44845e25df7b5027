#include "editing/HeaderTable.h"

#include <QString>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

// n header lines in no particular order, every tenth repeating the name of an earlier line
// in lower case (so it replaces that line's value).
QString headerText(int n)
{
    const auto scrambled = [](int i) {
        return QString::number((qint64(i) * 104729) % 1000003);
    };
    QString text;
    for (int i = 0; i < n; ++i) {
        const QString name = i % 10 == 9 ? u"x-h"_s + scrambled(i / 2) : u"X-H"_s + scrambled(i);
        text += name + u": v"_s + QString::number(i) + u"\r\n"_s;
    }
    return text;
}

void BM_LoadHeadersFromText(benchmark::State& state)
{
    const QString text = headerText(int(state.range(0)));
    HeaderTable table;
    for (auto _ : state) {
        table.LoadHeadersFromText(text);
        benchmark::DoNotOptimize(table.rows().size());
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * text.toUtf8().size());
}

} // namespace

BENCHMARK(BM_LoadHeadersFromText)
    ->RangeMultiplier(4)
    ->Range(500, 128000)
    ->Complexity(benchmark::oNLogN)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
