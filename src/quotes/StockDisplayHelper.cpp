#include "quotes/StockDisplayHelper.h"

#include "quotes/StockDataSet.h"
#include "quotes/TextNumber.h"
#include "stocks/StockCodeList.h"

#include <QBrush>
#include <QCollator>
#include <QColor>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTableWidgetItem>

#include <algorithm>
#include <cmath>
#include <optional>

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

// The number a record has in a sorted column; none for text that is no number.
std::optional<double> sortNumber(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

const QBrush& rowBrush(const TStockData& record, bool stale)
{
    static const QBrush fall(Qt::darkGreen);
    static const QBrush riseOrSame(Qt::red);
    static const QBrush old(Qt::gray);
    if (stale)
        return old;
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

void TStockDisplayHelper::setTable(QTableWidget* widget)
{
    table = widget;
    if (!table)
        return;
    QHeaderView* header = table->horizontalHeader();
    header->setSectionsClickable(true);
    connect(header, &QHeaderView::sectionClicked, this, &TStockDisplayHelper::headerClicked,
            Qt::UniqueConnection);
    showSortIndicator();
}

void TStockDisplayHelper::setSort(int column, Qt::SortOrder sortOrder)
{
    sortedBy = column >= 0 && column < COLUMN_COUNT ? column : -1;
    order = sortOrder;
    showSortIndicator();
    writeTable(shown);
}

int TStockDisplayHelper::recordOfRow(int row) const
{
    if (rowToRecord.empty())
        return row >= 0 && size_t(row) < shown.size() ? row : -1;
    return row >= 0 && size_t(row) < rowToRecord.size() ? rowToRecord[size_t(row)] : -1;
}

const std::vector<QString>& TStockDisplayHelper::quoteTimes() const
{
    return dataSet->quoteTimes();
}

QuoteSource TStockDisplayHelper::recordsSource() const
{
    return dataSet->recordsSource();
}

std::vector<QuoteSource> TStockDisplayHelper::failedSources() const
{
    return dataSet->failedSources();
}

void TStockDisplayHelper::headerClicked(int column)
{
    if (column != sortedBy)
        setSort(column, Qt::AscendingOrder);
    else if (order == Qt::AscendingOrder)
        setSort(column, Qt::DescendingOrder);
    else
        setSort(-1, Qt::AscendingOrder);
    emit sortChanged(sortedBy, order);
}

void TStockDisplayHelper::showSortIndicator()
{
    if (!table)
        return;
    QHeaderView* header = table->horizontalHeader();
    header->setSortIndicatorShown(sortedBy >= 0);
    // The header flips its own arrow on a click; the sort decides it.
    header->setSortIndicator(sortedBy, order);
}

void TStockDisplayHelper::sortRecords(const TStockDataItems& items)
{
    rowToRecord.clear();
    if (sortedBy < 0)
        return;
    const int count = int(items.size());
    rowToRecord.resize(size_t(count));
    for (int i = 0; i < count; ++i)
        rowToRecord[size_t(i)] = i;
    const bool descending = order == Qt::DescendingOrder;
    // Rows without a value come last either way; equal ones keep the
    // list's order.
    if (sortedBy >= 2) {
        std::vector<std::optional<double>> numbers;
        numbers.reserve(size_t(count));
        for (const TStockData& record : items)
            numbers.push_back(sortNumber(sortedBy == 2 ? shownPrice(record) : record.percent));
        std::stable_sort(rowToRecord.begin(), rowToRecord.end(), [&](int a, int b) {
            const std::optional<double>& x = numbers[size_t(a)];
            const std::optional<double>& y = numbers[size_t(b)];
            if (!x || !y)
                return x.has_value() && !y.has_value();
            return descending ? *x > *y : *x < *y;
        });
        return;
    }
    // Names as a Chinese reader orders them (by pinyin), codes as digits.
    static const QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(count));
    for (const TStockData& record : items)
        keys.push_back(collator.sortKey(sortedBy == 0 ? record.name : record.code));
    std::stable_sort(rowToRecord.begin(), rowToRecord.end(), [&](int a, int b) {
        const QString& x = sortedBy == 0 ? items[size_t(a)].name : items[size_t(a)].code;
        const QString& y = sortedBy == 0 ? items[size_t(b)].name : items[size_t(b)].code;
        if (x.isEmpty() || y.isEmpty())
            return !x.isEmpty() && y.isEmpty();
        const int compared = keys[size_t(a)].compare(keys[size_t(b)]);
        return descending ? compared > 0 : compared < 0;
    });
}

void TStockDisplayHelper::setStale(bool stale)
{
    if (stale == greyed)
        return;
    greyed = stale;
    // The texts stay as they are, so the table measures nothing anew.
    writeTable(shown);
}

void TStockDisplayHelper::setWidgetText(const TStockDataItems& items)
{
    greyed = false;
    shown = items;
    writeTable(items);
    emit quotesShown(items);
}

void TStockDisplayHelper::writeTable(const TStockDataItems& items)
{
    if (!table)
        return;
    const int count = int(items.size());
    // The stock the user selected stays selected when it moves in a sort.
    const int currentRow = table->currentRow();
    const int currentColumn = table->currentColumn();
    const int selectedRecord = recordOfRow(currentRow);
    const std::vector<int> before = rowToRecord;
    sortRecords(items);
    if (table->rowCount() != count)
        resizeRows(count);
    QAbstractItemModel* model = table->model();
    {
        // One change notice for the whole table instead of one per cell
        // written: with a thousand stocks those notices cost more than all
        // the rest of the writing.
        const QSignalBlocker quiet(model);
        for (int i = 0; i < count; ++i) {
            const TStockData& record =
                items[size_t(rowToRecord.empty() ? i : rowToRecord[size_t(i)])];
            rowTexts.clear();
            rowTexts << record.name << record.code << shownPrice(record) << record.percent;
            setRowTexts(i, rowTexts, rowBrush(record, greyed));
        }
    }
    if (count > 0)
        emit model->dataChanged(model->index(0, 0), model->index(count - 1, COLUMN_COUNT - 1));
    if (rowToRecord != before && selectedRecord >= 0 && selectedRecord < count) {
        const auto row = std::find(rowToRecord.begin(), rowToRecord.end(), selectedRecord);
        const int newRow = rowToRecord.empty() ? selectedRecord : int(row - rowToRecord.begin());
        if (newRow != currentRow)
            table->setCurrentCell(newRow, qMax(0, currentColumn));
    }
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
