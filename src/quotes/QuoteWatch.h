#pragma once

#include "quotes/StockData.h"
#include "stocks/StockCodeData.h"

#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QPair>
#include <QStringList>

#include <optional>
#include <vector>

// What the program makes of the quotes beyond showing them: each row's
// holding and profit, the totals, price alerts and whether quotes are fresh.
// The numbers are parsed once per refresh or change of the list, so tooltips
// read finished texts.
class TQuoteWatch
{
public:
    // The list as it is now in Stocks.xml; figures follow it at once.
    void setStocks(const TStockCodeDataItems& items);

    // Limits of the day's change in percent, as typed: by code and how many
    // entries of that code come before in the list. Reached upward or
    // downward, each gives one notice until the change is back inside.
    void setPercentAlerts(const QMap<QPair<QString, int>, QString>& limits);

    // A good refresh at `now`: the records, the time of each one's quote
    // ("yyyy-MM-dd HH:mm:ss" by record; missing or empty where the service
    // gave none) and the service they came from. Returns one text per alert
    // that it crossed.
    QStringList quotesArrived(const TStockDataItems& records, const QDateTime& now,
                              const std::vector<QString>& quoteTimes = {},
                              QuoteSource source = QuoteSource::Primary);
    // A refresh that failed at `now`, the services in `tried` having failed
    // since the last good one; the last quotes stay, but nothing is judged
    // on them.
    void quotesFailed(const QDateTime& now, const std::vector<QuoteSource>& tried = {});

    // The list entry a table row (a record) belongs to, -1 for none.
    int entryOfRow(int row) const;
    // Where and when one row's quote was taken and the day's change, then
    // holding and profit for a stock with cost and holding; empty for no row.
    QString rowToolTip(int row) const;
    // Freshness of the quotes, the service they come from while it is the
    // second one, "休市" outside trading hours and on a holiday, and the
    // alerts whose price is beyond its limit now.
    QStringList statusLines(const QDateTime& now) const;
    // Whether the quotes showed that the market does not open on the Beijing
    // day of `now`: after 9:30 on a weekday a good refresh brought only
    // quotes of earlier days, and none of that day came since. Any index in
    // the list decides alone, as a suspended stock keeps its old date.
    bool holiday(const QDateTime& now) const;
    // Whether the shown quotes are too old to look live at `now`: refreshes
    // have failed for longer than two refresh intervals, and than a minute.
    bool quotesStale(const QDateTime& now, int intervalSeconds) const;
    // What a table without rows says while the list holds stocks: that
    // quotes are on their way until a refresh of the list has ended, then
    // the freshness line. Empty for an empty list.
    QString emptyTableLine() const;
    // Value and profit of all held stocks; empty when nothing is held.
    QStringList totalLines() const;
    // Full code to stock name, for the stocks the last quotes named.
    QHash<QString, QString> namesByCode() const;

private:
    // One per record of the last good refresh.
    struct Row
    {
        int entry = -1;
        QString code; // six digits, as in the record
        QString name;
        double previousClose = 0;
        double shownPrice = 0;
    };
    struct AlertState
    {
        QString limit; // the limit's text when the state was set
        bool fired = false;
        // Whether the alert fires now: once per crossing of `limitText`,
        // armed again when back inside or when the limit was changed.
        bool fires(const QString& limitText, bool beyond);
    };
    struct Alerts
    {
        AlertState upper;
        AlertState lower;
        AlertState rise; // the change in percent
        AlertState fall;
    };

    using AlertKey = QPair<QString, int>;
    AlertKey alertKey(size_t entry) const;
    void recompute();
    void judgeTradingDay(const std::vector<QString>& quoteTimes, const QDateTime& now);
    // "行情更新于 …" or "行情获取失败，自 … 起" with the services tried; empty
    // before any refresh ended.
    QString freshnessLine() const;
    // Judges one limit for one row; a text when it has just been crossed.
    std::optional<QString> judgePercent(AlertState& state, const QString& limitText, bool rise,
                                        const QString& code, const TStockData& record) const;
    std::optional<QString> judge(AlertState& state, const QString& limitText, double price,
                                 bool upper, const QString& code, const TStockData& record) const;
    // The alerts and holding of an entry; all empty for the many that have
    // none (its code is in `codes`).
    const TStockCodeData& marksOf(int entry) const;

    // Of every entry of the list, in its order; the texts are the list's.
    std::vector<QString> codes;
    // The whole entry, by position, only where it has an alert or a holding:
    // a thousand plain entries need no copy of their empty fields.
    QHash<int, TStockCodeData> marked;
    std::vector<QString> times; // of the rows' quotes
    QuoteSource source = QuoteSource::Primary;
    std::vector<QuoteSource> tried; // failed since the last good refresh
    std::vector<Row> rows;
    QHash<int, QString> holdingTips; // by row, for the rows of held stocks
    // By full code and how many entries of that code come before: a code
    // listed twice with two limits has two alerts, not one that flips. The
    // code shares its text with the list, so a key costs no allocation.
    std::vector<int> places; // of each entry among its code's
    QHash<AlertKey, Alerts> alerts;
    QHash<AlertKey, QString> percentLimits;
    QStringList totals;
    QDateTime lastGood;
    QDateTime failingSince;
    bool refreshEnded = false; // since the list was last set
    QDate closedDay;           // Beijing date the quotes showed to be without trading
};
