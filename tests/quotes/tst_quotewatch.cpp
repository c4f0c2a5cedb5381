#include "quotes/MarketHours.h"
#include "quotes/QuoteWatch.h"

#include <QTest>
#include <QTimeZone>

namespace {
// An instant written as local time at a fixed offset from UTC, in hours.
QDateTime at(const QString& when, int offsetHours = 8)
{
    QDateTime local = QDateTime::fromString(when, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    local.setTimeZone(QTimeZone(offsetHours * 3600));
    return local;
}

// 2026-12-07 is a Monday.
const QDateTime TRADING = at(QStringLiteral("2026-12-07 10:00:00"));

TStockData record(const QString& code, const QString& previousClose, const QString& price)
{
    TStockData r;
    r.code = code;
    r.name = QStringLiteral("浦发银行");
    r.basePrice = previousClose;
    r.price = price;
    r.percent = QStringLiteral("1.2");
    return r;
}

TStockCodeData entry(const QString& code, const QStringList& fields)
{
    return TStockCodeData{
        code, fields.value(0), fields.value(1), fields.value(2), fields.value(3), QString()};
}
} // namespace

class TestQuoteWatch : public QObject
{
    Q_OBJECT
private slots:
    void marketHours_data()
    {
        QTest::addColumn<QDateTime>("instant");
        QTest::addColumn<bool>("trading");
        QTest::addColumn<bool>("refresh");
        QTest::newRow("9:14:59") << at("2026-12-07 09:14:59") << false << false;
        QTest::newRow("9:15") << at("2026-12-07 09:15:00") << true << true;
        QTest::newRow("11:29:59") << at("2026-12-07 11:29:59") << true << true;
        QTest::newRow("11:30") << at("2026-12-07 11:30:00") << false << true;
        QTest::newRow("11:35") << at("2026-12-07 11:35:00") << false << false;
        QTest::newRow("12:59") << at("2026-12-07 12:59:00") << false << false;
        QTest::newRow("13:00") << at("2026-12-07 13:00:00") << true << true;
        QTest::newRow("15:04:59") << at("2026-12-07 15:04:59") << false << true;
        QTest::newRow("15:05") << at("2026-12-07 15:05:00") << false << false;
        QTest::newRow("Saturday") << at("2026-12-12 10:00:00") << false << false;
        QTest::newRow("Friday 10:00") << at("2026-12-11 10:00:00") << true << true;
        // Sunday evening in New York is Monday morning in Beijing, and
        // Friday evening there is Saturday here.
        QTest::newRow("UTC-5 Sunday 21:00") << at("2026-12-06 21:00:00", -5) << true << true;
        QTest::newRow("UTC-5 Friday 21:00") << at("2026-12-11 21:00:00", -5) << false << false;
        QTest::newRow("UTC 01:30") << at("2026-12-07 01:30:00", 0) << true << true;
    }

    void marketHours()
    {
        QFETCH(QDateTime, instant);
        QFETCH(bool, trading);
        QFETCH(bool, refresh);
        QCOMPARE(market::isTradingTime(instant), trading);
        QCOMPARE(market::isRefreshTime(instant), refresh);
    }

    void closedTicksAskEveryFiveMinutes_data()
    {
        QTest::addColumn<QDateTime>("lastRequest");
        QTest::addColumn<QDateTime>("tick");
        QTest::addColumn<bool>("holiday");
        QTest::addColumn<bool>("asks");
        const QDateTime evening = at("2026-12-07 20:00:00");
        QTest::newRow("open, just asked") << TRADING << TRADING.addSecs(1) << false << true;
        QTest::newRow("closed, 4:59 after") << evening << evening.addSecs(299) << false << false;
        QTest::newRow("closed, 5:00 after") << evening << evening.addSecs(300) << false << true;
        QTest::newRow("closed, never asked") << QDateTime() << evening << false << true;
        QTest::newRow("closed, clock set back") << evening << evening.addSecs(-60) << false << true;
        QTest::newRow("holiday, 4:59 after") << TRADING << TRADING.addSecs(299) << true << false;
        QTest::newRow("holiday, 5:00 after") << TRADING << TRADING.addSecs(300) << true << true;
    }

