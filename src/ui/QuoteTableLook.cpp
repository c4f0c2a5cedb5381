#include "ui/QuoteTableLook.h"

#include "quotes/StockDisplayHelper.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>

#include <algorithm>
#include <cmath>
#include <cstring>

TQuoteTableLook::TQuoteTableLook(QTableWidget* table)
    : QObject(table), table(table), viewport(table->viewport()),
      designWidth(table->horizontalHeader()->defaultSectionSize())
{
    table->installEventFilter(this);
    viewport->installEventFilter(this);
    QAbstractItemModel* model = table->model();
    // New rows are empty until the display fills them, so the widths are set
    // when their texts arrive.
    const auto rowsChanged = [this] { refit = true; };
    connect(model, &QAbstractItemModel::rowsInserted, this, rowsChanged);
    connect(model, &QAbstractItemModel::rowsRemoved, this, rowsChanged);
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                if (refit)
                    fitColumns(true);
                else
                    growColumns(topLeft, bottomRight);
                refit = false;
            });
    fitRows();
    fitColumns(true);
}

QString TQuoteTableLook::emptyHint()
{
    return QStringLiteral("点击“菜单 → 股票设置”添加股票");
}

void TQuoteTableLook::setEmptyText(const QString& text)
{
    if (text == hint)
        return;
    hint = text;
    if (table->rowCount() == 0)
        viewport->update();
}

bool TQuoteTableLook::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == table && event->type() == QEvent::FontChange) {
        fitRows();
        fitColumns(true);
    } else if (watched == viewport && event->type() == QEvent::Paint && table->rowCount() == 0) {
        // Painted before the view's own paint, which draws nothing without rows.
        paintHint();
    }
    return QObject::eventFilter(watched, event);
}

void TQuoteTableLook::fitRows()
{
    const int lineSpacing = table->fontMetrics().lineSpacing();
    table->verticalHeader()->setMinimumSectionSize(0);
    table->verticalHeader()->setDefaultSectionSize(lineSpacing + qMax(6, lineSpacing / 4));
}

int TQuoteTableLook::textWidth(const QString& text) const
{
    // What the item delegate asks for a single line of text: its advance and
    // the cell's margin. The advance needs no line layout, which is what made
    // asking the view for each column's size hint cost more than the rest of
    // a refresh.
    const qreal advance = QFontMetricsF(table->font()).horizontalAdvance(text);
    return int(std::ceil(advance)) + cellMargin;
}

namespace {
// What prices, changes and codes are written with.
constexpr char NUMBER_CHARACTERS[] = "0123456789.-+%";
constexpr int NUMBER_CHARACTER_COUNT = int(sizeof(NUMBER_CHARACTERS)) - 1;

int numberCharacter(QChar c)
{
    const char* at =
        c.unicode() < 0x80 ? std::strchr(NUMBER_CHARACTERS, char(c.unicode())) : nullptr;
    return at && *at ? int(at - NUMBER_CHARACTERS) : -1;
}
} // namespace

void TQuoteTableLook::measureNumberCharacters()
{
    const QFontMetricsF metrics(table->font());
    numberAdvances.resize(NUMBER_CHARACTER_COUNT);
    // Measured as strings, the way a cell's text is, and each pair for what
    // a neighbour can add to a character's own advance (kerning).
    for (int i = 0; i < NUMBER_CHARACTER_COUNT; ++i)
        numberAdvances[size_t(i)] =
            metrics.horizontalAdvance(QString(QLatin1Char(NUMBER_CHARACTERS[i])));
    pairExtra = 0;
    for (int a = 0; a < NUMBER_CHARACTER_COUNT; ++a) {
        for (int b = 0; b < NUMBER_CHARACTER_COUNT; ++b) {
            const char pair[] = {NUMBER_CHARACTERS[a], NUMBER_CHARACTERS[b], '\0'};
            pairExtra =
                std::max(pairExtra, metrics.horizontalAdvance(QLatin1String(pair)) -
                                        numberAdvances[size_t(a)] - numberAdvances[size_t(b)]);
        }
    }
}

