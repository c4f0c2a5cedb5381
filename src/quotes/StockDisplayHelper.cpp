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
#include <array>
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

// Numbers every change of a cell's text, in all cells alike: a cell that
// takes the place of another never repeats the number last measured there.
quint64 nextSerial()
{
    static quint64 last = 0;
    return ++last;
}

// A quote cell keeps its text and colour itself rather than as the item's
// values: a refresh then takes each changed text and builds no value, no role
// list and no change notice per cell. The text is the feed's record's own,
// shared: the feed leaves text that did not change as it is, so a refresh
// allocates once for each changed text and a thousand rows hold their texts
// once rather than twice. The view reads the cell through data() as any
// other item.
class QuoteCell : public QTableWidgetItem
{
public:
    static constexpr int TYPE = QTableWidgetItem::UserType + 1;

    explicit QuoteCell(Qt::Alignment alignment) : QTableWidgetItem(TYPE), alignment(alignment) {}

    // Whether the cell changed; the caller tells the views.
    bool write(const QString& newText, const QBrush& color)
    {
        const bool sameColor = colorKey == &color;
        if (sameColor && text == newText)
            return false;
        if (!sameColor) {
            brush = color;
            colorKey = &color;
        }
        if (newText.isNull()) {
            if (!text.isNull())
                serial = nextSerial();
            text = QString();
        } else if (text != newText) {
            text = newText;
            serial = nextSerial();
        }
        return true;
    }

    QVariant data(int role) const override
    {
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return text;
        case Qt::ForegroundRole:
            return brush;
        case Qt::TextAlignmentRole:
            return int(alignment);
        case TStockDisplayHelper::TEXT_SERIAL_ROLE:
            return QVariant::fromValue(serial);
        default:
            return QTableWidgetItem::data(role);
        }
    }

    void setData(int role, const QVariant& value) override
    {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            text = value.toString(), serial = nextSerial();
        else if (role == Qt::ForegroundRole)
            brush = value.value<QBrush>(), colorKey = nullptr;
        else if (role == Qt::TextAlignmentRole)
            alignment = Qt::Alignment(value.toInt());
        else
            return QTableWidgetItem::setData(role, value);
        if (QTableWidget* owner = tableWidget()) {
            const QModelIndex at = owner->model()->index(row(), column());
            emit owner->model()->dataChanged(at, at, {role});
        }
    }

    QTableWidgetItem* clone() const override { return new QuoteCell(*this); }

private:
    QString text;
    QBrush brush;
    // The brush last written by the display, which hands in one of a few
    // brushes that live as long as the program: the same one means the same
    // colour, without comparing brushes.
    const QBrush* colorKey = nullptr;
    Qt::Alignment alignment;
    quint64 serial = 0; // of the last change of `text`
};

// Whether any of the row's cells changed.
bool writeRow(QTableWidget* table, int row, const std::array<const QString*, COLUMN_COUNT>& texts,
              const QBrush& color)
{
    // A cell that already has an item gets the new values written into it
    // rather than a new item: a value that did not change costs nothing, and
    // a long run does not churn through four fresh items per stock on every
    // refresh. Only this class writes the table's cells.
    bool changed = false;
    for (int column = 0; column < COLUMN_COUNT; ++column) {
        QTableWidgetItem* item = table->item(row, column);
        QuoteCell* cell =
            item && item->type() == QuoteCell::TYPE ? static_cast<QuoteCell*>(item) : nullptr;
        if (!cell) {
            cell = new QuoteCell(COLUMN_ALIGNMENT[column]);
            table->setItem(row, column, cell);
        }
        changed |= cell->write(*texts[size_t(column)], color);
    }
    return changed;
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
    // Text that begins with a digit is no negative number: half the rows
    // need no reading.
    const QString& percent = record.percent;
    if (!percent.isEmpty() && percent.front() >= u'0' && percent.front() <= u'9')
        return riseOrSame;
    return textToDouble(percent) < 0 ? fall : riseOrSame;
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
    writeTable(*shown);
}

int TStockDisplayHelper::recordOfRow(int row) const
{
    if (rowToRecord.empty())
        return row >= 0 && size_t(row) < shown->size() ? row : -1;
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
    writeTable(*shown);
}

void TStockDisplayHelper::setWidgetText(const TStockDataItems& items)
{
    greyed = false;
    // The feed's records stay as they are until its next good refresh, which
    // comes here at once, so they need no copy. A copy would also share every
    // text with them and make the feed allocate each one anew.
    if (&items == &dataSet->records()) {
        handedIn.clear();
        shown = &items;
    } else {
        handedIn = items;
        shown = &handedIn;
    }
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
    const bool resized = table->rowCount() != count;
    if (resized)
        resizeRows(count);
    QAbstractItemModel* model = table->model();
    int firstChanged = count;
    int lastChanged = -1;
    {
        // One change notice for the rows that changed instead of one per
        // cell written: with a thousand stocks those notices cost more than
        // all the rest of the writing.
        const QSignalBlocker quiet(model);
        for (int i = 0; i < count; ++i) {
            const TStockData& record =
                items[size_t(rowToRecord.empty() ? i : rowToRecord[size_t(i)])];
            if (writeRow(table, i,
                         {&record.name, &record.code, &shownPrice(record), &record.percent},
                         rowBrush(record, greyed))) {
                firstChanged = std::min(firstChanged, i);
                lastChanged = i;
            }
        }
    }
    // New or fewer rows have their widths fitted anew with the next notice.
    if (resized && count > 0) {
        firstChanged = 0;
        lastChanged = count - 1;
    }
    if (lastChanged >= 0)
        emit model->dataChanged(model->index(firstChanged, 0),
                                model->index(lastChanged, COLUMN_COUNT - 1));
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