    void closedTicksAskEveryFiveMinutes()
    {
        QFETCH(QDateTime, lastRequest);
        QFETCH(QDateTime, tick);
        QFETCH(bool, holiday);
        QFETCH(bool, asks);
        TRefreshPolicy policy;
        if (lastRequest.isValid())
            policy.requested(lastRequest);
        QCOMPARE(policy.tickMayRequest(tick, holiday), asks);
    }

    void holidayFromQuoteDates_data()
    {
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QDateTime>("now");
        // Each record's quote time, one list per refresh, a minute apart.
        QTest::addColumn<QList<QStringList>>("refreshes");
        QTest::addColumn<QList<bool>>("closed");
        const QStringList indices{QStringLiteral("sh000001"), QStringLiteral("sz399001"),
                                  QStringLiteral("sh600000")};
        const QString friday = QStringLiteral("2026-12-04 15:00:03");
        const QString today = QStringLiteral("2026-12-07 10:00:03");
        QTest::newRow("holiday Monday")
            << indices << TRADING << QList<QStringList>{{friday, friday, friday}}
            << QList<bool>{true};
        QTest::newRow("trading Monday")
            << indices << TRADING << QList<QStringList>{{today, today, today}}
            << QList<bool>{false};
        QTest::newRow("before 9:30 the dates tell nothing")
            << indices << at("2026-12-07 09:29:00") << QList<QStringList>{{friday, friday, friday}}
            << QList<bool>{false};
        QTest::newRow("one suspended stock only")
            << QStringList{QStringLiteral("sh600000")} << TRADING << QList<QStringList>{{friday}}
            << QList<bool>{true};
        QTest::newRow("index and suspended stock")
            << QStringList{QStringLiteral("sh000001"), QStringLiteral("sh600000")} << TRADING
            << QList<QStringList>{{today, friday}} << QList<bool>{false};
        // A record without a date is no sign of a holiday, unless an index
        // decides; sz000001 is a bank, not the index sh000001.
        QTest::newRow("a record without a date")
            << QStringList{QStringLiteral("sh600000"), QStringLiteral("sz000002")} << TRADING
            << QList<QStringList>{{friday, QString()}} << QList<bool>{false};
        // Nor is a date the calendar lacks, or one in another form.
        QTest::newRow("a day the calendar lacks")
            << QStringList{QStringLiteral("sh600000"), QStringLiteral("sz000002")} << TRADING
            << QList<QStringList>{{friday, QStringLiteral("2026-02-30 15:00:03")}}
            << QList<bool>{false};
        QTest::newRow("a date in full-width digits")
            << QStringList{QStringLiteral("sh600000"), QStringLiteral("sz000002")} << TRADING
            << QList<QStringList>{{friday, QStringLiteral("２０２６-１２-０４ 15:00:03")}}
            << QList<bool>{false};
        QTest::newRow("an index decides over a record without a date")
            << QStringList{QStringLiteral("sz399001"), QStringLiteral("sz000002")} << TRADING
            << QList<QStringList>{{friday, QString()}} << QList<bool>{true};
        QTest::newRow("a stock of index-like digits")
            << QStringList{QStringLiteral("sz000001"), QStringLiteral("sh600000")} << TRADING
            << QList<QStringList>{{friday, QString()}} << QList<bool>{false};
        QTest::newRow("today's quote ends the holiday")
            << indices << TRADING
            << QList<QStringList>{{friday, friday, friday}, {today, friday, today}}
            << QList<bool>{true, false};
    }

    void holidayFromQuoteDates()
    {
        QFETCH(QStringList, codes);
        QFETCH(QDateTime, now);
        QFETCH(QList<QStringList>, refreshes);
        QFETCH(QList<bool>, closed);
        TStockCodeDataItems entries;
        TStockDataItems records;
        for (const QString& code : codes) {
            entries.push_back(entry(code, {}));
            records.push_back(record(code.mid(2), QStringLiteral("10"), QStringLiteral("10")));
        }
        TQuoteWatch watch;
        watch.setStocks(entries);
        for (int i = 0; i < refreshes.size(); ++i) {
            const QDateTime moment = now.addSecs(60 * i);
            watch.quotesArrived(records, moment, {refreshes[i].cbegin(), refreshes[i].cend()});
            QCOMPARE(watch.holiday(moment.addSecs(30)), closed[i]);
            QCOMPARE(watch.statusLines(moment.addSecs(30)).contains(QStringLiteral("休市")),
                     closed[i]);
        }
        // Until the next day only.
        QVERIFY(!watch.holiday(now.addDays(1)));
    }

