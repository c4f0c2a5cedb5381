#include "stocks/StockSetForm.h"

#include "core/AppGlobals.h"
#include "core/FileDialog.h"
#include "core/XmlFile.h"
#include "stocks/LegacyImport.h"
#include "stocks/StockSetHelper.h"
#include "ui_StockSetForm.h"
#include "vendor_api/VkPack.h"

#include <QFile>

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
    const QString fileName =
        fileDialog::getOpenFileName(this, QStringLiteral("导入股票代码"), dataDirPath(),
                                    QStringLiteral("1.x 2.x版股票代码文件(*.cfg)"));
    QFile file(fileName);
    // A file that cannot be opened adds nothing.
    if (!xmlfile::openRegularFile(file))
        return;
    for (const QString& code : legacyStockCodes(file.readAll()))
        addRow(code);
    file.close();
}
