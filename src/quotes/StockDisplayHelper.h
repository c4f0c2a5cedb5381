#pragma once

#include "quotes/StockData.h"
#include "stocks/StockCodeData.h"

#include <QObject>
#include <QStringList>

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

    // Read access for tests and tools.
    TStockDataSet* feed() const { return dataSet; }
    TStockCodeList* codeList() const { return stockList; }

signals:
    void stockCodeChanged(TStockCodeDataItems items);

public slots:
    void display();

private slots:
    void setWidgetText(const TStockDataItems& items);

private:
    void resizeRows(int count);
    void setRowTexts(int row, const QBrush& color);

    TStockCodeList* stockList;
    TStockDataSet* dataSet;

public:
    // Not owned; the owner sets it before quotes arrive. Records that arrive
    // while it is not set are ignored.
    QTableWidget* table = nullptr;

private:
    QStringList rowTexts; // scratch: the four texts of the row being written
};
