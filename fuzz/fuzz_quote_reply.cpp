#include "quotes/StockDataSet.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TStockDataSet feed;
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    const TStockDataItems& items = feed.parseReply(body);
    // Every record is whole: a short entry never leaves a field unread.
    for (const TStockData& item : items)
        (void)(item.code.size() + item.value10.size() + item.percent.size());
    return 0;
}
