#include "core/Gb18030.h"
#include "core/WebRequest.h"
#include "quotes/StockDataSet.h"
#include "quotes/TextNumber.h"

#include "FakeHttpServer.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <cstring>
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
    FakeHttpServer* backup = nullptr; // the second service, down

    // Serves `reply` to one download and keeps the records emitted, if any.
    // False when the reply never finished: check it with QVERIFY, so that the
    // test stops there instead of going on with nothing.
    bool fetch(TStockDataSet& feed, const HttpReply& reply, std::optional<TStockDataItems>& emitted)
    {
        server->enqueue(reply);
        emitted.reset();
        auto c = connect(&feed, &TStockDataSet::readFinished, this,
                         [&](TStockDataItems items) { emitted = items; });
        QSignalSpy failed(&feed, &TStockDataSet::downloadFailed);
        feed.download();
        const bool done = QTest::qWaitFor([&] { return emitted || !failed.isEmpty(); }, 5000);
        disconnect(c);
        return done;
    }

private slots:
    void init()
    {
        server = new FakeHttpServer(this);
        backup = new FakeHttpServer(this);
        backup->setDefaultReply(HttpReply::withStatus(503));
        web::setServiceRoot(web::Service::Quotes, server->baseUrl());
        web::setServiceRoot(web::Service::QuotesBackup, backup->baseUrl());
    }
    void cleanup()
    {
        web::setServiceRoot(web::Service::Quotes, QString());
        web::setServiceRoot(web::Service::QuotesBackup, QString());
        web::setTransferTimeout(0);
        delete server;
        delete backup;
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
            // Nothing asked: a request would be open at once.
            QVERIFY(feed.networkManager()->findChildren<QNetworkReply*>().isEmpty());
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
        // Read so only in a body that is the service's: one entry of it has
        // the quote form.
        QTest::newRow("no =") << entry("", "sz000001") + ";[" + full + ",10];"
                              << QStringList{"|A|1|100|101|4|5|6|7|8|9|1"};
        QTest::newRow("up to NUL and last ;")
            << entry(full) + ';' + entry(full) + QChar(0) + ';' << QStringList{record};
        QTest::newRow("one empty entry") << entry("") + ';' << QStringList{};
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

    // The same moment of the same stocks as both services write it.
    void sourcesGiveEqualRecords_data()
    {
        QTest::addColumn<QString>("primary");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("time");
        // The primary's 33 values: name, open, close, price, high, low, bid,
        // ask, shares, yuan, 20 more, date, time and a status.
        const auto primary = [](const QString& code, const QStringList& head, const char* date,
                                const char* time) {
            QStringList v = head;
            while (v.size() < 30)
                v << QStringLiteral("0");
            v << date << time << QStringLiteral("00");
            return QStringLiteral("var hq_str_%1=\"%2\";\n").arg(code, v.join(u','));
        };
        // The second's fields by number; those not given are filler.
        const auto second = [](const QString& code, const QList<QPair<int, QString>>& given,
                               int count) {
            QStringList f(count, QStringLiteral("9"));
            for (const auto& [at, text] : given)
                f[at] = text;
            return QStringLiteral("v_%1=\"%2\";\n").arg(code, f.join(u'~'));
        };
        const auto fields = [](const QStringList& f) {
            // name, open, close, price, high, low, bid, ask, lots, 10k yuan, stamp
            return QList<QPair<int, QString>>{
                {1, f[0]}, {2, f[11]}, {5, f[1]}, {4, f[2]},  {3, f[3]},  {33, f[4]},  {34, f[5]},
                {9, f[6]}, {19, f[7]}, {6, f[8]}, {36, f[8]}, {37, f[9]}, {30, f[10]}, {0, "1"}};
        };
        QTest::newRow("trade") << primary("sh600000",
                                          {"浦发银行", "7.11", "7.10", "7.15", "7.20", "7.05",
                                           "7.14", "7.15", "1234500", "8827000.5"},
                                          "2026-12-07", "10:31:03")
                               << second("sh600000",
                                         fields({"浦发银行", "7.11", "7.10", "7.15", "7.20", "7.05",
                                                 "7.14", "7.15", "12345", "882.70005",
                                                 "20261207103103", "600000"}),
                                         40)
                               << "2026-12-07 10:31:03";
        QTest::newRow("auction") << primary("sz000001",
                                            {"平安银行", "0.00", "11.20", "0.00", "0.00", "0.00",
                                             "11.25", "11.25", "0", "0"},
                                            "2026-12-07", "09:20:03")
                                 << second("sz000001",
                                           fields({"平安银行", "0.00", "11.20", "0.00", "0.00",
                                                   "0.00", "11.25", "11.25", "0", "0.00",
                                                   "20261207092003", "000001"}),
                                           50)
                                 << "2026-12-07 09:20:03";
        QTest::newRow("suspended")
            << primary("sz000002",
                       {"万科Ａ", "0.00", "9.35", "0.00", "0.00", "0.00", "0.00", "0.00", "0", "0"},
                       "2026-12-04", "15:00:00")
            << second("sz000002",
                      fields({"万科Ａ", "0.00", "9.35", "0.00", "0.00", "0.00", "0.00", "0.00", "0",
                              "0", "20261204150000", "000002"}),
                      38)
            << "2026-12-04 15:00:00";
        QTest::newRow("index") << primary("sh000001",
                                          {"上证指数", "3050.12", "3046.80", "3061.57", "3065.00",
                                           "3040.02", "0", "0", "31234567800", "456789012345"},
                                          "2026-12-07", "10:31:03")
                               << second("sh000001",
                                         fields({"上证指数", "3050.12", "3046.80", "3061.57",
                                                 "3065.00", "3040.02", "0", "0", "312345678",
                                                 "45678901.2345", "20261207103103", "000001"}),
                                         38)
                               << "2026-12-07 10:31:03";
        QTest::newRow("short entry")
            << QStringLiteral("var hq_str_sh688999=\"新股,0.00,12.00,0.00\";\n")
            << QStringLiteral("v_sh688999=\"1~新股~688999~0.00~12.00~0.00\";\n") << "";
    }
    void sourcesGiveEqualRecords()
    {
        QFETCH(QString, primary);
        QFETCH(QString, second);
        QFETCH(QString, time);
        TStockDataSet feed;
        const QStringList first = flat(feed.parseReply(gb18030::encode(primary)));
        const std::vector<QString> firstTimes = feed.quoteTimes();
        QCOMPARE(first.size(), 1);
        QCOMPARE(flat(feed.parseReply(gb18030::encode(second), QuoteSource::Backup)), first);
        QCOMPARE(feed.quoteTimes(), firstTimes);
        QCOMPARE(feed.quoteTimes().at(0), time);
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
        // What did not change stays one text with what holds it (the table's
        // cells): a thousand rows must not be copied anew every refresh.
        std::optional<TStockDataItems> third;
        QVERIFY(fetch(feed, HttpReply::gb18030(entry("C,1,100,91", "sz000001") + ';'), third));
        QCOMPARE(flat(*third), QStringList{"000001|C|1|100|91|||||||-9"});
        QVERIFY(third->at(0).name.isSharedWith(second->at(0).name));
        QCOMPARE(second->at(0).price, "90");
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
        // Not the service's: no entry of the quote form.
        QTest::newRow("one short entry") << HttpReply::ok("x;");
        QTest::newRow("login page")
            << HttpReply::ok("<html><head><title>Login</title></head><body><form method=\"post\" "
                             "action=\"/auth\"><input name=\"user\">;</form></body></html>",
                             "text/html");
        QTest::newRow("proxy error") << HttpReply::ok("ERROR: The requested URL could not be "
                                                      "retrieved; Access Denied.");
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

    // The quick conversion of prices and volumes gives the very double
    // QString::toDouble gives, sign of a zero included: edge texts, then
    // seeded random decimals of up to 17 digits.
    void textToDoubleIsQtsDouble_data()
    {
        QTest::addColumn<QString>("text");
        // One text per "|"; the first is empty.
        const QString texts = QStringLiteral(
            "|10.38|0|-0|-0.00|-1.25|.5|1.|-.5|0.1|0.3|1.005|123456789012345|1234567890123456|"
            "9007199254740993|0.000000000000001|99999.9999999999|12345.678901234567|"
            "000000000000000000042.5|1e5|-|.|-.|1.2.3|--1|1-| 1|1 |+1|abc|inf|１２.５");
        for (const QString& text : texts.split(u'|'))
            QTest::newRow(text.isEmpty() ? "empty" : qPrintable(text)) << text;
        QRandomGenerator random(20261208);
        for (int i = 0; i < 1000; ++i) {
            QString text = QString::number(random.generate64()).left(random.bounded(1, 18));
            text.insert(random.bounded(text.size() + 1), u'.');
            if (random.bounded(4) == 0)
                text.prepend(u'-');
            QTest::newRow(qPrintable(text)) << text;
        }
    }
    void textToDoubleIsQtsDouble()
    {
        QFETCH(QString, text);
        const double quick = textToDouble(text);
        const double qt = text.toDouble();
        // Bit for bit: QCOMPARE on doubles forgives the last digits.
        QVERIFY(std::memcmp(&quick, &qt, sizeof quick) == 0);
    }
};

QTEST_GUILESS_MAIN(TestStockDataSet)
#include "tst_stockdataset.moc"
