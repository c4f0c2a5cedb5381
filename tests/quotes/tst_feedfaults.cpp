#include "core/Clock.h"
#include "core/Gb18030.h"
#include "core/WebRequest.h"
#include "quotes/StockDataSet.h"
#include "quotes/StockDisplayHelper.h"

#include "FakeHttpServer.h"
#include "QuoteReplies.h"
#include "StockFixtures.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

Q_DECLARE_METATYPE(HttpReply)

namespace {
// Bytes that are no quote reply but hold plenty of ";" and "=", so that
// parsing them would fill the table with rubbish.
QByteArray junk(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(20261207);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(random.bounded(256));
    return bytes;
}
} // namespace

class TestFeedFaults : public QObject
{
    Q_OBJECT
    std::unique_ptr<FakeHttpServer> server;
    // The second quote service: down (503) unless a test says otherwise.
    std::unique_ptr<FakeHttpServer> backup;
    std::unique_ptr<QTableWidget> table;
    std::unique_ptr<TStockDisplayHelper> display;
    TStockDataSet* feed = nullptr;

    int liveReplies() const
    {
        return int(feed->networkManager()->findChildren<QNetworkReply*>().size());
    }

    // Requests sent and not yet ended; a reply that has ended lives on
    // until the event loop deletes it.
    int openRequests() const
    {
        const QList<QNetworkReply*> replies =
            feed->networkManager()->findChildren<QNetworkReply*>();
        return int(std::count_if(replies.begin(), replies.end(),
                                 [](QNetworkReply* reply) { return !reply->isFinished(); }));
    }

    // One refresh, waited for until it has delivered or failed, the second
    // service asked at once included.
    bool refresh()
    {
        QSignalSpy good(feed, &TStockDataSet::readFinished);
        QSignalSpy failed(feed, &TStockDataSet::downloadFailed);
        feed->download();
        return QTest::qWaitFor([&] { return !good.isEmpty() || !failed.isEmpty(); }, 10000);
    }

    // Either service's answer for the codes asked, each priced 11 against 10.
    static HttpReply goodReply(const HttpRequestRecord& request)
    {
        const bool second = request.path.startsWith(QStringLiteral("/q="));
        QString reply;
        for (const QString& code : codesOfQuotePath(request.path))
            reply += second ? backupQuoteEntry(code, QStringLiteral("股票"), 10, 11)
                            : quoteEntry(code, QStringLiteral("股票"), 10, 11);
        return HttpReply::gb18030(reply);
    }

private slots:
    void init()
    {
        server = std::make_unique<FakeHttpServer>();
        backup = std::make_unique<FakeHttpServer>();
        backup->setDefaultReply(HttpReply::withStatus(503));
        web::setServiceRoot(web::Service::Quotes, server->baseUrl());
        web::setServiceRoot(web::Service::QuotesBackup, backup->baseUrl());
        table = std::make_unique<QTableWidget>(0, 4);
        display = std::make_unique<TStockDisplayHelper>();
        display->setTable(table.get());
        feed = display->feed();
        feed->setStockCodes(stockEntries({QStringLiteral("sh600000"), QStringLiteral("sz000001")}));
    }

    void cleanup()
    {
        display.reset();
        table.reset();
        server.reset();
        backup.reset();
        appclock::setNow(QDateTime());
        web::setServiceRoot(web::Service::Quotes, QString());
        web::setServiceRoot(web::Service::QuotesBackup, QString());
        web::setTransferTimeout(0);
        web::setDeadline(0);
    }

    void faultKeepsLastGoodQuotes_data()
    {
        QTest::addColumn<HttpReply>("fault");
        const QByteArray good = gb18030::encode(
            quoteReplyFor({QStringLiteral("sh600000"), QStringLiteral("sz000001")}));
        QTest::newRow("403") << HttpReply::withStatus(403, good);
        QTest::newRow("500") << HttpReply::withStatus(500, good);
        const QByteArray junkBody = junk(10 * 1024 * 1024);
        QTest::newRow("10 MB of junk") << HttpReply::ok(junkBody);
        QTest::newRow("10 MB of junk, length not announced")
            << HttpReply::ok(junkBody).withoutLength();
        QTest::newRow("body cut short") << HttpReply::cutMidBody(good);
        QTest::newRow("dropped mid-body") << HttpReply::droppedMidBody(good);
        QTest::newRow("dropped before answering") << HttpReply::dropped();
        QTest::newRow("never answers") << HttpReply::noAnswer();
    }
    void faultKeepsLastGoodQuotes()
    {
        QFETCH(HttpReply, fault);
        web::setTransferTimeout(1000);
        server->enqueue(HttpReply::gb18030(
            quoteEntry(QStringLiteral("sh600000"), QStringLiteral("浦发银行"), 10, 10.5) +
            quoteEntry(QStringLiteral("sz000001"), QStringLiteral("平安银行"), 12, 11.4)));
        QVERIFY(refresh());
        const QStringList shown = tableRows(*table);
        QCOMPARE(shown, (QStringList{QStringLiteral("浦发银行|600000|10.50|5"),
                                     QStringLiteral("平安银行|000001|11.40|-5")}));

        QSignalSpy delivered(feed, &TStockDataSet::readFinished);
        server->enqueue(fault);
        QVERIFY(refresh());
        QCOMPARE(delivered.size(), 0);
        QCOMPARE(tableRows(*table), shown);
        QCOMPARE(feed->records().size(), size_t(2));
        QTRY_COMPARE(liveReplies(), 0);

        // The feed goes on working after the fault (and the pause a 403
        // brings).
        appclock::setNow(QDateTime::currentDateTimeUtc().addSecs(120));
        server->enqueue(HttpReply::gb18030(
            quoteEntry(QStringLiteral("sh600000"), QStringLiteral("浦发银行"), 10, 9.9)));
        QVERIFY(refresh());
        QCOMPARE(tableRows(*table), QStringList{QStringLiteral("浦发银行|600000|9.90|-1")});
    }

