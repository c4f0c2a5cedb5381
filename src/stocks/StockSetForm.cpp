#include "stocks/StockSetForm.h"

#include "core/AppGlobals.h"
#include "core/FileDialog.h"
#include "core/XmlFile.h"
#include "stocks/LegacyImport.h"
#include "stocks/OtherListImport.h"
#include "stocks/StockSetHelper.h"
#include "ui_StockSetForm.h"
#include "vendor_api/VkPack.h"

#include <QFile>
#include <QSet>

TStockSetForm::TStockSetForm(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui_TStockSetForm>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint);
    helper = std::make_unique<TStockSetHelper>();
    helper->table = ui->tabStock;
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

void TStockSetForm::addRow(const QString& code)
{
    const int row = ui->tabStock->rowCount();
    ui->tabStock->setRowCount(row + 1);
    helper->setRow(row, {code, QString()});
}

void TStockSetForm::save()
{
    helper->saveFromTable();
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
