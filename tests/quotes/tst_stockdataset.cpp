#include "core/WebRequest.h"
#include "quotes/StockDataSet.h"

#include "FakeHttpServer.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(HttpReply)

namespace {
// Each record's twelve fields in order, joined by "|".
QStringList flat(const TStockDataItems& items)
{
    QStringList out;
    for (const TStockData& d : items)
        out << QStringList{d.code,   d.name,   d.value2, d.basePrice, d.price,   d.value5,
                           d.value6, d.value7, d.value8, d.value9,    d.value10, d.percent}
                   .join(u'|');
    return out;
}

// The service's entry: 22 characters plus the values.
QString entry(const QString& values, const QString& code = QStringLiteral("sh600000"))
{
    return QStringLiteral("var hq_str_%1=\"%2\"").arg(code, values);
}
// A feed with a list, so that it asks the service.
struct ListedFeed : TStockDataSet
{
    ListedFeed()
    {
        setStockCodes({TStockCodeData{QStringLiteral("sh600000"), {}, {}, {}, {}, {}}});
    }
};
} // namespace

class TestStockDataSet : public QObject
{
    Q_OBJECT
    FakeHttpServer* server = nullptr;

    // Serves `reply` to one download and keeps the records emitted, if any.
    // False when the reply never finished: check it with QVERIFY, so that the
    // test stops there instead of going on with nothing.
    bool fetch(TStockDataSet& feed, const HttpReply& reply, std::optional<TStockDataItems>& emitted)
    {
        server->enqueue(reply);
        emitted.reset();
        auto c = connect(&feed, &TStockDataSet::readFinished, this,
                         [&](TStockDataItems items) { emitted = items; });
        QSignalSpy finished(feed.networkManager(), &QNetworkAccessManager::finished);
        feed.download();
        const bool done = finished.wait(5000);
        disconnect(c);
        return done;
    }

private slots:
    void init()
    {
        server = new FakeHttpServer(this);
        web::setServiceRoot(web::Service::Quotes, server->baseUrl());
    }
    void cleanup()
    {
        web::setServiceRoot(web::Service::Quotes, QString());
        web::setTransferTimeout(0);
        delete server;
    }

    void request_data()
    {
        QTest::addColumn<QList<QStringList>>("lists");
        QTest::addColumn<QByteArray>("target");
        // An empty target: no request, and at once an empty answer.
        QTest::newRow("never given") << QList<QStringList>{} << QByteArray();
        QTest::newRow("one") << QList<QStringList>{{"sh600000"}} << QByteArray("/list=sh600000");
        QTest::newRow("three") << QList<QStringList>{{"sz000002", "sh600000", "sz000002"}}
                               << QByteArray("/list=sz000002,sh600000,sz000002");
        QTest::newRow("emptied") << QList<QStringList>{{"sh600000", "sz000001"}, {}}
                                 << QByteArray();
        QTest::newRow("refilled") << QList<QStringList>{{"sh600000"}, {}, {"sz000001"}}
                                  << QByteArray("/list=sz000001");
    }
    void request()
    {
        QFETCH(QList<QStringList>, lists);
        QFETCH(QByteArray, target);
        TStockDataSet feed;
        for (const QStringList& codes : lists) {
            TStockCodeDataItems items;
            for (const QString& code : codes)
                items.push_back(TStockCodeData{code, {}, {}, {}, {}, {}});
            feed.setStockCodes(items);
        }
        std::optional<TStockDataItems> emitted;
        if (target.isEmpty()) {
            connect(&feed, &TStockDataSet::readFinished, this,
                    [&](TStockDataItems items) { emitted = items; });
            feed.download();
            QVERIFY(emitted && emitted->empty());
            QTest::qWait(100);
            QCOMPARE(server->requestCount(), 0);
            return;
        }
        QVERIFY(fetch(feed, HttpReply::ok(QByteArray()), emitted));
        QVERIFY(!emitted);
        QCOMPARE(server->requestCount(), 1);
        QCOMPARE(server->lastRequest().method, QByteArray("GET"));
        QCOMPARE(server->lastRequest().target, target);
        QCOMPARE(server->lastRequest().header("Referer"),
                 QByteArray("https://finance.sina.com.cn/"));
    }

    void defaultAddress()
    {
        web::setServiceRoot(web::Service::Quotes, QString());
        const QString product = TStockDataSet::quoteUrl();
        QVERIFY(product.startsWith(QStringLiteral("http")) &&
                product.endsWith(QStringLiteral("/list=")));
        web::setServiceRoot(web::Service::Quotes, QStringLiteral("http://127.0.0.1:1"));
        QCOMPARE(TStockDataSet::quoteUrl(), QStringLiteral("http://127.0.0.1:1/list="));
        web::setServiceRoot(web::Service::Quotes, QString());
        QCOMPARE(TStockDataSet::quoteUrl(), product);
    }

