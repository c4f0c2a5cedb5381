#include "ui/QuoteTableLook.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QTableWidget>

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
    connect(model, &QAbstractItemModel::dataChanged, this, [this] {
        fitColumns(refit);
        refit = false;
    });
    fitRows();
    fitColumns(true);
}

QString TQuoteTableLook::emptyHint()
{
    return QStringLiteral("点击“菜单 → 股票设置”添加股票");
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

void TQuoteTableLook::fitColumns(bool shrink)
{
    QHeaderView* header = table->horizontalHeader();
    // Public in the base class, protected in QTableView.
    const QAbstractItemView* view = table;
    const int last = table->columnCount() - 1;
    int needed = 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column <= last; ++column) {
        // No column gets narrower than the form's width, the stretched last
        // one included: the header keeps it at that width even where the
        // others leave it less room.
        const int wanted = qMax(
            qMax(view->sizeHintForColumn(column), header->sectionSizeHint(column)), designWidth);
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
                     emptyHint());
}
