#include "quotes/QuoteWatch.h"

#include "core/Clock.h"
#include "quotes/MarketHours.h"
#include "quotes/TextNumber.h"
#include "stocks/StockFieldNumbers.h"

#include <algorithm>
#include <cmath>

namespace {
// Amounts in yuan; a gain carries its sign so that it reads apart from a loss.
QString amount(double value)
{
    const QString text = QString::number(value, 'f', 2);
    if (text == QLatin1String("0.00") || text == QLatin1String("-0.00"))
        return QStringLiteral("0.00");
    return value > 0 ? QLatin1Char('+') + text : text;
}

QString clockTime(const QDateTime& instant)
{
    return instant.toLocalTime().toString(QStringLiteral("HH:mm:ss"));
}

// The service names a record by the six digits in front of "=", the list by
// its market prefix and those digits.
bool sameStock(const QString& entryCode, const QString& recordCode)
{
    return !recordCode.isEmpty() && entryCode.endsWith(recordCode);
}

// A traded price; 0 before the first trade of the day, and text that is no
// price ("inf" reads as one) is not judged either.
std::optional<double> tradedPrice(const TStockData& record)
{
    const double price = textToDouble(record.price);
    if (price > 0 && std::isfinite(price))
        return price;
    return std::nullopt;
}

struct Holding
{
    double cost;
    qint64 quantity;
};

std::optional<Holding> holdingOf(const TStockCodeData& entry)
{
    const std::optional<double> cost = stockfield::price(entry.costPrice);
    const std::optional<qint64> quantity = stockfield::quantity(entry.holding);
    if (!cost || !quantity)
        return std::nullopt;
    return Holding{*cost, *quantity};
}

QString alertTail(bool upper, const QString& limitText)
{
    return (upper ? QStringLiteral("已达上限预警 ") : QStringLiteral("已达下限预警 ")) +
           limitText.trimmed();
}

QString percentTail(bool rise, const QString& limitText)
{
    return (rise ? QStringLiteral("已达涨幅预警 ") : QStringLiteral("已达跌幅预警 ")) +
           limitText.trimmed() + QLatin1Char('%');
}

QString stockLabel(const QString& code, const QString& name)
{
    return name + QStringLiteral("（") + code + QStringLiteral("）");
}
} // namespace

void TQuoteWatch::setStocks(const TStockCodeDataItems& items)
{
    codes.clear();
    codes.reserve(items.size());
    marked.clear();
    for (size_t at = 0; at < items.size(); ++at) {
        const TStockCodeData& entry = items[at];
        codes.push_back(entry.code);
        if (!entry.upperAlert.isEmpty() || !entry.lowerAlert.isEmpty() ||
            !entry.costPrice.isEmpty() || !entry.holding.isEmpty())
            marked.insert(int(at), entry);
    }
    refreshEnded = false;
    places = codeOccurrences(items);
    recompute();
}

const TStockCodeData& TQuoteWatch::marksOf(int entry) const
{
    static const TStockCodeData none;
    const auto found = marked.constFind(entry);
    return found == marked.constEnd() ? none : *found;
}

TQuoteWatch::AlertKey TQuoteWatch::alertKey(size_t entry) const
{
    return {codes[entry], places[entry]};
}

void TQuoteWatch::setPercentAlerts(const QMap<QPair<QString, int>, QString>& limits)
{
    percentLimits.clear();
    for (auto limit = limits.cbegin(); limit != limits.cend(); ++limit)
        percentLimits.insert(limit.key(), limit.value());
}

