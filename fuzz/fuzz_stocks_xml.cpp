#include "stocks/StockCodeList.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TStockCodeList list;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    list.readXml(&buffer);
    // Whatever was read must write out again.
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    list.writeXml(&out);
    return 0;
}
