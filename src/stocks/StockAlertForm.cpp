#include "stocks/StockAlertForm.h"

#include "core/AppGlobals.h"
#include "vendor_api/VkPack.h"

#include "stocks/StockCodeList.h"
#include "stocks/StockFieldNumbers.h"
#include "ui_StockAlertForm.h"

#include <QBrush>
#include <QColor>
#include <QDir>
#include <QSignalBlocker>

namespace {
enum Column
{
    CodeColumn,
    NameColumn,
    RemarkColumn,
    UpperColumn,
    LowerColumn,
    CostColumn,
    HoldingColumn,
    PercentColumn, // kept in Settings.ini, not in Stocks.xml
};
constexpr int FIRST_FIELD = UpperColumn;
constexpr int FIELD_COUNT = 4;

// Which entry of the file a row stands for, with its code: the file may
// have changed under the dialog.
constexpr int OccurrenceRole = Qt::UserRole + 1;

QString* field(TStockCodeData& entry, int column)
{
    switch (column) {
    case UpperColumn:
        return &entry.upperAlert;
    case LowerColumn:
        return &entry.lowerAlert;
    case CostColumn:
        return &entry.costPrice;
    case HoldingColumn:
        return &entry.holding;
    default:
        return nullptr;
    }
}

QString columnName(int column)
{
    static const QString names[FIELD_COUNT + 1] = {
        QStringLiteral("上限预警"), QStringLiteral("下限预警"), QStringLiteral("成本价"),
        QStringLiteral("持有量"), QStringLiteral("涨跌幅预警%")};
    return names[column - FIRST_FIELD];
}

} // namespace

TStockAlertForm::TStockAlertForm(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui_TStockAlertForm>()),
      stockList(std::make_unique<TStockCodeList>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint);
    connect(ui->tabStock, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() >= FIRST_FIELD)
            check(item);
    });
    load();
}

TStockAlertForm::~TStockAlertForm() = default;

void TStockAlertForm::load()
{
    stockList->load();
    const TStockCodeDataItems& items = stockList->items;
    const std::vector<int> occurrence = codeOccurrences(items);
    const QSignalBlocker quiet(ui->tabStock);
    ui->tabStock->setRowCount(int(items.size()));
    for (int row = 0; row < int(items.size()); ++row) {
        TStockCodeData entry = items[size_t(row)];
        const QString fixed[3] = {entry.code, QString(), entry.remark};
        for (int column = CodeColumn; column < FIRST_FIELD; ++column) {
            auto* item = new QTableWidgetItem(fixed[column]);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            ui->tabStock->setItem(row, column, item);
        }
        ui->tabStock->item(row, CodeColumn)->setData(OccurrenceRole, occurrence[size_t(row)]);
        for (int column = FIRST_FIELD; column <= PercentColumn; ++column) {
            auto* item =
                new QTableWidgetItem(column == PercentColumn ? QString() : *field(entry, column));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            ui->tabStock->setItem(row, column, item);
            check(item);
        }
    }
}

void TStockAlertForm::setPercentAlerts(QMap<QPair<QString, int>, QString>* alerts)
{
    percentAlerts = alerts;
    for (int row = 0; row < ui->tabStock->rowCount(); ++row) {
        const QTableWidgetItem* code = ui->tabStock->item(row, CodeColumn);
        ui->tabStock->item(row, PercentColumn)
            ->setText(alerts ? alerts->value({code->text(), code->data(OccurrenceRole).toInt()})
                             : QString());
    }
}

void TStockAlertForm::setNames(const QHash<QString, QString>& names)
{
    for (int row = 0; row < ui->tabStock->rowCount(); ++row)
        ui->tabStock->item(row, NameColumn)
            ->setText(names.value(ui->tabStock->item(row, CodeColumn)->text()));
}

void TStockAlertForm::setCurrentEntry(int index)
{
    if (index >= 0 && index < ui->tabStock->rowCount())
        ui->tabStock->setCurrentCell(index, FIRST_FIELD);
}

bool TStockAlertForm::check(QTableWidgetItem* item)
{
    const QString text = item->text();
    const bool valid = item->column() == HoldingColumn ? stockfield::isQuantityOrEmpty(text)
                                                       : stockfield::isPriceOrEmpty(text);
    const QSignalBlocker quiet(ui->tabStock);
    item->setBackground(valid ? QBrush() : QBrush(QColor(255, 205, 205)));
    item->setToolTip(valid ? QString()
                     : item->column() == HoldingColumn
                         ? QStringLiteral("请填写不小于0的整数，或留空")
                         : QStringLiteral("请填写不小于0的数字，或留空"));
    return valid;
}

void TStockAlertForm::save()
{
    const int rows = ui->tabStock->rowCount();
    for (int row = 0; row < rows; ++row) {
        for (int column = FIRST_FIELD; column <= PercentColumn; ++column) {
            if (check(ui->tabStock->item(row, column)))
                continue;
            ui->tabStock->setCurrentCell(row, column);
            ui->lblMessage->setText(QStringLiteral("第%1行（%2）的%3有误：%4")
                                        .arg(row + 1)
                                        .arg(ui->tabStock->item(row, CodeColumn)->text(),
                                             columnName(column),
                                             ui->tabStock->item(row, column)->toolTip()));
            return;
        }
    }

    // The stock set editor may have saved since this dialog opened: the
    // four fields go into the file as it is now, and only into the entries
    // still there.
    QHash<QPair<QString, int>, int> rowOf;
    for (int row = 0; row < rows; ++row) {
        const QTableWidgetItem* code = ui->tabStock->item(row, CodeColumn);
        rowOf.insert({code->text(), code->data(OccurrenceRole).toInt()}, row);
    }
    stockList->load();
    TStockCodeDataItems& items = stockList->items;
    const std::vector<int> occurrence = codeOccurrences(items);
    QMap<QPair<QString, int>, QString> percents;
    for (size_t i = 0; i < items.size(); ++i) {
        const QPair<QString, int> key{items[i].code, occurrence[i]};
        const auto row = rowOf.constFind(key);
        if (row == rowOf.constEnd()) {
            // Listed since the dialog opened: its limit, if any, stays.
            if (percentAlerts && percentAlerts->contains(key))
                percents.insert(key, percentAlerts->value(key));
            continue;
        }
        for (int column = FIRST_FIELD; column < FIRST_FIELD + FIELD_COUNT; ++column)
            *field(items[i], column) = ui->tabStock->item(*row, column)->text().trimmed();
        const QString percent = ui->tabStock->item(*row, PercentColumn)->text().trimmed();
        if (!percent.isEmpty())
            percents.insert(key, percent);
    }
    if (percentAlerts)
        *percentAlerts = percents;
    if (!stockList->save()) {
        vk::messageBox(QMessageBox::Warning, QStringLiteral("警告"),
                       QStringLiteral("保存失败：") + QDir::toNativeSeparators(stocksFilePath()),
                       QStringLiteral("确定"), QString(), this);
        return;
    }
    accept();
    emit stockSetChange();
}
