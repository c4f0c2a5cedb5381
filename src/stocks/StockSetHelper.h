#pragma once

#include <QStringList>
#include <Qt>

#include <memory>

class QTableWidget;
class QTableWidgetItem;
class TStockCodeList;

// Moves the stock list between Stocks.xml and the editor's two-column table.
class TStockSetHelper
{
public:
    TStockSetHelper();
    ~TStockSetHelper();
    TStockSetHelper(const TStockSetHelper&) = delete;
    TStockSetHelper& operator=(const TStockSetHelper&) = delete;

    void loadToTable();
    bool saveFromTable();
    void setRow(int row, const QStringList& cells);
    QTableWidgetItem* createItem(const QString& text, Qt::Alignment alignment);
    // Moves the given rows, in their order, to stand before row `before`
    // (the row count puts them last), with every field they carry, and
    // selects them. Returns the first moved row's new place.
    int moveRows(QList<int> rows, int before);

    QTableWidget* table = nullptr;

private:
    std::unique_ptr<TStockCodeList> stockList;
};
