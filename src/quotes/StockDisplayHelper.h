#pragma once

#include "quotes/StockData.h"
#include "stocks/StockCodeData.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

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

    // A cell's data under this role (a quint64) numbers the last change of
    // its text, never the same number twice: whoever measures the texts
    // tells a changed one from the one it measured by the number, and needs
    // no copy of every text of the table for that.
    static constexpr int TEXT_SERIAL_ROLE = Qt::UserRole + 1;

    // Rereads Stocks.xml, gives the codes to the feed and announces the list.
    void loadStockCodes();

    // The table to write into, not owned; the owner sets it before quotes
    // arrive. Records that arrive while no table is set are ignored.
    // Its header's clicks sort the rows (setSort).
    void setTable(QTableWidget* widget);

    // Sorts the shown rows by `column` (name and code as text, price and
    // change as numbers, rows without one last), or keeps the reply's order,
    // which is the list's, for -1. The header shows it; every refresh keeps it.
    void setSort(int column, Qt::SortOrder order);
    int sortColumn() const { return sortedBy; }
    Qt::SortOrder sortOrder() const { return order; }
    // The record (its place in the last refresh) that table row `row` shows;
    // -1 for none. Whatever belongs to a row under the mouse goes through
    // here: the rows are sorted, the records are not.
    int recordOfRow(int row) const;
    // The time of each record of the last good refresh, as the service
    // wrote it: records[i] of quotesShown is of quoteTimes()[i].
    const std::vector<QString>& quoteTimes() const;

    // The service the records of the last good refresh came from, and the
    // services that failed since, in the order tried.
    QuoteSource recordsSource() const;
    std::vector<QuoteSource> failedSources() const;

    // Old quotes must not look live: while stale, every row's text is grey;
    // the next good refresh brings the colours back.
    void setStale(bool stale);
    bool isStale() const { return greyed; }

    // Read access for tests and tools; the program itself hears of quotes
    // through the signals below.
    TStockDataSet* feed() const { return dataSet.get(); }
    TStockCodeList* codeList() const { return stockList.get(); }

signals:
    void stockCodeChanged(TStockCodeDataItems items);
    // The records of a good refresh, once they are in the table: row r of the
    // table shows records[recordOfRow(r)]. By reference, as the feed hands
    // them on.
    void quotesShown(const TStockDataItems& records);
    // The newest refresh failed; the table keeps the last records.
    void refreshFailed();
    // A click on the header changed the sort: first ascending, then
    // descending, then back to the list's order.
    void sortChanged(int column, Qt::SortOrder order);

public slots:
    void display();

private slots:
    void setWidgetText(const TStockDataItems& items);

private:
    void writeTable(const TStockDataItems& items);
    void headerClicked(int column);
    void sortRecords(const TStockDataItems& items);
    void showSortIndicator();
    void resizeRows(int count);

    // Destroyed in reverse order: the feed, with its requests, first.
    std::unique_ptr<TStockCodeList> stockList;
    std::unique_ptr<TStockDataSet> dataSet;
    QTableWidget* table = nullptr;
    int sortedBy = -1;
    Qt::SortOrder order = Qt::AscendingOrder;
    // The last refresh, for a new sort between refreshes: the feed's records,
    // or a copy of records handed in by anyone else.
    const TStockDataItems* shown = &handedIn;
    TStockDataItems handedIn;
    std::vector<int> rowToRecord; // empty while the rows are in the records' order
    bool greyed = false;
};
