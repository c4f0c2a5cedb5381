// Hostile services and files, measured: the peak resident memory one reply of
// each kind can cost, what sixteen oversized advertising pictures leave
// behind, how a trickling quote service is lived through, and how long the
// main window takes to come up with a special file in place of a data file,
// and how soon a failing first quote service gives way to the second.
// Prints figures; it does not judge timing.

#include "FakeHttpServer.h"

#include "core/AppGlobals.h"
#include "core/WebRequest.h"
#include "quotes/StockDataSet.h"
#include "quotes/StockDisplayHelper.h"
#include "stocks/StockCodeData.h"
#include "ui/MainForm.h"
#include "ui/StockChartForm.h"
#include "vendor_api/VkPack.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QLocalServer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <malloc.h>
#include <sys/stat.h>

#include <cstdio>
#include <functional>

namespace {
long statusKib(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Hands freed memory back, then starts the peak (VmHWM) afresh from here.
long settleAndResetPeak()
{
    malloc_trim(0);
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
    return statusKib("VmRSS:");
}

bool runUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

TStockCodeDataItems codes(int count)
{
    TStockCodeDataItems items;
    for (int i = 0; i < count; ++i) {
        TStockCodeData entry;
        entry.code = QStringLiteral("sh6%1").arg(i, 5, 10, QLatin1Char('0'));
        items.push_back(entry);
    }
    return items;
}

QByteArray png(int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

int failures = 0;

void verdict(bool met)
{
    std::printf("  %s\n", met ? "met" : "MISSED");
    if (!met)
        ++failures;
}

// One reply of each kind, under each hostile pace.
void replies(FakeHttpServer& server)
{
    std::printf("One hostile reply: growth of peak resident memory (goal: < 2 x limit + 16 MB)\n");
    HttpReply hostile;
    server.setHandler([&](const HttpRequestRecord& request) {
        if (request.path.endsWith(QStringLiteral("/ad_cfg_1.php")))
            return HttpReply::ok("img.png http://example.com/t\n");
        return hostile;
    });
    const QList<QPair<const char*, HttpReply>> paces = {
        {"300 MB, length not announced", HttpReply::streamed(qint64(300) << 20).withoutLength()},
        {"200 MB, length announced", HttpReply::streamed(qint64(200) << 20)},
        {"without end", HttpReply::streamed(-1)},
        {"64 MB packed into 64 KB", HttpReply::ok(qCompress(QByteArray(64 << 20, '\0'), 9).mid(4))
                                        .withHeader("Content-Encoding", "deflate")},
    };

    TStockDataSet feed;
    feed.setStockCodes(codes(800));
    TStockChartForm chart;
    chart.setStockList({QStringLiteral("sh600000")});
    QNetworkAccessManager* chartManager = chart.networkManager();
    VkCheckUpdate update;
    QWidget panel;
    panel.resize(200, 60);
    VkAdHelper ads;
    ads.setWidget(&panel);
    ads.url = server.baseUrl() + QStringLiteral("/ad/ad_cfg_1.php");
    runUntil([&] { return chartManager->findChildren<QNetworkReply*>().isEmpty(); }, 30000);

    int ended = 0;
    QObject::connect(feed.networkManager(), &QNetworkAccessManager::finished, [&] { ++ended; });
    QObject::connect(chartManager, &QNetworkAccessManager::finished, [&] { ++ended; });
    QObject::connect(&update, &VkCheckUpdate::update, [&] { ++ended; });
    QObject::connect(&ads, &VkAdHelper::settled, [&] { ++ended; });
    struct Kind
    {
        const char* name;
        qint64 limit;
        std::function<void()> start;
    };
    const QList<Kind> kinds = {
        {"quotes, 800 codes", web::quoteReplyMaxBytes(800), [&] { feed.download(); }},
        {"chart", web::CHART_MAX_BYTES, [&] { chart.chartView(); }},
        {"update check", web::TEXT_MAX_BYTES,
         [&] {
             update.exec(server.baseUrl() + QStringLiteral("/ver.php"), PRODUCT_ID, UPDATE_DATE);
         }},
        {"advertising image", web::AD_IMAGE_MAX_BYTES, [&] { ads.exec(); }},
    };
    for (const Kind& kind : kinds) {
        for (const auto& pace : paces) {
            hostile = pace.second;
            const long before = settleAndResetPeak();
            QElapsedTimer clock;
            clock.start();
            ended = 0;
            kind.start();
            const bool done = runUntil([&] { return ended > 0; }, 60000);
            const long growth = statusKib("VmHWM:") - before;
            const long goal = long(2 * kind.limit / 1024) + 16 * 1024;
            std::printf("  %-18s %-30s %7ld KiB (goal %ld KiB), ended after %lld ms", kind.name,
                        pace.first, growth, goal, static_cast<long long>(clock.elapsed()));
            verdict(done && growth < goal);
        }
    }
}

// Sixteen pictures far larger than the panel, then sixteen at the limit.
void advertising(FakeHttpServer& server)
{
    std::printf("Sixteen advertising pictures (goal: resident growth < 16 MB)\n");
    for (int side : {4000, 1000}) {
        const QByteArray picture = png(side);
        QByteArray config;
        for (int i = 0; i < 16; ++i)
            config += "img" + QByteArray::number(i) + ".png http://example.com/t\n";
        server.setHandler([&](const HttpRequestRecord& request) {
            if (request.path.endsWith(QStringLiteral("/ad_cfg_1.php")))
                return HttpReply::ok(config);
            return HttpReply::ok(picture, "image/png");
        });
        QWidget panel;
        panel.resize(200, 60);
        const long before = settleAndResetPeak();
        {
            VkAdHelper ads;
            ads.setWidget(&panel);
            ads.url = server.baseUrl() + QStringLiteral("/ad/ad_cfg_1.php");
            bool settled = false;
            QObject::connect(&ads, &VkAdHelper::settled, [&] { settled = true; });
            ads.exec();
            runUntil([&] { return settled; }, 60000);
            const long held = statusKib("VmRSS:") - before;
            const long peak = statusKib("VmHWM:") - before;
            std::printf("  %d x %d PNG of %lld KB, panel %s: resident %+ld KiB, peak %+ld KiB",
                        side, side, static_cast<long long>(picture.size() / 1024),
                        panel.isVisible() ? "shown" : "hidden", held, peak);
            verdict(settled && held < 16 * 1024);
        }
    }
}

// A quote service that sends one byte every 300 ms, refreshed every 500 ms,
// then answering normally again.
void trickle(FakeHttpServer& server)
{
    std::printf("Trickling quote service, 1000 codes, a refresh every 500 ms\n");
    bool healthy = false;
    server.setHandler([&](const HttpRequestRecord& request) {
        if (!healthy)
            return HttpReply::streamed(-1, 1, 300);
        QByteArray reply;
        for (const QString& code : request.path.mid(request.path.indexOf('=') + 1).split(','))
            reply += "var hq_str_" + code.toLatin1() + "=\"A,1,10,11,1,1,1,1,1,1\";\n";
        return HttpReply::ok(reply);
    });
    TStockDataSet feed;
    feed.setStockCodes(codes(1000));
    QElapsedTimer clock;
    clock.start();
    QHash<QNetworkReply*, qint64> sent;
    qint64 longest = 0;
    int most = 0;
    qint64 shownAt = -1;
    QObject::connect(feed.networkManager(), &QNetworkAccessManager::finished,
                     [&](QNetworkReply* reply) {
                         // Seen open by the sampling below, which every
                         // request lasting longer than 10 ms is.
                         if (sent.contains(reply))
                             longest = qMax(longest, clock.elapsed() - sent.take(reply));
                     });
    QObject::connect(&feed, &TStockDataSet::readFinished, [&] {
        if (healthy && shownAt < 0)
            shownAt = clock.elapsed();
    });
    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, [&] { feed.download(); });
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, [&] {
        int open = 0;
        for (QNetworkReply* reply : feed.networkManager()->findChildren<QNetworkReply*>()) {
            if (reply->isFinished())
                continue;
            ++open;
            if (!sent.contains(reply))
                sent.insert(reply, clock.elapsed());
        }
        most = qMax(most, open);
    });
    sample.start(10);
    refresh.start(500);
    feed.download();
    runUntil([] { return false; }, 24000);
    healthy = true;
    const qint64 recovered = clock.elapsed();
    runUntil([&] { return shownAt >= 0; }, 30000);
    std::printf("  requests open at once at most  %d (goal <= 2, the batches of one refresh)",
                most);
    verdict(most <= 2);
    std::printf("  longest request                %lld ms (goal <= 20000 and a little)",
                static_cast<long long>(longest));
    verdict(longest > 0 && longest < 20500);
    std::printf("  quotes shown after recovery    %lld ms",
                static_cast<long long>(shownAt - recovered));
    verdict(shownAt >= 0);
}

// From the first refresh, sent to a first quote service that hangs or
// refuses at once, to the second service's quotes in the table.
void failover(FakeHttpServer& server)
{
    std::printf("Failover to the second quote service, 50 codes (goal: the second is asked "
                "within one request deadline, %d ms)\n",
                web::DEADLINE_MS);
    web::setServiceRoot(web::Service::QuotesBackup, server.baseUrl());
    const QList<QPair<const char*, HttpReply>> firsts = {
        {"first hangs", HttpReply::noAnswer()},
        {"first answers 403", HttpReply::withStatus(403, "Forbidden")},
    };
    for (const auto& [name, first] : firsts) {
        server.setHandler([&](const HttpRequestRecord& request) {
            if (request.path.startsWith(QStringLiteral("/list=")))
                return first;
            QByteArray reply;
            for (const QString& code : request.path.mid(3).split(',')) {
                QByteArray fields = "1~A~" + code.mid(2).toLatin1() + "~10.20~10.00~10.01~1234";
                for (int f = 7; f < 50; ++f)
                    fields += f == 30 ? "~20261207103103" : "~9";
                reply += "v_" + code.toLatin1() + "=\"" + fields + "\";\n";
            }
            return HttpReply::ok(reply);
        });
        QTableWidget table(0, 4);
        TStockDisplayHelper display;
        display.setTable(&table);
        TStockDataSet* feed = display.feed();
        feed->setStockCodes(codes(50));
        QElapsedTimer clock;
        double askedAt = -1;
        double shownAt = -1;
        const auto ms = [&] { return double(clock.nsecsElapsed()) / 1e6; };
        const int before = server.requestCount();
        const QMetaObject::Connection asked =
            QObject::connect(&server, &FakeHttpServer::requestReceived, [&](int index) {
                if (askedAt < 0 && index >= before &&
                    server.requests().at(index).path.startsWith(QStringLiteral("/q=")))
                    askedAt = ms();
            });
        QObject::connect(&display, &TStockDisplayHelper::quotesShown, [&] {
            if (feed->recordsSource() == QuoteSource::Backup && table.rowCount() == 50)
                shownAt = ms();
        });
        clock.start();
        feed->download();
        const bool shown = runUntil([&] { return shownAt >= 0; }, 2 * web::DEADLINE_MS);
        QObject::disconnect(asked);
        std::printf("  %-18s second asked after %8.1f ms, its quotes in the table %5.1f ms "
                    "later",
                    name, askedAt, shownAt - askedAt);
        verdict(shown && askedAt >= 0 && askedAt <= web::DEADLINE_MS);
    }
    web::setServiceRoot(web::Service::QuotesBackup, QStringLiteral("http://127.0.0.1:9"));
}

// The main window started on a data folder with a special file in place of
// either data file.
void specialFiles()
{
    std::printf("Start-up with a special file in place of a data file (goal: < 1 s)\n");
    for (const char* file : {"Stocks.xml", "Config.xml"}) {
        for (const char* kind : {"named pipe", "socket", "link to /dev/zero"}) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QString::fromLatin1(file));
            QLocalServer socket;
            bool made = false;
            if (qstrcmp(kind, "named pipe") == 0)
                made = ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
            else if (qstrcmp(kind, "socket") == 0)
                made = socket.listen(path);
            else
                made = QFile::link(QStringLiteral("/dev/zero"), path);
            setDataDirOverride(dir.path());
            QElapsedTimer clock;
            clock.start();
            {
                TMainForm form;
                form.show();
                QCoreApplication::processEvents();
                std::printf("  %-10s %-18s window up after %lld ms", file, kind,
                            static_cast<long long>(clock.elapsed()));
            }
            verdict(made && clock.elapsed() < 1000);
            setDataDirOverride(QString());
        }
    }
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    FakeHttpServer server;
    web::setServiceRoot(web::Service::Quotes, server.baseUrl());
    // The second quote service, asked after each hostile reply, refuses at
    // once: the figures stay those of the hostile replies.
    web::setServiceRoot(web::Service::QuotesBackup, QStringLiteral("http://127.0.0.1:9"));
    web::setServiceRoot(web::Service::Charts, server.baseUrl());
    replies(server);
    advertising(server);
    trickle(server);
    failover(server);
    web::setServiceRoot(web::Service::Quotes, QStringLiteral("http://127.0.0.1:9"));
    specialFiles();
    std::printf("%s\n", failures == 0 ? "all goals met" : "goals MISSED");
    return failures == 0 ? 0 : 1;
}