QStringList TQuoteWatch::quotesArrived(const TStockDataItems& arrived, const QDateTime& now,
                                       const std::vector<QString>& quoteTimes, QuoteSource from)
{
    // Only what later tooltips and status lines read is kept: the display
    // holds the records, and a second copy of a thousand of them was among
    // the largest parts of the heap.
    rows.assign(arrived.size(), Row());
    for (size_t row = 0; row < arrived.size(); ++row) {
        const TStockData& record = arrived[row];
        rows[row].code = record.code;
        rows[row].name = record.name;
        rows[row].previousClose = textToDouble(record.basePrice);
        rows[row].shownPrice = textToDouble(shownPrice(record));
    }
    times = quoteTimes;
    source = from;
    lastGood = now;
    failingSince = QDateTime();
    refreshEnded = true;
    tried.clear();
    recompute();
    judgeTradingDay(quoteTimes, now);

    QStringList crossed;
    for (size_t row = 0; row < rows.size(); ++row) {
        if (rows[row].entry < 0)
            continue;
        const TStockCodeData& marks = marksOf(rows[row].entry);
        const TStockData& record = arrived[row];
        const std::optional<double> price = tradedPrice(record);
        if (!price)
            continue; // no trade yet: nothing to judge, the state stands
        const AlertKey key = alertKey(size_t(rows[row].entry));
        const QString percentLimit = percentLimits.value(key);
        if (marks.upperAlert.isEmpty() && marks.lowerAlert.isEmpty() && percentLimit.isEmpty()) {
            // Judged without a limit, a state only comes back armed, as a new
            // one starts; most stocks have none, and a thousand of them made
            // this dearer than the table.
            alerts.remove(key);
            continue;
        }
        Alerts& state = alerts[key];
        for (bool upper : {true, false}) {
            const std::optional<QString> text = judge(upper ? state.upper : state.lower,
                                                      upper ? marks.upperAlert : marks.lowerAlert,
                                                      *price, upper, key.first, record);
            if (text)
                crossed << *text;
        }
        for (bool rise : {true, false}) {
            const std::optional<QString> text =
                judgePercent(rise ? state.rise : state.fall, percentLimit, rise, key.first, record);
            if (text)
                crossed << *text;
        }
    }
    return crossed;
}

bool TQuoteWatch::AlertState::fires(const QString& limitText, bool beyond)
{
    // A changed limit is a new alert: it may fire at once.
    if (limit != limitText) {
        limit = limitText;
        fired = false;
    }
    if (!beyond) {
        fired = false; // back inside: armed again
        return false;
    }
    if (fired)
        return false;
    fired = true;
    return true;
}

std::optional<QString> TQuoteWatch::judgePercent(AlertState& state, const QString& limitText,
                                                 bool rise, const QString& code,
                                                 const TStockData& record) const
{
    const std::optional<double> limit = stockfield::price(limitText);
    const double change = textToDouble(record.percent);
    // A stock that has not moved has reached no limit, not even 0.
    const bool beyond = limit && std::isfinite(change) &&
                        (rise ? change > 0 && change >= *limit : change < 0 && -change >= *limit);
    if (!state.fires(limitText, beyond))
        return std::nullopt;
    return stockLabel(code, record.name) + QStringLiteral("现价 ") + record.price +
           QStringLiteral("，涨幅 ") + record.percent + QStringLiteral("%，") +
           percentTail(rise, limitText);
}

std::optional<QString> TQuoteWatch::judge(AlertState& state, const QString& limitText, double price,
                                          bool upper, const QString& code,
                                          const TStockData& record) const
{
    const std::optional<double> limit = stockfield::price(limitText);
    const bool beyond = limit && (upper ? price >= *limit : price <= *limit);
    if (!state.fires(limitText, beyond))
        return std::nullopt;
    return stockLabel(code, record.name) + QStringLiteral("现价 ") + record.price +
           QStringLiteral("，涨幅 ") + record.percent + QStringLiteral("%，") +
           alertTail(upper, limitText);
}

void TQuoteWatch::judgeTradingDay(const std::vector<QString>& quoteTimes, const QDateTime& now)
{
    const QDate today = market::beijingDate(now);
    bool indexListed = false;
    bool indicesOld = true;
    bool allOld = !rows.empty();
    for (size_t row = 0; row < rows.size(); ++row) {
        const QDate date = row < quoteTimes.size()
                               ? appclock::isoDate(QStringView(quoteTimes[row]).left(10))
                               : QDate();
        if (date == today) {
            closedDay = QDate(); // trading today, whatever was judged before
            return;
        }
        // A record without a date is no sign of a holiday.
        const bool old = date.isValid() && date < today;
        allOld = allOld && old;
        if (rows[row].entry >= 0 && market::isIndexCode(codes[size_t(rows[row].entry)])) {
            indexListed = true;
            indicesOld = indicesOld && old;
        }
    }
    if (market::quoteDatesTell(now) && (indexListed ? indicesOld : allOld))
        closedDay = today;
}

