#pragma once

#include <QString>

#include <vector>

// One stock's quote as the service sent it. Values stay text; only the change
// in percent is computed.
struct TStockData
{
    QString code; // six digits, no market prefix
    QString name;
    QString value2;
    QString basePrice;
    QString price;
    QString value5;
    QString value6;
    QString value7;
    QString value8;
    QString value9;
    QString value10;
    QString percent; // change against basePrice, e.g. "1.2", no "%" sign
};

// In reply order; codes the service did not answer have no record.
using TStockDataItems = std::vector<TStockData>;

// The services quotes come from: the first one, and the second one asked
// while the first fails.
enum class QuoteSource
{
    Primary,
    Backup,
};

// As the status lines and tooltips name the source: "新浪", "腾讯".
QString quoteSourceName(QuoteSource source);

// The price a record is shown at and its change measured from: `price` once
// the stock has traded. Before the first trade of the day (the call auction
// from 9:15 to 9:25) and all day for a suspended stock, the service sends 0
// there with a valid previous close; such a stock has not moved, so it
// stands at the auction's indicative price (the bid, `value7`) when there is
// one, otherwise at the previous close. `price` itself stays as received.
const QString& shownPrice(const TStockData& record);
