#include "ui/QuoteTableLook.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>

#include <algorithm>
#include <cmath>

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

bool TQuoteTableLook::surelyFits(const QString& text, int width) const
{
    // Prices and changes are most of what a refresh changes. None of their
    // characters is wider than the widest of them, and one more of those
    // covers any spacing the font may add, so a short number needs no shaping.
    for (const QChar c : text) {
        if ((c < QLatin1Char('0') || c > QLatin1Char('9')) && c != QLatin1Char('.') &&
            c != QLatin1Char('-') && c != QLatin1Char('+') && c != QLatin1Char('%'))
            return false;
    }
    return cellMargin + (text.size() + 1) * numberAdvance <= width;
}

QString TQuoteTableLook::cellText(int row, int column) const
{
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
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
    const QFontMetricsF metrics(table->font());
    numberAdvance = 0;
    for (const QChar c : QStringLiteral("0123456789.-+%"))
        numberAdvance = std::max(numberAdvance, int(std::ceil(metrics.horizontalAdvance(c))));
    measured.assign(size_t(rows) * size_t(columns), QString());
    for (int column = 0; column < columns; ++column) {
        // No column gets narrower than the form's width, the stretched last
        // one included: the header keeps it at that width even where the
        // others leave it less room.
        int& wanted = widest[size_t(column)];
        wanted = std::max(wanted, header->sectionSizeHint(column));
        for (int row = 0; row < rows; ++row) {
            QString& text = measured[size_t(row) * size_t(columns) + size_t(column)];
            text = cellText(row, column);
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
            QString& known = measured[size_t(row) * size_t(columns) + size_t(column)];
            QString text = cellText(row, column);
            if (text == known)
                continue;
            const int width = surelyFits(text, widest[size_t(column)]) ? 0 : textWidth(text);
            known = std::move(text);
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
