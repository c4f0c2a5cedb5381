#pragma once

#include "quotes/StockData.h"
#include "stocks/StockCodeData.h"

#include <QObject>
#include <QStringList>

#include <memory>

class QBrush;
class QTableWidget;
class TStockCodeList;
class TStockDataSet;

// Joins the stock list, the quote feed and the quote table: reloads the list
// on request, asks the feed for quotes on every refresh and writes the records
// into the table, one coloured row per record.
class TStockDisplayHelper : public QObject
{
    Q_OBJECT
public:
    explicit TStockDisplayHelper(QObject* parent = nullptr);
    ~TStockDisplayHelper() override;

    // Rereads Stocks.xml, gives the codes to the feed and announces the list.
    void loadStockCodes();

    // The table to write into, not owned; the owner sets it before quotes
    // arrive. Records that arrive while no table is set are ignored.
    void setTable(QTableWidget* widget) { table = widget; }

    // Read access for tests and tools; the program itself hears of quotes
    // through the signals below.
    TStockDataSet* feed() const { return dataSet.get(); }
    TStockCodeList* codeList() const { return stockList.get(); }

signals:
    void stockCodeChanged(TStockCodeDataItems items);
    // The records of a good refresh, once they are in the table: row i of the
    // table is records[i]. By reference, as the feed hands them on.
    void quotesShown(const TStockDataItems& records);
    // The newest refresh failed; the table keeps the last records.
    void refreshFailed();

public slots:
    void display();

private slots:
    void setWidgetText(const TStockDataItems& items);

private:
    void writeTable(const TStockDataItems& items);
    void resizeRows(int count);
    void setRowTexts(int row, const QStringList& texts, const QBrush& color);

    // Destroyed in reverse order: the feed, with its requests, first.
    std::unique_ptr<TStockCodeList> stockList;
    std::unique_ptr<TStockDataSet> dataSet;
    QTableWidget* table = nullptr;
    QStringList rowTexts; // reused for the four texts of each row written
};
