#include "quotes/StockDataSet.h"

#include <QByteArrayList>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {
bool sameRecords(const TStockDataItems& a, const TStockDataItems& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const TStockData& x = a[i];
        const TStockData& y = b[i];
        if (x.code != y.code || x.name != y.name || x.value2 != y.value2 ||
            x.basePrice != y.basePrice || x.price != y.price || x.value5 != y.value5 ||
            x.value6 != y.value6 || x.value7 != y.value7 || x.value8 != y.value8 ||
            x.value9 != y.value9 || x.value10 != y.value10 || x.percent != y.percent)
            return false;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Records reuse their buffers from one reply to the next, so two feeds
    // with different pasts must still read the same reply alike.
    static TStockDataSet feed;
    static TStockDataSet other;
    static const QByteArray longEntry =
        "var hq_str_sh600000=\"" + QByteArray(200, 'x') + ",1,2,3,4,5,6,7,8,9,10,11\";";

    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    const TStockDataItems& items = feed.parseReply(body);
    other.parseReply(longEntry);
    if (!sameRecords(items, other.parseReply(body)) || feed.quoteTimes() != other.quoteTimes())
        __builtin_trap();

    // One record per ";" at most; a code is the six characters before "=";
    // the change is always written.
    const size_t entries = size_t(std::count(body.cbegin(), body.cend(), ';'));
    if (items.size() > entries)
        __builtin_trap();
    for (const TStockData& item : items) {
        if (item.code.size() > 6 || item.percent.isEmpty())
            __builtin_trap();
    }

    // The second service's reply, cut at "~", the same way.
    static const QByteArray longBackupEntry =
        "v_sh600000=\"" + QByteArrayList(50, "20261207103103").join('~') + "\";";
    feed.parseReply(body, QuoteSource::Backup);
    other.parseReply(longBackupEntry, QuoteSource::Backup);
    other.parseReply(body, QuoteSource::Backup);
    if (!sameRecords(feed.records(), other.records()) || feed.quoteTimes() != other.quoteTimes())
        __builtin_trap();
    return 0;
}