    void parse_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("records");
        const QString full = QStringLiteral("A,1,100,101,4,5,6,7,8,9");
        const QString record = QStringLiteral("600000|A|1|100|101|4|5|6|7|8|9|1");
        const auto percent =
            [](const char* base, const char* price, const char* result) {
                QTest::newRow(result)
                    << entry(QStringLiteral("A,1,%1,%2").arg(base, price)) + ';'
                    << QStringList{
                           QStringLiteral("600000|A|1|%1|%2|||||||%3").arg(base, price, result)};
            };
        QTest::newRow("26 characters") << entry("A,1,") + ';' << QStringList{};
        // No current price with a previous close: not traded yet, no change.
        QTest::newRow("27 characters")
            << entry("A,1,2") + ';' << QStringList{"600000|A|1|2||||||||0"};
        QTest::newRow("carriage return counts")
            << "\r" + entry("A,1,") + ';' << QStringList{"600000|A|1|||||||||nan"};
        QTest::newRow("line feeds dropped")
            << "\n" + entry("A,1,10\n0,101,4,5,6,7,8,9") + ";\n" + entry(full, "sz000001") + "\n;\n"
            << QStringList{record, QString(record).replace("600000", "000001")};
        QTest::newRow("empty values")
            << entry("A,,100,101,,,6,,,") + ';' << QStringList{"600000|A||100|101|||6||||1"};
        QTest::newRow("fewer than ten")
            << entry("A,1,100,110") + ';' << QStringList{"600000|A|1|100|110|||||||10"};
        QTest::newRow("worked example, more than ten")
            << QStringLiteral(
                   "v_sz000002=\"A,10.00,9.80,10.29,10.40,9.75,10.28,10.29,100,99.5,X,Y\";")
            << QStringList{"000002|A|10.00|9.80|10.29|10.40|9.75|10.28|10.29|100|99.5|5"};
        QTest::newRow("chinese name")
            << entry(QStringLiteral("浦发银行,1,100,101,4,5,6,7,8,9")) + ';'
            << QStringList{QString(record).replace("|A|", QStringLiteral("|浦发银行|"))};
        QTest::newRow("no =") << "[" + full + ",10];" << QStringList{"|A|1|100|101|4|5|6|7|8|9|1"};
        QTest::newRow("up to NUL and last ;")
            << entry(full) + ';' + entry(full) + QChar(0) + ';' << QStringList{record};
        QTest::newRow("one short entry") << QStringLiteral("x;") << QStringList{};
        percent("100", "101.2345", "1.2");
        percent("100", "109.96", "10");
        percent("100", "99.5", "-0.5");
        percent("100", "100.054", "0.054");
        percent("100", "100", "0");
        percent("100", "250", "1.5e+02");
        percent("10.00", "9.87", "-1.3");
        percent("0", "10.5", "inf");
        percent("abc", "0", "nan");
    }
    void parse()
    {
        QFETCH(QString, body);
        QFETCH(QStringList, records);
        ListedFeed feed;
        std::optional<TStockDataItems> emitted;
        QVERIFY(fetch(feed, HttpReply::gb18030(body), emitted));
        QVERIFY(emitted);
        QCOMPARE(flat(*emitted), records);
        QCOMPARE(flat(feed.records()), records);
    }

    void nextReplyReplaces()
    {
        // Records reuse their buffers: nothing of the first reply may show
        // through in the second, nor change in what was emitted before.
        ListedFeed feed;
        std::optional<TStockDataItems> first;
        std::optional<TStockDataItems> second;
        QVERIFY(fetch(
            feed,
            HttpReply::gb18030(entry("Long,1,100,101,4,5,6,7,8,9") + ';' + entry("B,1,2,3") + ';'),
            first));
        QVERIFY(fetch(feed, HttpReply::gb18030(entry("C,1,100,90", "sz000001") + ';'), second));
        QVERIFY(first && second);
        QCOMPARE(flat(*first),
                 (QStringList{"600000|Long|1|100|101|4|5|6|7|8|9|1", "600000|B|1|2|3|||||||50"}));
        QCOMPARE(flat(*second), QStringList{"000001|C|1|100|90|||||||-10"});
    }

    // Failures emit nothing and keep the last records; every reply is released.
    void failure_data()
    {
        QTest::addColumn<HttpReply>("reply");
        const QByteArray good = entry("B,1,100,90").toLatin1() + ';';
        QTest::newRow("500") << HttpReply::withStatus(500, good);
        QTest::newRow("403") << HttpReply::withStatus(403, good);
        QTest::newRow("empty body") << HttpReply::ok(QByteArray());
        QTest::newRow("dropped") << HttpReply::dropped();
        QTest::newRow("timeout") << HttpReply::noAnswer();
    }
    void failure()
    {
        QFETCH(HttpReply, reply);
        ListedFeed feed;
        std::optional<TStockDataItems> emitted;
        QVERIFY(fetch(feed, HttpReply::gb18030(entry("A,1,100,110") + ';'), emitted));
        QVERIFY(emitted);
        web::setTransferTimeout(150);
        QVERIFY(fetch(feed, reply, emitted));
        QVERIFY(!emitted);
        QCOMPARE(flat(feed.records()), QStringList{"600000|A|1|100|110|||||||10"});
        QTRY_VERIFY(feed.networkManager()->findChildren<QNetworkReply*>().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestStockDataSet)
#include "tst_stockdataset.moc"
