#include "StockFixtures.h"

#include "stocks/StockCodeList.h"

#include <QTableWidget>

TStockCodeData stockEntry(const QString& code, const QString& remark)
{
    TStockCodeData entry;
    entry.code = code;
    entry.remark = remark;
    return entry;
}

TStockCodeDataItems stockEntries(const QStringList& codes)
{
    TStockCodeDataItems items;
    for (const QString& code : codes)
        items.push_back(stockEntry(code));
    return items;
}

QStringList codesOf(const TStockCodeDataItems& items)
{
    QStringList codes;
    for (const TStockCodeData& entry : items)
        codes << entry.code;
    return codes;
}

void writeStocks(const TStockCodeDataItems& items)
{
    TStockCodeList list;
    list.items = items;
    list.save();
}

TStockCodeDataItems readStocks()
{
    TStockCodeList list;
    list.load();
    return list.items;
}

static QString cellText(const QTableWidget& table, int row, int column)
{
    const QTableWidgetItem* item = table.item(row, column);
    return item ? item->text() : QStringLiteral("<none>");
}

QStringList tableColumn(const QTableWidget& table, int column)
{
    QStringList texts;
    for (int row = 0; row < table.rowCount(); ++row)
        texts << cellText(table, row, column);
    return texts;
}

QStringList tableRows(const QTableWidget& table)
{
    QStringList rows;
    for (int row = 0; row < table.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table.columnCount(); ++column)
            cells << cellText(table, row, column);
        rows << cells.join(u'|');
    }
    return rows;
}

FillingDevice::FillingDevice(qint64 room) : room(room)
{
    open(WriteOnly | Unbuffered);
}

qint64 FillingDevice::writeData(const char* data, qint64 size)
{
    if (room == 0)
        return -1;
    const qint64 n = qMin(size, room);
    taken.append(data, n);
    room -= n;
    return n;
}
