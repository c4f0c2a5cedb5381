#pragma once

#include <QDialog>
#include <QHash>
#include <QMap>
#include <QPair>

#include <memory>

class QTableWidgetItem;
class TStockCodeList;
class Ui_TStockAlertForm;

// The modal dialog for the alert limits, cost price and holding of every
// stock of the list. "保存" writes those four fields into Stocks.xml as it is
// at that moment, leaving everything else of the file as it was.
class TStockAlertForm : public QDialog
{
    Q_OBJECT
public:
    explicit TStockAlertForm(QWidget* parent = nullptr);
    ~TStockAlertForm() override;

    // Names to show beside the codes (full code to name).
    void setNames(const QHash<QString, QString>& names);
    // The limits of the day's change in percent, by code and place among
    // equal codes: shown in their column and, on "保存", written back for the
    // stocks of the list (those of stocks no longer listed are dropped).
    // Not owned; outlives the dialog.
    void setPercentAlerts(QMap<QPair<QString, int>, QString>* alerts);
    // Selects the row of the list entry at `index`; -1 selects none.
    void setCurrentEntry(int index);

signals:
    // Stocks.xml was written.
    void stockSetChange();

public slots:
    void save();

private:
    void load();
    // Marks the cell when its text is no valid entry; true when it is valid.
    bool check(QTableWidgetItem* item);

    std::unique_ptr<Ui_TStockAlertForm> ui;
    std::unique_ptr<TStockCodeList> stockList;
    QMap<QPair<QString, int>, QString>* percentAlerts = nullptr;
};