bool TQuoteTableLook::surelyFits(const QString& text, int width)
{
    // Prices and changes are most of what a refresh changes. A text of digits
    // and signs is no wider than its characters' advances and the most any
    // pair of them adds, so a number needs no shaping. That bound is the
    // exact width in a font without kerning between digits, so a price as
    // long as the column's widest is not measured again either.
    if (numberAdvances.empty())
        measureNumberCharacters();
    qreal bound = std::max<qsizetype>(0, text.size() - 1) * pairExtra;
    for (const QChar c : text) {
        const int index = numberCharacter(c);
        if (index < 0)
            return false;
        bound += numberAdvances[size_t(index)];
    }
    return int(std::ceil(bound)) + cellMargin <= width;
}

QString TQuoteTableLook::cellText(int row, int column) const
{
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
}

quint64 TQuoteTableLook::cellSerial(int row, int column) const
{
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->data(TStockDisplayHelper::TEXT_SERIAL_ROLE).toULongLong() : 0;
}

void TQuoteTableLook::fitColumns(bool shrink)
{
    const QHeaderView* header = table->horizontalHeader();
    const int rows = table->rowCount();
    const int columns = table->columnCount();
    widest.assign(size_t(columns), designWidth);
    const int frame = table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1;
    // The focus frame's margin on both sides, and the grid line.
    cellMargin = 2 * frame + (table->showGrid() ? 1 : 0);
    numberAdvances.clear(); // the font may have changed
    measured.assign(size_t(rows) * size_t(columns), 0);
    for (int column = 0; column < columns; ++column) {
        // No column gets narrower than the form's width, the stretched last
        // one included: the header keeps it at that width even where the
        // others leave it less room.
        int& wanted = widest[size_t(column)];
        wanted = std::max(wanted, header->sectionSizeHint(column));
        for (int row = 0; row < rows; ++row) {
            measured[size_t(row) * size_t(columns) + size_t(column)] = cellSerial(row, column);
            const QString text = cellText(row, column);
            if (!text.isEmpty())
                wanted = std::max(wanted, textWidth(text));
        }
    }
    applyWidths(shrink);
}

void TQuoteTableLook::growColumns(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    const int columns = table->columnCount();
    if (widest.size() != size_t(columns) ||
        measured.size() != size_t(table->rowCount()) * size_t(columns)) {
        fitColumns(false);
        return;
    }
    bool grown = false;
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
            quint64& known = measured[size_t(row) * size_t(columns) + size_t(column)];
            const quint64 serial = cellSerial(row, column);
            if (serial != 0 && serial == known)
                continue;
            known = serial;
            const QString text = cellText(row, column);
            const int width =
                text.isEmpty() || surelyFits(text, widest[size_t(column)]) ? 0 : textWidth(text);
            if (width > widest[size_t(column)]) {
                widest[size_t(column)] = width;
                grown = true;
            }
        }
    }
    if (grown)
        applyWidths(false);
}

void TQuoteTableLook::applyWidths(bool shrink)
{
    QHeaderView* header = table->horizontalHeader();
    const int last = int(widest.size()) - 1;
    int needed = 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column <= last; ++column) {
        const int wanted = widest[size_t(column)];
        if (column == last) {
            needed += wanted;
            break;
        }
        const int current = header->sectionSize(column);
        if (wanted > current || (shrink && wanted != current))
            header->resizeSection(column, wanted);
        needed += header->sectionSize(column);
    }
    // The last column stretches into what the others leave, so the table
    // asks for room enough that it is never narrower than its texts.
    table->setMinimumWidth(needed);
}

void TQuoteTableLook::paintHint()
{
    QPainter painter(viewport);
    painter.setPen(QColor(Qt::gray));
    painter.drawText(viewport->rect().adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap,
                     hint);
}