    void alerts_data()
    {
        QTest::addColumn<QString>("upper");
        QTest::addColumn<QString>("lower");
        QTest::addColumn<QStringList>("prices");
        QTest::addColumn<QList<int>>("notices");
        const auto list = [](const char* text) {
            return QString::fromLatin1(text).split(QLatin1Char(' '));
        };
        QTest::newRow("start beyond, once, re-arms inside")
            << "10"
            << "" << list("10.5 10.6 9.9 10.0") << QList<int>{1, 0, 0, 1};
        QTest::newRow("reaching the limit counts") << "10"
                                                   << "9" << list("10 9") << QList<int>{1, 1};
        QTest::newRow("lower, no price judges nothing")
            << ""
            << "9" << list("8.9 0 inf 8.8 9.1 8.5") << QList<int>{1, 0, 0, 0, 0, 1};
        QTest::newRow("upper, no price re-arms nothing")
            << "10"
            << "" << list("10.2 0 10.2") << QList<int>{1, 0, 0};
        QTest::newRow("inside") << "11"
                                << "9" << list("10 10.9") << QList<int>{0, 0};
        QTest::newRow("not a number") << "abc"
                                      << "-1" << list("100 0.5") << QList<int>{0, 0};
    }

    void alerts()
    {
        QFETCH(QString, upper);
        QFETCH(QString, lower);
        QFETCH(QStringList, prices);
        QFETCH(QList<int>, notices);
        TQuoteWatch watch;
        watch.setStocks({entry(QStringLiteral("sh600000"), {upper, lower})});
        for (int i = 0; i < prices.size(); ++i) {
            const QStringList texts = watch.quotesArrived(
                {record(QStringLiteral("600000"), QStringLiteral("10.00"), prices[i])}, TRADING);
            QVERIFY2(
                texts.size() == notices[i],
                qPrintable(QStringLiteral("price %1: %2").arg(prices[i]).arg(texts.join(u'|'))));
        }
    }

    void percentAlerts_data()
    {
        QTest::addColumn<QString>("limit");
        QTest::addColumn<int>("place");           // of the limit among entries of the code
        QTest::addColumn<QStringList>("changes"); // "x": no trade yet
        QTest::addColumn<QList<int>>("notices");
        const auto list = [](const char* text) {
            return QString::fromLatin1(text).split(QLatin1Char(' '));
        };
        QTest::newRow("rise, once, re-arms inside")
            << "5" << 0 << list("5.2 6 4.9 5") << QList<int>{1, 0, 0, 1};
        QTest::newRow("fall") << " 3 " << 0 << list("-3 -2.9 -3.5") << QList<int>{1, 0, 1};
        QTest::newRow("rise, then fall") << "2" << 0 << list("2.5 -2.5") << QList<int>{1, 1};
        QTest::newRow("0: any move, not none")
            << "0" << 0 << list("0 0.1 -0.1") << QList<int>{0, 1, 1};
        QTest::newRow("no trade judges nothing")
            << "1" << 0 << list("1.5 x 1.6 x 0.5 1.2") << QList<int>{1, 0, 0, 0, 0, 1};
        QTest::newRow("second of the code only") << "1" << 1 << list("1.5") << QList<int>{1};
        QTest::newRow("empty") << "" << 0 << list("9") << QList<int>{0};
        QTest::newRow("not a number") << "-1" << 0 << list("-9 9") << QList<int>{0, 0};
    }

    void percentAlerts()
    {
        QFETCH(QString, limit);
        QFETCH(int, place);
        QFETCH(QStringList, changes);
        QFETCH(QList<int>, notices);
        TQuoteWatch watch;
        watch.setStocks(
            {entry(QStringLiteral("sh600000"), {}), entry(QStringLiteral("sh600000"), {})});
        watch.setPercentAlerts({{{QStringLiteral("sh600000"), place}, limit}});
        for (int i = 0; i < changes.size(); ++i) {
            TStockData quote = record(QStringLiteral("600000"), QStringLiteral("10.00"),
                                      changes[i] == QLatin1String("x") ? "0" : "10.50");
            quote.percent = changes[i];
            const QStringList texts = watch.quotesArrived({quote, quote}, TRADING);
            QVERIFY2(texts.size() == notices[i],
                     qPrintable(changes[i] + QLatin1Char(':') + texts.join(u'|')));
            if (!texts.isEmpty())
                QCOMPARE(
                    texts.first(),
                    QStringLiteral("浦发银行（sh600000）现价 10.50，涨幅 %1%，已达%2幅预警 %3%")
                        .arg(changes[i], changes[i].startsWith(u'-') ? "跌" : "涨",
                             limit.trimmed()));
        }
    }

