// Soak: many quote refreshes and chart image loads against a local fake
// service, driven directly rather than by the refresh timer, with the
// resident memory read after a warm-up and again at the end. Growth between
// the two is what a ticker left running for weeks would accumulate.
//
//   quotarium_soak [--refreshes N] [--charts N] [--codes N] [--goal-kib N]
//                  [--trace N] [--raw 1]
//
// --trace prints the resident memory every N refreshes, to tell a steady
// climb from a step. --raw 1 reads it without first handing the allocator's
// free memory back to the system.
//
// Exits 1 when the growth reaches the goal (default 1024 KiB) or when a
// refresh or chart load did not complete.
#include "BenchInputs.h"
#include "FakeHttpServer.h"

#include "core/AppGlobals.h"
#include "core/WebRequest.h"
#include "quotes/StockDataSet.h"
#include "quotes/StockDisplayHelper.h"
#include "ui/StockChartForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTableWidget>
#include <QTimer>

#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <functional>

namespace {

struct Options
{
    int refreshes = 10000;
    int charts = 1000;
    int codes = 500;
    long goalKib = 1024;
    int warmRefreshes = 200;
    int warmCharts = 50;
    int trace = 0;
    bool raw = false;
};

long residentKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Memory the allocator holds as free space is not the program's; giving it
// back first makes the two readings compare what is actually kept alive.
long settledResidentKib(bool raw)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    if (!raw)
        malloc_trim(0);
    return residentKib();
}

// Runs `start`, then the event loop until `done` fires once; false on time-out.
template <typename Signal, typename Sender>
bool runUntil(Sender* sender, Signal done, const std::function<void()>& start, int timeoutMs)
{
    QEventLoop loop;
    bool finished = false;
    const auto connection = QObject::connect(sender, done, &loop, [&] {
        finished = true;
        loop.quit();
    });
    // A timer object of our own, gone when this returns: a single-shot
    // timer would outlive the loop by its whole time-out, and thousands of
    // those pending are memory this harness, not the program, holds.
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(timeoutMs);
    start();
    if (!finished)
        loop.exec();
    QObject::disconnect(connection);
    return finished;
}

bool parseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const long value = std::atol(argv[i + 1]);
        if (std::strcmp(argv[i], "--refreshes") == 0)
            options.refreshes = int(value);
        else if (std::strcmp(argv[i], "--charts") == 0)
            options.charts = int(value);
        else if (std::strcmp(argv[i], "--codes") == 0)
            options.codes = int(value);
        else if (std::strcmp(argv[i], "--goal-kib") == 0)
            options.goalKib = value;
        else if (std::strcmp(argv[i], "--trace") == 0)
            options.trace = int(value);
        else if (std::strcmp(argv[i], "--raw") == 0)
            options.raw = value != 0;
        else
            return false;
    }
    return argc % 2 == 1;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(
            stderr,
            "usage: %s [--refreshes N] [--charts N] [--codes N] [--goal-kib N] [--trace N] "
            "[--raw 1]\n",
            argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QFile gifFile(QStringLiteral(QUOTARIUM_BENCH_DATA "/chart_545x300.gif"));
    if (!gifFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "chart image missing\n");
        return 2;
    }
    const QByteArray gif = gifFile.readAll();
    const QByteArray quotes = makeQuoteReply(options.codes);

    FakeHttpServer server;
    server.setHandler([&](const HttpRequestRecord& request) {
        if (request.path.startsWith(QStringLiteral("/list=")))
            return HttpReply::ok(quotes, "application/javascript; charset=GB18030");
        return HttpReply::ok(gif, "image/gif");
    });
    web::setServiceRoot(web::Service::Charts, server.baseUrl());
    web::setServiceRoot(web::Service::Quotes, server.baseUrl());
    web::setServiceRoot(web::Service::QuotesBackup, server.baseUrl());

    QTableWidget table(0, 4);
    TStockDisplayHelper display;
    display.setTable(&table);
    TStockDataSet* feed = display.feed();
    TStockCodeDataItems codes;
    for (int i = 0; i < options.codes; ++i) {
        TStockCodeData entry;
        entry.code = (i % 2 == 0 ? QStringLiteral("sh60") : QStringLiteral("sz00")) +
                     QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
        codes.push_back(entry);
    }
    feed->setStockCodes(codes);

    TStockChartForm chart;
    chart.resize(1200, 800);
    chart.show();
    QNetworkAccessManager* chartManager = chart.networkManager();

    int failures = 0;
    auto refresh = [&] {
        if (!runUntil(
                feed, &TStockDataSet::readFinished, [&] { feed->download(); }, 10000))
            ++failures;
        // The fake service records every request; that record is not the
        // program's memory.
        server.clearRequests();
    };
    auto loadChart = [&] {
        if (!runUntil(
                chartManager, &QNetworkAccessManager::finished, [&] { chart.chartView(); }, 10000))
            ++failures;
        server.clearRequests();
    };

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < options.warmRefreshes; ++i)
        refresh();
    for (int i = 0; i < options.warmCharts; ++i)
        loadChart();
    const long warm = settledResidentKib(options.raw);
    const qint64 warmMs = clock.elapsed();

    // Interleaved as in a real run: a chart now and then between refreshes.
    const int refreshesPerChart =
        options.charts > 0 ? qMax(1, options.refreshes / options.charts) : options.refreshes + 1;
    int charts = 0;
    for (int i = 0; i < options.refreshes; ++i) {
        refresh();
        if ((i + 1) % refreshesPerChart == 0 && charts < options.charts) {
            loadChart();
            ++charts;
        }
        if (options.trace > 0 && (i + 1) % options.trace == 0)
            std::printf("after %6d refreshes      %ld KiB\n", i + 1,
                        settledResidentKib(options.raw));
    }
    while (charts < options.charts) {
        loadChart();
        ++charts;
    }
    const long end = settledResidentKib(options.raw);
    const qint64 totalMs = clock.elapsed();

    const int rows = table.rowCount();
    const auto liveQuoteReplies = feed->networkManager()->findChildren<QNetworkReply*>().size();
    const auto liveChartReplies = chartManager->findChildren<QNetworkReply*>().size();
    const long growth = end - warm;
    std::printf("codes per refresh        %d (table rows %d)\n", options.codes, rows);
    std::printf("warm-up                  %d refreshes, %d charts, %lld ms\n",
                options.warmRefreshes, options.warmCharts, static_cast<long long>(warmMs));
    std::printf("measured                 %d refreshes, %d charts, %lld ms\n", options.refreshes,
                charts, static_cast<long long>(totalMs - warmMs));
    std::printf("resident after warm-up   %ld KiB\n", warm);
    std::printf("resident at the end      %ld KiB\n", end);
    std::printf("growth                   %+ld KiB (goal < %ld KiB)\n", growth, options.goalKib);
    std::printf("live replies at the end  %lld quote, %lld chart\n",
                static_cast<long long>(liveQuoteReplies), static_cast<long long>(liveChartReplies));
    std::printf("failed transfers         %d\n", failures);

    web::setServiceRoot(web::Service::Charts, QString());
    web::setServiceRoot(web::Service::Quotes, QString());
    web::setServiceRoot(web::Service::QuotesBackup, QString());
    const bool met = failures == 0 && warm > 0 && growth < options.goalKib &&
                     rows == options.codes && liveQuoteReplies == 0 && liveChartReplies == 0;
    std::printf("%s\n", met ? "goal met" : "goal MISSED");
    return met ? 0 : 1;
}
