#pragma once

#include "core/XmlDocumentWriter.h"
#include "stocks/StockCodeData.h"

#include <QByteArrayView>

#include <memory>
#include <optional>

class QIODevice;
class QXmlStreamReader;

namespace stocklist {
// The entries of `bytes` when they are a whole list exactly as writeXml
// writes it, with nothing missing, added or spelt otherwise before the
// root's end; nothing when they differ in any way, and only readXml can say
// what they hold.
std::optional<TStockCodeDataItems> readAsWritten(QByteArrayView bytes);
} // namespace stocklist

// Holds one copy of the stock list and moves it to and from Stocks.xml.
// Each owner keeps its own; the file is the only thing two holders share.
class TStockCodeList
{
public:
    TStockCodeList();
    ~TStockCodeList();
    TStockCodeList(const TStockCodeList&) = delete;
    TStockCodeList& operator=(const TStockCodeList&) = delete;

    // Replaces `items` with the file's entries. A missing file or one that is
    // not a stock list leaves `items` as it was.
    void load();
    // Writes `items` to the file. The previous file stays whole if the new one
    // cannot be written completely. False when the file was not written.
    bool save();

    void readXml(QIODevice* device);
    // False when the device did not take the whole document.
    bool writeXml(QIODevice* device);

    TStockCodeDataItems items;

private:
    std::unique_ptr<QXmlStreamReader> reader;
    std::unique_ptr<XmlDocumentWriter> writer;
};