bool TQuoteWatch::holiday(const QDateTime& now) const
{
    return closedDay.isValid() && market::beijingDate(now) == closedDay;
}

void TQuoteWatch::quotesFailed(const QDateTime& now, const std::vector<QuoteSource>& failed)
{
    if (!failingSince.isValid())
        failingSince = now;
    refreshEnded = true;
    tried = failed;
}

int TQuoteWatch::entryOfRow(int row) const
{
    return row >= 0 && size_t(row) < rows.size() ? rows[size_t(row)].entry : -1;
}

QString TQuoteWatch::rowToolTip(int row) const
{
    if (row < 0 || size_t(row) >= rows.size())
        return QString();
    // Built when asked rather than per refresh: a thousand rows are
    // refreshed every interval, one is looked at now and then.
    const Row& shown = rows[size_t(row)];
    const QString& time = size_t(row) < times.size() ? times[size_t(row)] : QString();
    QStringList lines{QStringLiteral("行情时间 ") +
                      (time.isEmpty() ? QStringLiteral("未知") : time) + QStringLiteral("（") +
                      quoteSourceName(source) + QStringLiteral("）")};
    // The column's change has two significant digits; here it is exact to
    // the cent, measured from the price the row shows.
    const double previousClose = shown.previousClose;
    const double change = shown.shownPrice - previousClose;
    const double percent = previousClose > 0 ? change / previousClose * 100 : NAN;
    if (std::isfinite(change) && std::isfinite(percent))
        lines << QStringLiteral("涨跌 ") + amount(change) + QStringLiteral("（") + amount(percent) +
                     QStringLiteral("%）");
    if (const QString holding = holdingTips.value(row); !holding.isEmpty())
        lines << holding;
    return lines.join(QLatin1Char('\n'));
}

QString TQuoteWatch::freshnessLine() const
{
    if (failingSince.isValid()) {
        QString line =
            QStringLiteral("行情获取失败，自 ") + clockTime(failingSince) + QStringLiteral(" 起");
        QStringList names;
        for (QuoteSource each : tried)
            names << quoteSourceName(each);
        if (!names.isEmpty())
            line += QStringLiteral("（") + names.join(QStringLiteral("、")) + QStringLiteral("）");
        return line;
    }
    if (lastGood.isValid())
        return QStringLiteral("行情更新于 ") + clockTime(lastGood);
    return QString();
}

bool TQuoteWatch::quotesStale(const QDateTime& now, int intervalSeconds) const
{
    if (!failingSince.isValid())
        return false;
    // Some refreshes fail now and then; numbers that old are not news.
    const qint64 limit = std::max<qint64>(60, 2 * qint64(intervalSeconds));
    return failingSince.secsTo(now) > limit;
}

QString TQuoteWatch::emptyTableLine() const
{
    if (codes.empty())
        return QString();
    return refreshEnded ? freshnessLine() : QStringLiteral("正在获取行情…");
}

