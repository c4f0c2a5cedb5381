#pragma once

#include "stocks/StockCodeData.h"

#include <QByteArray>
#include <QIODevice>
#include <QStringList>

class QTableWidget;

// Stock lists as tests write, read and compare them.
TStockCodeData stockEntry(const QString& code, const QString& remark = QString());
TStockCodeDataItems stockEntries(const QStringList& codes);
QStringList codesOf(const TStockCodeDataItems& items);

// Stocks.xml of the test's data folder (see TempAppDir).
void writeStocks(const TStockCodeDataItems& items);
TStockCodeDataItems readStocks();

// The texts of one table column, top to bottom ("<none>" for an empty cell),
// and of whole rows with cells joined by "|".
QStringList tableColumn(const QTableWidget& table, int column);
QStringList tableRows(const QTableWidget& table);

// Takes `room` bytes, then refuses: a disk that fills up part-way.
class FillingDevice : public QIODevice
{
public:
    explicit FillingDevice(qint64 room);
    QByteArray taken;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    qint64 room;
};
