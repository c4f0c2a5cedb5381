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
    std::unique_ptr<QTableWidget> table;
    std::unique_ptr<TStockDisplayHelper> display;
    TStockDataSet* feed = nullptr;

    int liveReplies() const
    {
        return int(feed->networkManager()->findChildren<QNetworkReply*>().size());
    }

    // One refresh, waited for until its reply has finished.
    bool refresh()
    {
        QSignalSpy finished(feed->networkManager(), &QNetworkAccessManager::finished);
        feed->download();
        return finished.wait(10000);
    }

private slots:
    void init()
    {
        server = std::make_unique<FakeHttpServer>();
        web::setServiceRoot(web::Service::Quotes, server->baseUrl());
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
        web::setServiceRoot(web::Service::Quotes, QString());
        web::setTransferTimeout(0);
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
        web::setTransferTimeout(300);
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

        // The feed goes on working after the fault.
        server->enqueue(HttpReply::gb18030(
            quoteEntry(QStringLiteral("sh600000"), QStringLiteral("浦发银行"), 10, 9.9)));
        QVERIFY(refresh());
        QCOMPARE(tableRows(*table), QStringList{QStringLiteral("浦发银行|600000|9.90|-1")});
    }

    void largeListStaysWithinTheReplyLimit()
    {
        // The limit that turns junk away must never bite a real reply: 1000
        // codes with long names answer with well over the fixed margin.
        QStringList codes;
        QString reply;
        for (int i = 0; i < 1000; ++i) {
            codes << QStringLiteral("sh6%1").arg(i, 5, 10, QLatin1Char('0'));
            reply +=
                quoteEntry(codes.last(), QStringLiteral("中华人民共和国银行%1").arg(i), 10, 11);
        }
        feed->setStockCodes(stockEntries(codes));
        server->enqueue(HttpReply::gb18030(reply));
        QVERIFY(gb18030::encode(reply).size() > 200 * 1024);
        QVERIFY(refresh());
        QCOMPARE(table->rowCount(), 1000);
        QCOMPARE(table->item(999, 1)->text(), QStringLiteral("600999"));
    }

    void repliesOutOfOrder_data()
    {
        // Three refreshes, each for a code of its own so that its reply can be
        // told apart, answered after the given delays.
        QTest::addColumn<QList<int>>("delays");
        QTest::addColumn<QStringList>("shown"); // the codes shown, in turn
        QTest::newRow("in order") << QList<int>{0, 150, 300}
                                  << QStringList{"600001", "600002", "600003"};
        QTest::newRow("reverse order") << QList<int>{700, 350, 0} << QStringList{"600003"};
        QTest::newRow("middle first") << QList<int>{500, 0, 900} << QStringList{"600002", "600003"};
        QTest::newRow("newest hangs") << QList<int>{0, 200, -1} << QStringList{"600001", "600002"};
    }
    void repliesOutOfOrder()
    {
        QFETCH(QList<int>, delays);
        QFETCH(QStringList, shown);
        web::setTransferTimeout(1500);
        server->setHandler([&](const HttpRequestRecord& request) {
            const QString code = codesOfQuotePath(request.path).value(0);
            const int delay = delays.value(code.right(1).toInt() - 1);
            if (delay < 0)
                return HttpReply::noAnswer();
            return HttpReply::gb18030(quoteEntry(code, QStringLiteral("股票"), 10, 11))
                .delayed(delay);
        });
        QStringList seen;
        connect(feed, &TStockDataSet::readFinished, this, [&](const TStockDataItems& items) {
            seen << items.at(0).code;
            // What the table shows is always what was delivered last.
            QCOMPARE(table->item(0, 1)->text(), items.at(0).code);
        });
        QSignalSpy finished(feed->networkManager(), &QNetworkAccessManager::finished);
        for (int i = 1; i <= 3; ++i) {
            feed->setStockCodes(stockEntries({QStringLiteral("sh60000%1").arg(i)}));
            feed->download();
        }
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 3, 5000);
        QCOMPARE(seen, shown);
        QCOMPARE(table->item(0, 1)->text(), shown.last());
        QTRY_COMPARE(liveReplies(), 0);
    }

    void hungServiceKeepsOutstandingRequestsBounded()
    {
        // Refreshes go on while the service never answers: the time-out must
        // end requests as fast as new ones start.
        server->setDefaultReply(HttpReply::noAnswer());
        web::setTransferTimeout(300);
        constexpr int intervalMs = 30;
        constexpr int refreshes = 60;
        int most = 0;
        int done = 0;
        QTimer refresh;
        connect(&refresh, &QTimer::timeout, this, [&] {
            most = qMax(most, liveReplies());
            if (++done <= refreshes)
                feed->download();
        });
        refresh.start(intervalMs);
        QTRY_VERIFY_WITH_TIMEOUT(done > refreshes, 10000);
        refresh.stop();
        QVERIFY(most > 1); // requests were really outstanding at once
        QVERIFY2(most <= 300 / intervalMs + 4, qPrintable(QString::number(most)));
        QTRY_COMPARE_WITH_TIMEOUT(liveReplies(), 0, 5000);
    }
};

QTEST_MAIN(TestFeedFaults)
#include "tst_feedfaults.moc"