    void alertTextAndChangedLimit()
    {
        TQuoteWatch watch;
        watch.setStocks({entry(QStringLiteral("sh600000"), {QStringLiteral(" 10 ")})});
        const auto arrive = [&](const QString& price) {
            return watch.quotesArrived(
                {record(QStringLiteral("600000"), QStringLiteral("10.00"), price)}, TRADING);
        };
        QCOMPARE(arrive(QStringLiteral("10.12")),
                 QStringList(
                     QStringLiteral("浦发银行（sh600000）现价 10.12，涨幅 1.2%，已达上限预警 10")));
        QVERIFY(watch.statusLines(TRADING).contains(
            QStringLiteral("浦发银行（sh600000）已达上限预警 10")));
        // A new limit is a new alert, even while the price stays beyond;
        // the same code listed again has an alert of its own.
        watch.setStocks({entry(QStringLiteral("sh600000"), {QStringLiteral("10.1")}),
                         entry(QStringLiteral("sh600000"), {QStringLiteral("10")})});
        const TStockData twice =
            record(QStringLiteral("600000"), QStringLiteral("10.00"), QStringLiteral("10.12"));
        QCOMPARE(watch.quotesArrived({twice, twice}, TRADING).size(), 2);
        QCOMPARE(watch.quotesArrived({twice, twice}, TRADING).size(), 0);
    }

    void profit_data()
    {
        // Cost price, holding, previous close, price and the auction's price
        // when there is one; the row's tooltip.
        QTest::addColumn<QString>("figures");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("gain") << "9.5 1000 10.00 10.20"
                              << "成本价：9.5|持有量：1000|市值：10200.00|盈亏：+700.00（+7.37%）|"
                                 "今日盈亏：+200.00";
        QTest::newRow("loss") << "12 300 10.00 9.87"
                              << "成本价：12|持有量：300|市值：2961.00|盈亏：-639.00（-17.75%）|"
                                 "今日盈亏：-39.00";
        // Before the first trade the stock is worth its last close.
        QTest::newRow("no trade yet")
            << "10 100 10.00 0.00"
            << "成本价：10|持有量：100|市值：1000.00|盈亏：0.00（0.00%）|今日盈亏：0.00";
        QTest::newRow("auction")
            << "10 100 10.00 0.00 10.50"
            << "成本价：10|持有量：100|市值：1050.00|盈亏：+50.00（+5.00%）|今日盈亏：+50.00";
        QTest::newRow("free shares")
            << "0 10 10.00 10.00"
            << "成本价：0|持有量：10|市值：100.00|盈亏：+100.00|今日盈亏：0.00";
        QTest::newRow("holding missing") << "10 _ 10.00 10.20"
                                         << "";
        QTest::newRow("holding not whole") << "10 1.5 10.00 10.20"
                                           << "";
        // A hostile service: figures that are no number are never shown.
        QTest::newRow("price overflows") << "10 1000 10.00 1e308"
                                         << "";
        QTest::newRow("close overflows") << "10 1000 1e308 10.20"
                                         << "";
    }

    void profit()
    {
        QFETCH(QString, figures);
        QFETCH(QString, toolTip);
        const QStringList f = figures.replace(u'_', QString()).split(u' ');
        TQuoteWatch watch;
        watch.setStocks({entry(QStringLiteral("sh600000"), {{}, {}, f[0], f[1]})});
        TStockData quote = record(QStringLiteral("600000"), f[2], f[3]);
        quote.value7 = f.value(4);
        watch.quotesArrived({quote}, TRADING);
        // The holding follows the quote's own lines (rowToolTipBegins).
        const QString tip = watch.rowToolTip(0);
        QVERIFY2(tip.startsWith(QStringLiteral("行情时间 ")), qPrintable(tip));
        const qsizetype holding = tip.indexOf(QStringLiteral("\n成本价："));
        QCOMPARE(holding < 0 ? QString() : tip.mid(holding + 1), toolTip.replace(u'|', u'\n'));
        // One held stock: the totals are its own figures.
        QCOMPARE(watch.totalLines().size(), toolTip.isEmpty() ? 0 : 3);
    }

