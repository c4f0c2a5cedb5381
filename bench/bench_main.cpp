// Benchmarks of the program's hot paths. Each figure is printed, then the
// ratios that matter: parsing a quote reply against a bare GB18030 decode of
// the same bytes, and parse plus table against that decode, for the replies
// of both quote services.
#include "BenchInputs.h"

#include "core/AppGlobals.h"
#include "core/Gb18030.h"
#include "quotes/StockDataSet.h"
#include "quotes/StockDisplayHelper.h"
#include "settings/Config.h"
#include "stocks/StockCodeList.h"

#include <QApplication>
#include <QPixmap>
#include <QTableWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

QByteArray reply(QuoteSource source, int count, int moment = 0)
{
    return source == QuoteSource::Primary ? makeQuoteReply(count, moment)
                                          : makeBackupReply(count, moment);
}

void decode(benchmark::State& state, QuoteSource source)
{
    const QByteArray bytes = reply(source, int(state.range(0)));
    for (auto _ : state) {
        QString text = gb18030::decodeUntilNul(bytes);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

void parse(benchmark::State& state, QuoteSource source)
{
    const QByteArray bytes = reply(source, int(state.range(0)));
    TStockDataSet feed;
    for (auto _ : state) {
        const TStockDataItems& items = feed.parseReply(bytes, source);
        benchmark::DoNotOptimize(items.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

void parseAndTable(benchmark::State& state, QuoteSource source)
{
    // Two replies in turn, so that every price and change in the table
    // really changes on each write, as between two refreshes in trading.
    const QByteArray replies[2] = {reply(source, int(state.range(0)), 0),
                                   reply(source, int(state.range(0)), 1)};
    QTableWidget table(0, 4);
    TStockDisplayHelper display;
    display.setTable(&table);
    TStockDataSet* feed = display.feed();
    size_t turn = 0;
    for (auto _ : state) {
        emit feed->readFinished(feed->parseReply(replies[turn], source));
        turn ^= 1;
        benchmark::DoNotOptimize(table.item(0, 0));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * replies[0].size());
}

void BM_Decode(benchmark::State& state)
{
    decode(state, QuoteSource::Primary);
}
void BM_Parse(benchmark::State& state)
{
    parse(state, QuoteSource::Primary);
}
void BM_ParseAndTable(benchmark::State& state)
{
    parseAndTable(state, QuoteSource::Primary);
}
// The second service's reply: more fields per entry, split at "~".
void BM_SecondDecode(benchmark::State& state)
{
    decode(state, QuoteSource::Backup);
}
void BM_SecondParse(benchmark::State& state)
{
    parse(state, QuoteSource::Backup);
}
void BM_SecondParseAndTable(benchmark::State& state)
{
    parseAndTable(state, QuoteSource::Backup);
}

void BM_StocksSaveLoad(benchmark::State& state)
{
    QTemporaryDir dir;
    setDataDirOverride(dir.path());
    TStockCodeList list;
    for (int i = 0; i < state.range(0); ++i) {
        TStockCodeData entry;
        entry.code = QStringLiteral("sh6%1").arg(i, 5, 10, QLatin1Char('0'));
        entry.remark = QStringLiteral("备注%1").arg(i);
        list.items.push_back(entry);
    }
    TStockCodeList reader;
    for (auto _ : state) {
        list.save();
        reader.load();
        benchmark::DoNotOptimize(reader.items.data());
    }
    setDataDirOverride(QString());
}

void BM_ConfigSaveLoad(benchmark::State& state)
{
    QTemporaryDir dir;
    setDataDirOverride(dir.path());
    TConfig config;
    for (auto _ : state) {
        config.save();
        config.load();
    }
    setDataDirOverride(QString());
}

void BM_ChartStretch(benchmark::State& state)
{
    QPixmap chart;
    chart.load(QStringLiteral(QUOTARIUM_BENCH_DATA "/chart_545x300.gif"), "GIF");
    if (chart.size() != QSize(545, 300)) {
        state.SkipWithError("chart image missing");
        return;
    }
    for (auto _ : state) {
        QPixmap stretched =
            chart.scaled(QSize(1200, 800), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(stretched);
    }
}

// The ratios are taken between medians of several repetitions: on a machine
// shared with other work a single run of either side can be far off.
constexpr int REPETITIONS = 7;
void replySizes(benchmark::internal::Benchmark* b)
{
    b->Arg(10)->Arg(100)->Arg(1000)->Repetitions(REPETITIONS)->ReportAggregatesOnly(true);
    b->Unit(benchmark::kMicrosecond);
}
BENCHMARK(BM_Decode)->Apply(replySizes);
BENCHMARK(BM_Parse)->Apply(replySizes);
void thousandCodes(benchmark::internal::Benchmark* b)
{
    b->Arg(1000)->Repetitions(REPETITIONS)->ReportAggregatesOnly(true);
    b->Unit(benchmark::kMicrosecond);
}
BENCHMARK(BM_ParseAndTable)->Apply(thousandCodes);
BENCHMARK(BM_SecondDecode)->Apply(thousandCodes);
BENCHMARK(BM_SecondParse)->Apply(thousandCodes);
BENCHMARK(BM_SecondParseAndTable)->Apply(thousandCodes);
// Wall-clock time: these wait for the disk, and Qt spreads smooth scaling
// over worker threads, so the calling thread's CPU time says little.
BENCHMARK(BM_StocksSaveLoad)->Arg(1000)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConfigSaveLoad)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ChartStretch)->UseRealTime()->Unit(benchmark::kMicrosecond);

class Collector : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> microseconds;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        // Figures of single runs, or the median where a benchmark repeats.
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            if (run.run_type == Run::RT_Iteration && run.repetitions <= 1)
                microseconds[run.benchmark_name()] = run.GetAdjustedRealTime();
            else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                microseconds[run.run_name.function_name +
                             (run.run_name.args.empty() ? "" : "/" + run.run_name.args)] =
                    run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    const auto& t = collector.microseconds;
    auto ratio = [&t](const char* a, const char* b) {
        const auto x = t.find(a);
        const auto y = t.find(b);
        if (x == t.end() || y == t.end() || y->second <= 0)
            return;
        std::printf("%-40s %6.2f\n", (std::string(a) + " / " + b).c_str(), x->second / y->second);
    };
    std::printf("\nRatios of medians (goal: parse <= 3x decode, parse+table <= 5x decode at "
                "1000 codes)\n");
    ratio("BM_Parse/10", "BM_Decode/10");
    ratio("BM_Parse/100", "BM_Decode/100");
    ratio("BM_Parse/1000", "BM_Decode/1000");
    ratio("BM_ParseAndTable/1000", "BM_Decode/1000");
    std::printf("Second service's reply (goal: parse+table <= 3x decode at 1000 codes)\n");
    ratio("BM_SecondParse/1000", "BM_SecondDecode/1000");
    ratio("BM_SecondParseAndTable/1000", "BM_SecondDecode/1000");
    return 0;
}
