#include "stocks/StockCodeList.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

namespace {
bool sameEntries(const TStockCodeDataItems& a, const TStockCodeDataItems& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].code != b[i].code || a[i].upperAlert != b[i].upperAlert ||
            a[i].lowerAlert != b[i].lowerAlert || a[i].costPrice != b[i].costPrice ||
            a[i].holding != b[i].holding || a[i].remark != b[i].remark)
            return false;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TStockCodeList list;
    static TStockCodeList reread;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    list.readXml(&buffer);
    // The quick way of loading a list as written reads what the XML reader reads.
    if (const std::optional<TStockCodeDataItems> quick = stocklist::readAsWritten(bytes))
        if (!sameEntries(*quick, list.items))
            __builtin_trap();

    // Whatever was read is saved whole and reads back the same: a list the
    // program accepted must survive the next save and start.
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    if (!list.writeXml(&out))
        __builtin_trap();
    out.close();
    out.open(QIODevice::ReadOnly);
    reread.items.clear();
    reread.readXml(&out);
    if (!sameEntries(list.items, reread.items))
        __builtin_trap();
    return 0;
}
