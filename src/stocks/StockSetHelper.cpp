#include "stocks/StockSetHelper.h"

#include "stocks/StockCodeList.h"

#include <QItemSelection>
#include <QTableWidget>

#include <algorithm>
#include <vector>

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

bool TStockSetHelper::saveFromTable()
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
    return stockList->save();
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

int TStockSetHelper::moveRows(QList<int> rows, int before)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const int columns = table->columnCount();
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [this](int row) { return row < 0 || row >= table->rowCount(); }),
               rows.end());
    if (rows.isEmpty())
        return -1;
    // The items themselves move, and with them the fields the table does
    // not show.
    std::vector<std::vector<QTableWidgetItem*>> taken;
    int target = qBound(0, before, table->rowCount());
    for (int row : rows) {
        std::vector<QTableWidgetItem*> cells;
        for (int column = 0; column < columns; ++column)
            cells.push_back(table->takeItem(row, column));
        taken.push_back(std::move(cells));
        if (row < before)
            --target;
    }
    for (auto row = rows.crbegin(); row != rows.crend(); ++row)
        table->removeRow(*row);
    table->clearSelection();
    for (size_t i = 0; i < taken.size(); ++i) {
        const int row = target + int(i);
        table->insertRow(row);
        for (int column = 0; column < columns; ++column)
            table->setItem(row, column, taken[i][size_t(column)]);
    }
    const int last = target + int(taken.size()) - 1;
    table->selectionModel()->select(
        QItemSelection(table->model()->index(target, 0), table->model()->index(last, columns - 1)),
        QItemSelectionModel::Select);
    return target;
}