    void rowToolTipBegins_data()
    {
        QTest::addColumn<QString>("prices"); // previous close, price, bid
        QTest::addColumn<QString>("time");
        QTest::addColumn<bool>("backup");
        QTest::addColumn<QString>("begins");
        QTest::newRow("rise, first service")
            << "10.11 10.29 0"
            << "2026-12-07 10:31:03" << false
            << "行情时间 2026-12-07 10:31:03（新浪）|涨跌 +0.18（+1.78%）";
        QTest::newRow("fall, second service")
            << "10.00 9.87 0"
            << "2026-12-07 10:31:03" << true
            << "行情时间 2026-12-07 10:31:03（腾讯）|涨跌 -0.13（-1.30%）";
        QTest::newRow("auction: from the shown price")
            << "10.00 0.00 10.50"
            << "2026-12-07 09:20:03" << true
            << "行情时间 2026-12-07 09:20:03（腾讯）|涨跌 +0.50（+5.00%）";
        QTest::newRow("no time given")
            << "10.00 10.10 0"
            << "" << false << "行情时间 未知（新浪）|涨跌 +0.10（+1.00%）";
        QTest::newRow("no previous close: no change")
            << "0.000 9.99 0"
            << "2026-12-07 10:31:03" << false << "行情时间 2026-12-07 10:31:03（新浪）";
        QTest::newRow("change overflows")
            << "10 1e308 0"
            << "2026-12-07 10:31:03" << false << "行情时间 2026-12-07 10:31:03（新浪）";
    }

    void rowToolTipBegins()
    {
        QFETCH(QString, prices);
        QFETCH(QString, time);
        QFETCH(bool, backup);
        QFETCH(QString, begins);
        const QStringList p = prices.split(u' ');
        TQuoteWatch watch;
        watch.setStocks({entry(QStringLiteral("sh600000"), {})});
        TStockData quote = record(QStringLiteral("600000"), p[0], p[1]);
        quote.value7 = p[2];
        // No time at all counts as an empty one.
        watch.quotesArrived({quote}, TRADING,
                            time.isEmpty() ? std::vector<QString>() : std::vector<QString>{time},
                            backup ? QuoteSource::Backup : QuoteSource::Primary);
        QCOMPARE(watch.rowToolTip(0), begins.replace(u'|', u'\n'));
        QCOMPARE(watch.rowToolTip(1), QString());
    }

    void recordsFindTheirEntries()
    {
        // Same digits in both markets, a code listed twice, and a code the
        // service did not answer (no record).
        TQuoteWatch watch;
        watch.setStocks({entry(QStringLiteral("sh000001"), {}),
                         entry(QStringLiteral("sz000001"), {"", "", "1", "10"}),
                         entry(QStringLiteral("sh123456"), {}),
                         entry(QStringLiteral("sh600000"), {"", "", "1", "20"}),
                         entry(QStringLiteral("sh600000"), {"", "", "1", "30"})});
        watch.quotesArrived({record(QStringLiteral("000001"), "3", "3"),
                             record(QStringLiteral("000001"), "2", "2"),
                             record(QStringLiteral("600000"), "2", "2"),
                             record(QStringLiteral("600000"), "2", "2")},
                            TRADING);
        QCOMPARE(QList<int>({watch.entryOfRow(0), watch.entryOfRow(1), watch.entryOfRow(2),
                             watch.entryOfRow(3), watch.entryOfRow(4)}),
                 QList<int>({0, 1, 3, 4, -1}));
        QVERIFY(!watch.rowToolTip(0).contains(QStringLiteral("成本价")));
        QCOMPARE(watch.totalLines().first(), QStringLiteral("总市值：120.00"));
        QCOMPARE(watch.namesByCode().size(), 3); // sh600000 once

        // Two values each finite whose sum is not: the second stays out.
        TQuoteWatch rich;
        const QStringList held{"", "", "1", "1000000000000000000"};
        rich.setStocks(
            {entry(QStringLiteral("sh600000"), held), entry(QStringLiteral("sz000001"), held)});
        rich.quotesArrived({record(QStringLiteral("600000"), "2", "1e290"),
                            record(QStringLiteral("000001"), "2", "1e290")},
                           TRADING);
        const QString totals = rich.totalLines().join(u'|');
        QCOMPARE(rich.totalLines().size(), 3);
        QVERIFY2(!totals.contains(QStringLiteral("inf")), qPrintable(totals));
    }

