#include "stocks/StockSetForm.h"

#include "core/AppGlobals.h"
#include "core/FileDialog.h"
#include "core/XmlFile.h"
#include "stocks/CodeCellDelegate.h"
#include "stocks/LegacyImport.h"
#include "stocks/OtherListImport.h"
#include "stocks/StockSetHelper.h"
#include "ui_StockSetForm.h"
#include "vendor_api/VkPack.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>

namespace {
// A save the user asked for that did not happen must not look like one that
// did: the dialog stays open with the edits, and the file is named.
void reportSaveFailed(const QString& path, QWidget* parent)
{
    vk::messageBox(QMessageBox::Warning, QStringLiteral("警告"),
                   QStringLiteral("保存失败：") + QDir::toNativeSeparators(path),
                   QStringLiteral("确定"), QString(), parent);
}
} // namespace
#include <QKeyEvent>
#include <QSet>

#include <algorithm>

TStockSetForm::TStockSetForm(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui_TStockSetForm>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint);
    helper = std::make_unique<TStockSetHelper>();
    helper->table = ui->tabStock;

    // Rows go into the user's order by dragging them, one or several, or
    // with Ctrl+Up and Ctrl+Down. The table moves whole rows itself
    // (eventFilter): its own drop would move single cells over others.
    QTableWidget* table = ui->tabStock;
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setDragEnabled(true);
    table->setDragDropMode(QAbstractItemView::DragDrop);
    table->setDragDropOverwriteMode(false);
    table->setDropIndicatorShown(true);
    table->setDefaultDropAction(Qt::CopyAction);
    table->installEventFilter(this);
    table->viewport()->installEventFilter(this);
    table->setItemDelegateForColumn(0, new TCodeCellDelegate(1, this));
}

TStockSetForm::~TStockSetForm()
{
    // The helper points into the form: it goes first.
    helper.reset();
    ui.reset();
}

void TStockSetForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ui->btnChange->setFocus(Qt::OtherFocusReason);
    helper->loadToTable();
}

bool TStockSetForm::eventFilter(QObject* watched, QEvent* event)
{
    QTableWidget* table = ui->tabStock;
    if (watched == table && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::ControlModifier &&
            (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            moveChosenRows(key->key() == Qt::Key_Up ? -1 : 1);
            return true;
        }
    }
    if (watched == table->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            // Only the table's own rows are taken, nothing from elsewhere.
            if (drop->source() != table) {
                drop->ignore();
                return true;
            }
            if (event->type() != QEvent::Drop)
                return false; // the view draws where the rows would go
            const QPoint at = drop->position().toPoint();
            int before = table->rowAt(at.y());
            if (before < 0)
                before = table->rowCount();
            else if (at.y() > table->visualRect(table->model()->index(before, 0)).center().y())
                ++before;
            helper->moveRows(chosenRows(), before);
            // Not a move: the view would then delete the dragged cells.
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            table->viewport()->update();
            return true;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QList<int> TStockSetForm::chosenRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : ui->tabStock->selectionModel()->selectedIndexes())
        rows << index.row();
    if (rows.isEmpty() && ui->tabStock->currentRow() >= 0)
        rows << ui->tabStock->currentRow();
    return rows;
}

void TStockSetForm::moveChosenRows(int by)
{
    QList<int> rows = chosenRows();
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end());
    QTableWidget* table = ui->tabStock;
    if (rows.front() + by < 0 || rows.back() + by >= table->rowCount())
        return;
    const QModelIndex current = table->currentIndex();
    const int currentOffset = current.isValid() ? current.row() - rows.front() : 0;
    // Down by one is before the row after the one below the last.
    const int moved = helper->moveRows(rows, by < 0 ? rows.front() + by : rows.back() + 2);
    // The cursor goes along without changing what is selected.
    table->selectionModel()->setCurrentIndex(
        table->model()->index(moved + qMax(0, currentOffset), qMax(0, current.column())),
        QItemSelectionModel::NoUpdate);
}

void TStockSetForm::addRow(const QString& code)
{
    const int row = ui->tabStock->rowCount();
    ui->tabStock->setRowCount(row + 1);
    helper->setRow(row, {code, QString()});
}

void TStockSetForm::save()
{
    if (!helper->saveFromTable()) {
        reportSaveFailed(stocksFilePath(), this);
        return;
    }
    close();
    emit stockSetChange();
}

void TStockSetForm::add()
{
    addRow(QStringLiteral("请输入代码"));
}

void TStockSetForm::remove()
{
    const int row = ui->tabStock->currentRow();
    if (row < 0)
        return;
    const QTableWidgetItem* item = ui->tabStock->item(row, 0);
    const QString code = item ? item->text() : QString();
    if (vk::messageBox(QMessageBox::Warning, QStringLiteral("警告"),
                       QStringLiteral("删除股票：") + code + QStringLiteral(" ?"),
                       QStringLiteral("是"), QStringLiteral("否"), this))
        ui->tabStock->removeRow(row);
}

void TStockSetForm::import()
{
    const QString fileName = fileDialog::getOpenFileName(
        this, QStringLiteral("导入股票代码"), dataDirPath(),
        QStringLiteral("1.x 2.x版股票代码文件(*.cfg);;"
                       "其他行情软件的自选股 (*.json *.yaml *.yml *.txt *.csv)"));
    if (fileName.isEmpty())
        return;
    if (!fileName.endsWith(QLatin1String(".cfg"), Qt::CaseInsensitive)) {
        importOtherList(fileName);
        return;
    }
    QFile file(fileName);
    // A file that cannot be opened adds nothing.
    if (!xmlfile::openRegularFile(file))
        return;
    for (const QString& code : legacyStockCodes(file.readAll()))
        addRow(code);
    file.close();
}

void TStockSetForm::importOtherList(const QString& fileName)
{
    const auto refuse = [this](const QString& why) {
        vk::messageBox(QMessageBox::Warning, QStringLiteral("导入股票代码"), why,
                       QStringLiteral("确定"), QString(), this);
    };
    QFile file(fileName);
    if (!xmlfile::openRegularFile(file)) {
        refuse(QStringLiteral("无法读取文件，未导入任何股票。"));
        return;
    }
    // One byte more than allowed tells a file too large from one just so.
    const QByteArray bytes = file.read(otherlist::MAX_BYTES + 1);
    if (bytes.size() > otherlist::MAX_BYTES) {
        refuse(QStringLiteral("文件超过 1 MiB，不是自选股列表，未导入任何股票。"));
        return;
    }
    const auto stocks = otherlist::read(bytes, fileName);
    if (!stocks) {
        refuse(QStringLiteral("文件中没有可识别的自选股，未导入任何股票。"));
        return;
    }
    QSet<QString> listed;
    for (int row = 0; row < ui->tabStock->rowCount(); ++row) {
        if (const QTableWidgetItem* item = ui->tabStock->item(row, 0))
            listed.insert(item->text());
    }
    for (const otherlist::Stock& stock : *stocks) {
        if (listed.contains(stock.code))
            continue;
        addRow(stock.code);
        if (!stock.remark.isEmpty())
            ui->tabStock->item(ui->tabStock->rowCount() - 1, 1)->setText(stock.remark);
    }
}
