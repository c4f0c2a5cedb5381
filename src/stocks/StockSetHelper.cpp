#include "stocks/StockSetHelper.h"

#include "stocks/StockCodeList.h"

#include <QTableWidget>

namespace {
// The table shows only code and remark. The other four fields of a loaded
// entry ride on its code cell, so a save does not wipe what the user stored
// there; rows added in the editor carry none.
constexpr int HiddenFieldsRole = Qt::UserRole + 1;

QStringList hiddenFields(const TStockCodeData& entry)
{
    return {entry.upperAlert, entry.lowerAlert, entry.costPrice, entry.holding};
}
} // namespace

TStockSetHelper::TStockSetHelper() : stockList(std::make_unique<TStockCodeList>()) {}

TStockSetHelper::~TStockSetHelper() = default;

void TStockSetHelper::loadToTable()
{
    stockList->load();
    table->setRowCount(int(stockList->items.size()));
    int row = 0;
    for (const TStockCodeData& entry : stockList->items) {
        setRow(row, {entry.code, entry.remark});
        table->item(row, 0)->setData(HiddenFieldsRole, hiddenFields(entry));
        ++row;
    }
}

void TStockSetHelper::saveFromTable()
{
    stockList->items.clear();
    const int rows = table->rowCount();
    stockList->items.reserve(size_t(rows));
    for (int row = 0; row < rows; ++row) {
        TStockCodeData entry;
        if (const QTableWidgetItem* code = table->item(row, 0)) {
            entry.code = code->text();
            const QStringList hidden = code->data(HiddenFieldsRole).toStringList();
            if (hidden.size() == 4) {
                entry.upperAlert = hidden.at(0);
                entry.lowerAlert = hidden.at(1);
                entry.costPrice = hidden.at(2);
                entry.holding = hidden.at(3);
            }
        }
        if (const QTableWidgetItem* remark = table->item(row, 1))
            entry.remark = remark->text();
        stockList->items.push_back(entry);
    }
    stockList->save();
}

void TStockSetHelper::setRow(int row, const QStringList& cells)
{
    table->setItem(row, 0, createItem(cells.value(0), Qt::AlignLeft));
    table->setItem(row, 1, createItem(cells.value(1), Qt::AlignLeft));
}

QTableWidgetItem* TStockSetHelper::createItem(const QString& text, Qt::Alignment alignment)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    return item;
}