    void statusLines_data()
    {
        QTest::addColumn<bool>("good");
        QTest::addColumn<bool>("failed");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("sources"); // of the good refresh, then those that failed
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("before any reply") << false << false << TRADING << "" << QStringList();
        QTest::newRow("fresh") << true << false << TRADING << ""
                               << QStringList{QStringLiteral("行情更新于 10:31:05")};
        QTest::newRow("failing since")
            << true << true << TRADING << ""
            << QStringList{QStringLiteral("行情获取失败，自 10:31:35 起")};
        QTest::newRow("closed") << true << false << at("2026-12-12 10:00:00") << ""
                                << QStringList{QStringLiteral("行情更新于 10:31:05"),
                                               QStringLiteral("休市")};
        QTest::newRow("from the second service")
            << true << false << TRADING << "B"
            << QStringList{QStringLiteral("行情更新于 10:31:05"),
                           QStringLiteral("行情来自腾讯（新浪暂不可用）")};
        QTest::newRow("both failing, named as tried")
            << true << true << TRADING << "B PB"
            << QStringList{QStringLiteral("行情获取失败，自 10:31:35 起（新浪、腾讯）")};
        QTest::newRow("second failing alone")
            << true << true << TRADING << "B B"
            << QStringList{QStringLiteral("行情获取失败，自 10:31:35 起（腾讯）")};
    }

    void statusLines()
    {
        QFETCH(bool, good);
        QFETCH(bool, failed);
        QFETCH(QDateTime, now);
        QFETCH(QString, sources);
        QFETCH(QStringList, lines);
        const auto source = [](QChar letter) {
            return letter == u'B' ? QuoteSource::Backup : QuoteSource::Primary;
        };
        const QString from = sources.section(u' ', 0, 0);
        std::vector<QuoteSource> tried;
        for (const QChar letter : sources.section(u' ', 1))
            tried.push_back(source(letter));
        // Shown in the machine's own time.
        const QDateTime refreshed(QDate(2026, 12, 7), QTime(10, 31, 5));
        TQuoteWatch watch;
        watch.setStocks({entry(QStringLiteral("sh600000"), {})});
        if (good)
            watch.quotesArrived({}, refreshed, {}, source(from.isEmpty() ? u'P' : from[0]));
        if (failed) {
            watch.quotesFailed(refreshed.addSecs(30));
            watch.quotesFailed(refreshed.addSecs(60), tried); // still failing since the first
        }
        QCOMPARE(watch.statusLines(now), lines);
        // A table without rows says the same, or that quotes are on their way.
        QCOMPARE(watch.emptyTableLine(), lines.value(0, QStringLiteral("正在获取行情…")));
        if (failed) {
            watch.quotesArrived({}, refreshed.addSecs(90));
            QCOMPARE(watch.statusLines(now), QStringList(QStringLiteral("行情更新于 10:32:35")));
        }
    }

    void staleAfterTwoIntervals_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("failingFor"); // seconds since the first failed refresh
        QTest::addColumn<bool>("stale");
        QTest::newRow("30 s, a minute") << 30 << 60 << false;
        QTest::newRow("30 s, past a minute") << 30 << 61 << true;
        QTest::newRow("45 s, two intervals") << 45 << 90 << false;
        QTest::newRow("45 s, past two intervals") << 45 << 91 << true;
        QTest::newRow("5 s, a minute at least") << 5 << 59 << false;
        QTest::newRow("clock set back") << 30 << -3600 << false;
    }

    void staleAfterTwoIntervals()
    {
        QFETCH(int, interval);
        QFETCH(int, failingFor);
        QFETCH(bool, stale);
        TQuoteWatch watch;
        watch.quotesArrived({}, TRADING);
        QVERIFY(!watch.quotesStale(TRADING.addSecs(3600), interval));
        watch.quotesFailed(TRADING);
        watch.quotesFailed(TRADING.addSecs(30));
        QCOMPARE(watch.quotesStale(TRADING.addSecs(failingFor), interval), stale);
        watch.quotesArrived({}, TRADING.addSecs(failingFor));
        QVERIFY(!watch.quotesStale(TRADING.addSecs(failingFor), interval));
    }
};

QTEST_APPLESS_MAIN(TestQuoteWatch)
#include "tst_quotewatch.moc"