    // The service's answer for the codes of a request, each code under a
    // long name.
    static HttpReply longNamesFor(const HttpRequestRecord& request)
    {
        QString reply;
        for (const QString& code : codesOfQuotePath(request.path))
            reply += quoteEntry(code, QStringLiteral("中华人民共和国银行") + code, 10, 11);
        return HttpReply::gb18030(reply);
    }

    void largeListStaysWithinTheReplyLimit()
    {
        // The limit that turns junk away must never bite a real reply: 1000
        // codes with long names answer with well over the fixed margin.
        QStringList codes;
        for (int i = 0; i < 1000; ++i)
            codes << QStringLiteral("sh6%1").arg(i, 5, 10, QLatin1Char('0'));
        qsizetype largest = 0;
        server->setHandler([&](const HttpRequestRecord& request) {
            const HttpReply reply = longNamesFor(request);
            largest = qMax(largest, reply.body.size());
            return reply;
        });
        feed->setStockCodes(stockEntries(codes));
        QSignalSpy delivered(feed, &TStockDataSet::readFinished);
        feed->download();
        QVERIFY(delivered.wait(10000));
        QVERIFY(largest > 128 * 1024);
        QCOMPARE(table->rowCount(), 1000);
        QCOMPARE(table->item(999, 1)->text(), QStringLiteral("600999"));
    }

    void longListsAreAskedInBatches_data()
    {
        QTest::addColumn<int>("codes");
        QTest::addColumn<QList<int>>("batches"); // codes per request, in list order
        QTest::addColumn<int>("failing");        // the request that fails next, -1 for none
        QTest::newRow("800, one request") << 800 << QList<int>{800} << -1;
        QTest::newRow("801") << 801 << QList<int>{800, 1} << -1;
        QTest::newRow("1601, last fails") << 1601 << QList<int>{800, 800, 1} << 2;
        QTest::newRow("1601, first hangs") << 1601 << QList<int>{800, 800, 1} << 0;
    }
    void longListsAreAskedInBatches()
    {
        QFETCH(int, codes);
        QFETCH(QList<int>, batches);
        QFETCH(int, failing);
        // Well above the first batch's 200 ms delay, so a loaded machine cannot
        // turn the late answer into a time-out.
        web::setTransferTimeout(1500);
        QStringList list;
        for (int i = 0; i < codes; ++i)
            list << QStringLiteral("sz%1").arg(i, 6, 10, QLatin1Char('0'));
        bool faulty = false;
        server->setHandler([&](const HttpRequestRecord& request) {
            const QStringList asked = codesOfQuotePath(request.path);
            const int batch = int(list.indexOf(asked.value(0)) / 800);
            if (faulty && batch == failing)
                return failing == 0 ? HttpReply::noAnswer() : HttpReply::withStatus(500);
            // The first request answers last: the records still come in
            // list order.
            return longNamesFor(request).delayed(batch == 0 ? 200 : 0);
        });
        feed->setStockCodes(stockEntries(list));
        QSignalSpy delivered(feed, &TStockDataSet::readFinished);
        feed->download();
        QVERIFY(delivered.wait(10000));

        QList<int> sizes;
        QStringList asked;
        for (const HttpRequestRecord& request : server->requests()) {
            const QStringList some = codesOfQuotePath(request.path);
            sizes << int(some.size());
            asked += some;
            // Common servers refuse request lines over 8 KB.
            QVERIFY(request.target.size() + 16 < 8192);
        }
        std::sort(asked.begin(), asked.end());
        QCOMPARE(asked, list);
        std::sort(sizes.begin(), sizes.end(), std::greater<int>());
        QCOMPARE(sizes, batches);
        QCOMPARE(table->rowCount(), codes);
        for (int row : {0, codes / 2, codes - 1})
            QCOMPARE(table->item(row, 1)->text(), list.at(row).mid(2));
        if (failing < 0)
            return;

        // One failed request fails the refresh: the last quotes stay.
        faulty = true;
        server->clearRequests();
        feed->download();
        QVERIFY(server->waitForRequestCount(int(batches.size())));
        QTRY_COMPARE_WITH_TIMEOUT(liveReplies(), 0, 5000);
        QCOMPARE(delivered.size(), 1);
        QCOMPARE(table->rowCount(), codes);
    }

