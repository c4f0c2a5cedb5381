#include "quotes/StockDisplayHelper.h"

#include "quotes/StockDataSet.h"
#include "quotes/TextNumber.h"
#include "stocks/StockCodeList.h"

#include <QBrush>
#include <QColor>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTableWidgetItem>

namespace {
constexpr int COLUMN_COUNT = 4;

// Name and code left, price and change right; all vertically centred.
constexpr Qt::Alignment COLUMN_ALIGNMENT[COLUMN_COUNT] = {
    Qt::AlignLeft | Qt::AlignVCenter,
    Qt::AlignLeft | Qt::AlignVCenter,
    Qt::AlignRight | Qt::AlignVCenter,
    Qt::AlignRight | Qt::AlignVCenter,
};

QTableWidgetItem* createItem(const QString& text, Qt::Alignment alignment, const QBrush& color)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment);
    item->setForeground(color);
    return item;
}

const QBrush& rowBrush(const TStockData& record)
{
    static const QBrush fall(Qt::darkGreen);
    static const QBrush riseOrSame(Qt::red);
    return textToDouble(record.percent) < 0 ? fall : riseOrSame;
}
} // namespace

TStockDisplayHelper::TStockDisplayHelper(QObject* parent)
    : QObject(parent), stockList(std::make_unique<TStockCodeList>()),
      dataSet(std::make_unique<TStockDataSet>())
{
    connect(dataSet.get(), &TStockDataSet::readFinished, this, &TStockDisplayHelper::setWidgetText);
    connect(dataSet.get(), &TStockDataSet::downloadFailed, this,
            &TStockDisplayHelper::refreshFailed);
}

TStockDisplayHelper::~TStockDisplayHelper() = default;

void TStockDisplayHelper::loadStockCodes()
{
    stockList->load();
    dataSet->setStockCodes(stockList->items);
    emit stockCodeChanged(stockList->items);
}

void TStockDisplayHelper::display()
{
    dataSet->download();
}

void TStockDisplayHelper::setWidgetText(const TStockDataItems& items)
{
    writeTable(items);
    emit quotesShown(items);
}

void TStockDisplayHelper::writeTable(const TStockDataItems& items)
{
    if (!table)
        return;
    const int count = int(items.size());
    if (table->rowCount() != count)
        resizeRows(count);
    QAbstractItemModel* model = table->model();
    {
        // One change notice for the whole table instead of one per cell
        // written: with a thousand stocks those notices cost more than all
        // the rest of the writing.
        const QSignalBlocker quiet(model);
        for (int i = 0; i < count; ++i) {
            const TStockData& record = items[size_t(i)];
            rowTexts.clear();
            rowTexts << record.name << record.code << shownPrice(record) << record.percent;
            setRowTexts(i, rowTexts, rowBrush(record));
        }
    }
    if (count > 0)
        emit model->dataChanged(model->index(0, 0), model->index(count - 1, COLUMN_COUNT - 1));
}

void TStockDisplayHelper::resizeRows(int count)
{
    table->setRowCount(count);
}

void TStockDisplayHelper::setRowTexts(int row, const QStringList& texts, const QBrush& color)
{
    // A cell that already has an item gets the new values written into it
    // rather than a new item: the table shows the same, but a value that did
    // not change costs nothing, and a long run does not churn through four
    // fresh items per stock on every refresh. Only this class writes the
    // table's cells, so an item already there has its column's alignment.
    for (int column = 0; column < COLUMN_COUNT; ++column) {
        QTableWidgetItem* item = table->item(row, column);
        if (!item) {
            table->setItem(row, column, createItem(texts[column], COLUMN_ALIGNMENT[column], color));
            continue;
        }
        item->setText(texts[column]);
        item->setForeground(color);
    }
}