QStringList TQuoteWatch::statusLines(const QDateTime& now) const
{
    QStringList lines;
    if (const QString freshness = freshnessLine(); !freshness.isEmpty())
        lines << freshness;
    // The second service answers only while the first fails.
    if (!failingSince.isValid() && lastGood.isValid() && source == QuoteSource::Backup)
        lines << QStringLiteral("行情来自") + quoteSourceName(QuoteSource::Backup) +
                     QStringLiteral("（") + quoteSourceName(QuoteSource::Primary) +
                     QStringLiteral("暂不可用）");
    if (!market::isTradingTime(now) || holiday(now))
        lines << QStringLiteral("休市");
    for (size_t row = 0; row < rows.size(); ++row) {
        if (rows[row].entry < 0)
            continue;
        const AlertKey key = alertKey(size_t(rows[row].entry));
        const auto state = alerts.constFind(key);
        if (state == alerts.constEnd())
            continue;
        const TStockCodeData& marks = marksOf(rows[row].entry);
        const QString& code = key.first;
        // Only a limit that is still the one in the list.
        if (state->upper.fired && state->upper.limit == marks.upperAlert)
            lines << stockLabel(code, rows[row].name) + alertTail(true, marks.upperAlert);
        if (state->lower.fired && state->lower.limit == marks.lowerAlert)
            lines << stockLabel(code, rows[row].name) + alertTail(false, marks.lowerAlert);
        const QString percentLimit = percentLimits.value(key);
        for (const auto& [fired, rise] : {std::pair{state->rise, true}, {state->fall, false}}) {
            if (fired.fired && fired.limit == percentLimit)
                lines << stockLabel(code, rows[row].name) + percentTail(rise, percentLimit);
        }
    }
    return lines;
}

QStringList TQuoteWatch::totalLines() const
{
    return totals;
}

QHash<QString, QString> TQuoteWatch::namesByCode() const
{
    QHash<QString, QString> names;
    for (size_t row = 0; row < rows.size(); ++row) {
        if (rows[row].entry >= 0)
            names.insert(codes[size_t(rows[row].entry)], rows[row].name);
    }
    return names;
}

void TQuoteWatch::recompute()
{
    for (Row& row : rows)
        row.entry = -1;
    holdingTips.clear();
    totals.clear();
    // The service answers in the order asked, skipping codes it does not
    // know, so records are matched to entries walking both lists forward.
    // That keeps sh000001 and sz000001, or a code listed twice, apart.
    size_t next = 0;
    double totalValue = 0;
    double totalProfit = 0;
    double totalToday = 0;
    bool held = false;
    for (size_t row = 0; row < rows.size(); ++row) {
        const Row& record = rows[row];
        size_t at = next;
        while (at < codes.size() && !sameStock(codes[at], record.code))
            ++at;
        if (at == codes.size())
            continue;
        next = at + 1;
        rows[row].entry = int(at);

        const TStockCodeData& marks = marksOf(int(at));
        const std::optional<Holding> holding = holdingOf(marks);
        if (!holding)
            continue;
        // Valued at the price the table shows: before the first trade of the
        // day that is the auction's price or the last close, not 0.
        const double previousClose = record.previousClose;
        const double price = record.shownPrice;
        if (!(price > 0))
            continue;
        const double quantity = double(holding->quantity);
        const double value = price * quantity;
        const double paid = holding->cost * quantity;
        const double profit = value - paid;
        const double today = previousClose > 0 ? (price - previousClose) * quantity : 0;
        // A broken or hostile reply may hold a price no sum can carry; such a
        // stock counts as one without a price rather than reading "inf".
        const double percent = paid > 0 ? profit / paid * 100 : 0;
        if (!std::isfinite(value) || !std::isfinite(profit) || !std::isfinite(today) ||
            !std::isfinite(percent))
            continue;
        QString profitText = amount(profit);
        if (paid > 0)
            profitText += QStringLiteral("（") + amount(percent) + QStringLiteral("%）");
        holdingTips[int(row)] = QStringList{QStringLiteral("成本价：") + marks.costPrice.trimmed(),
                                            QStringLiteral("持有量：") + marks.holding.trimmed(),
                                            QStringLiteral("市值：") + amount(value).remove(u'+'),
                                            QStringLiteral("盈亏：") + profitText,
                                            QStringLiteral("今日盈亏：") + amount(today)}
                                    .join(QLatin1Char('\n'));
        if (!std::isfinite(totalValue + value) || !std::isfinite(totalProfit + profit) ||
            !std::isfinite(totalToday + today))
            continue;
        totalValue += value;
        totalProfit += profit;
        totalToday += today;
        held = true;
    }
    if (held)
        totals << QStringLiteral("总市值：") + amount(totalValue).remove(u'+')
               << QStringLiteral("总盈亏：") + amount(totalProfit)
               << QStringLiteral("今日盈亏：") + amount(totalToday);
}