    void refreshWaitsForTheOpenOne_data()
    {
        // Three refreshes in a row, each for a code of its own; the first
        // request meets the reply given.
        QTest::addColumn<HttpReply>("first");
        QTest::addColumn<QStringList>("shown"); // the codes shown, in turn
        const HttpReply good = HttpReply::gb18030(
            quoteEntry(QStringLiteral("sh600001"), QStringLiteral("股票"), 10, 11));
        QTest::newRow("answers late") << good.delayed(200) << QStringList{"600001", "600003"};
        QTest::newRow("fails") << HttpReply::withStatus(500).delayed(200) << QStringList{"600003"};
        QTest::newRow("never answers") << HttpReply::noAnswer() << QStringList{"600003"};
        QTest::newRow("trickles") << HttpReply::streamed(-1, 1, 50) << QStringList{"600003"};
    }
    void refreshWaitsForTheOpenOne()
    {
        QFETCH(HttpReply, first);
        QFETCH(QStringList, shown);
        // The late answer (200 ms) must stay well inside both limits on a
        // loaded machine; the silent and trickling rows end by them.
        web::setTransferTimeout(1500);
        web::setDeadline(2500);
        // The failed first refresh sends the waiting one to the second
        // service, played by the same server.
        web::setServiceRoot(web::Service::QuotesBackup, server->baseUrl());
        server->setHandler([&](const HttpRequestRecord& request) {
            const QString code = codesOfQuotePath(request.path).value(0);
            if (code == QStringLiteral("sh600001"))
                return first;
            return goodReply(request);
        });
        QStringList seen;
        connect(feed, &TStockDataSet::readFinished, this, [&](const TStockDataItems& items) {
            seen << items.at(0).code;
            // What the table shows is always what was delivered last.
            QCOMPARE(table->item(0, 1)->text(), items.at(0).code);
        });
        for (int i = 1; i <= 3; ++i) {
            feed->setStockCodes(stockEntries({QStringLiteral("sh60000%1").arg(i)}));
            feed->download();
            QCOMPARE(openRequests(), 1);
        }
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), shown.size(), 5000);
        QCOMPARE(seen, shown);
        QTRY_COMPARE(liveReplies(), 0);
        // The waiting refreshes went out once, for the newest list.
        QCOMPARE(server->requestCount(), 2);
        QCOMPARE(codesOfQuotePath(server->lastRequest().path), QStringList{"sh600003"});
    }

    // Each way the first service fails sends the next refresh at once to the
    // second, which stays current; ten minutes on the first is tried again
    // and is current as soon as it answers.
    void failoverAndBack_data()
    {
        QTest::addColumn<HttpReply>("fault");
        QTest::newRow("403") << HttpReply::withStatus(403);
        QTest::newRow("429") << HttpReply::withStatus(429);
        QTest::newRow("500") << HttpReply::withStatus(500);
        QTest::newRow("dropped") << HttpReply::dropped();
        QTest::newRow("hangs") << HttpReply::noAnswer();
        QTest::newRow("too large") << HttpReply::streamed(8 * 1024 * 1024);
        QTest::newRow("login page")
            << HttpReply::ok("<html><head><meta http-equiv=\"refresh\" content=\"0; "
                             "url=/portal\"><title>Wi-Fi login</title></head>\n<body>Sign in; "
                             "a=\"b\";</body></html>",
                             "text/html");
    }
    void failoverAndBack()
    {
        QFETCH(HttpReply, fault);
        web::setTransferTimeout(500);
        const QDateTime start(QDate(2026, 12, 7), QTime(2, 0), Qt::UTC); // 10:00 in Beijing
        appclock::setNow(start);
        bool primaryUp = false;
        server->setHandler([&](const HttpRequestRecord& request) {
            return primaryUp ? goodReply(request) : fault;
        });
        backup->setHandler(goodReply);
        QSignalSpy failed(feed, &TStockDataSet::downloadFailed);
        QVERIFY(refresh());
        QCOMPARE(failed.size(), 0);
        QCOMPARE(tableRows(*table), (QStringList{QStringLiteral("股票|600000|11.00|10"),
                                                 QStringLiteral("股票|000001|11.00|10")}));
        QCOMPARE(feed->recordsSource(), QuoteSource::Backup);
        QCOMPARE(backup->lastRequest().target, QByteArray("/q=sh600000,sz000001"));
        QVERIFY(backup->lastRequest().header("Referer").isEmpty());

        // Minutes after the failure: which service the refresh asks. (Qt asks
        // once more over a dropped connection.)
        const int firstAsked = server->requestCount();
        primaryUp = true;
        for (const auto& [minutes, primaryAsked] :
             {std::pair{1, 1}, std::pair{9, 1}, std::pair{10, 2}, std::pair{11, 3}}) {
            appclock::setNow(start.addSecs(minutes * 60 + 1));
            QVERIFY(refresh());
            QCOMPARE(server->requestCount() - firstAsked + 1, primaryAsked);
        }
        QCOMPARE(backup->requestCount(), 3);
        QCOMPARE(feed->recordsSource(), QuoteSource::Primary);
        QCOMPARE(feed->currentSource(), QuoteSource::Primary);
        QCOMPARE(failed.size(), 0);
    }

    void pauseAfterRefusal_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("403") << 403;
        QTest::newRow("429") << 429;
    }
    void pauseAfterRefusal()
    {
        // Both services refuse: each is asked again only after a pause of
        // 1, 2, 4 ... minutes, and refreshes in between send nothing.
        QFETCH(int, status);
        const QDateTime start(QDate(2026, 12, 7), QTime(2, 0), Qt::UTC);
        bool primaryUp = false;
        server->setHandler([&](const HttpRequestRecord& request) {
            return primaryUp ? goodReply(request) : HttpReply::withStatus(status);
        });
        backup->setDefaultReply(HttpReply::withStatus(status));
        QSignalSpy failed(feed, &TStockDataSet::downloadFailed);
        // Seconds after the start, and the requests each service has had then.
        const QList<QPair<int, int>> script{{0, 1},   {30, 1},  {61, 2}, {150, 2},
                                            {182, 3}, {400, 3}, {423, 4}};
        for (const auto& [seconds, asked] : script) {
            appclock::setNow(start.addSecs(seconds));
            QVERIFY(refresh());
            QCOMPARE(server->requestCount(), asked);
            QCOMPARE(backup->requestCount(), asked);
        }
        QCOMPARE(failed.size(), script.size());
        QCOMPARE(feed->failedSources(),
                 (std::vector<QuoteSource>{QuoteSource::Primary, QuoteSource::Backup}));

        // A good answer ends the pause: the refresh right after asks again.
        primaryUp = true;
        appclock::setNow(start.addSecs(423 + 8 * 60 + 1));
        QVERIFY(refresh());
        QCOMPARE(server->requestCount(), 5);
        QVERIFY(feed->failedSources().empty());
        primaryUp = false;
        QVERIFY(refresh());
        QCOMPARE(server->requestCount(), 6);
        QCOMPARE(backup->requestCount(), 5);
    }

    void hungServiceKeepsOutstandingRequestsBounded_data()
    {
        QTest::addColumn<HttpReply>("hung");
        QTest::newRow("silent") << HttpReply::noAnswer();
        QTest::newRow("trickling") << HttpReply::streamed(-1, 1, 50);
    }
    void hungServiceKeepsOutstandingRequestsBounded()
    {
        // Refreshes go on while the service never finishes an answer: the
        // time-out and the deadline end requests, and refreshes never pile
        // up behind them.
        QFETCH(HttpReply, hung);
        server->setDefaultReply(hung);
        web::setTransferTimeout(300);
        web::setDeadline(600);
        constexpr int intervalMs = 30;
        constexpr int refreshes = 60;
        int most = 0;
        int done = 0;
        QTimer refresh;
        connect(&refresh, &QTimer::timeout, this, [&] {
            most = qMax(most, openRequests());
            if (++done <= refreshes)
                feed->download();
        });
        refresh.start(intervalMs);
        QTRY_VERIFY_WITH_TIMEOUT(done > refreshes, 10000);
        refresh.stop();
        QVERIFY(server->requestCount() > 1); // refreshes went on after the first ended
        QCOMPARE(most, 1);
        QVERIFY2(most <= 300 / intervalMs + 4, qPrintable(QString::number(most)));
        QTRY_COMPARE_WITH_TIMEOUT(liveReplies(), 0, 5000);

        // Once the service answers again, so does the next refresh.
        server->setDefaultReply(HttpReply::gb18030(quoteReplyFor({QStringLiteral("sh600000")})));
        feed->download();
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 1, 5000);
    }
};

QTEST_MAIN(TestFeedFaults)
#include "tst_feedfaults.moc"
