#pragma once

#include <QDialog>

#include <memory>

class TStockSetHelper;
class Ui_TStockSetForm;

// The modal stock list editor. Only "保存" writes Stocks.xml; every other
// way out discards the edits.
class TStockSetForm : public QDialog
{
    Q_OBJECT
public:
    explicit TStockSetForm(QWidget* parent = nullptr);
    ~TStockSetForm() override;

    void addRow(const QString& code);

signals:
    void stockSetChange();

public slots:
    void save();
    void add();
    void remove();
    void import();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Lists of other tickers say why they brought nothing, unlike old files.
    void importOtherList(const QString& fileName);
    // The rows of the selected cells, or the current row when none is selected.
    QList<int> chosenRows() const;
    void moveChosenRows(int by);

    std::unique_ptr<TStockSetHelper> helper;
    std::unique_ptr<Ui_TStockSetForm> ui;
};
