#include "core/Gb18030.h"
#include "stocks/StockAlertForm.h"

#include "StockFixtures.h"
#include "TempAppDir.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

namespace {
// The four editable columns, after code, name and remark.
constexpr int UPPER = 3;
constexpr int COST = 5;
constexpr int HOLDING = 6;
constexpr int PERCENT = 7; // kept apart from Stocks.xml
} // namespace

class TestStockAlertForm : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempAppDir> dir;
    std::unique_ptr<TStockAlertForm> form;
    QByteArray original;

    QTableWidget* table() { return form->findChild<QTableWidget*>(QStringLiteral("tabStock")); }
    QByteArray stocksFile() { return dir->readFile(QStringLiteral("Stocks.xml")); }
    void clickSave() { form->findChild<QPushButton*>(QStringLiteral("btnSave"))->click(); }

private slots:
    void init()
    {
        dir = std::make_unique<TempAppDir>();
        TStockCodeData held = stockEntry(QStringLiteral("sz000001"), QStringLiteral("平安 <老股>"));
        held.costPrice = QStringLiteral("12.5");
        held.holding = QStringLiteral("300");
        writeStocks({stockEntry(QStringLiteral("sh600000"), QStringLiteral("浦发")), held});
        original = stocksFile();
        form = std::make_unique<TStockAlertForm>();
        form->setNames({{QStringLiteral("sz000001"), QStringLiteral("平安银行")}});
    }

    void showsEveryStockWithTheRightOneSelected()
    {
        form->setCurrentEntry(1);
        QCOMPARE(tableRows(*table()),
                 QStringList({QStringLiteral("sh600000||浦发|||||"),
                              QStringLiteral("sz000001|平安银行|平安 <老股>|||12.5|300|")}));
        QCOMPARE(table()->currentRow(), 1);
        QVERIFY(!(table()->item(0, 0)->flags() & Qt::ItemIsEditable));
        QVERIFY(table()->item(0, COST)->flags() & Qt::ItemIsEditable);
    }

    void saveChangesOnlyTheFourFields()
    {
        QSignalSpy saved(form.get(), &TStockAlertForm::stockSetChange);
        table()->item(0, UPPER)->setText(QStringLiteral(" 10.5 "));
        table()->item(1, HOLDING)->setText(QString());
        clickSave();
        QCOMPARE(saved.count(), 1);
        QCOMPARE(form->result(), int(QDialog::Accepted));
        // Stored as typed, trimmed; every other byte as it was.
        QByteArray expected = original;
        expected.replace(gb18030::encode(QStringLiteral("sh600000\" 上限预警=\"\"")),
                         gb18030::encode(QStringLiteral("sh600000\" 上限预警=\"10.5\"")));
        expected.replace(gb18030::encode(QStringLiteral("持有量=\"300\"")),
                         gb18030::encode(QStringLiteral("持有量=\"\"")));
        QCOMPARE(stocksFile(), expected);
    }

    void cancelWritesNothing()
    {
        QSignalSpy saved(form.get(), &TStockAlertForm::stockSetChange);
        table()->item(0, COST)->setText(QStringLiteral("9"));
        form->findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
        QCOMPARE(saved.count(), 0);
        QCOMPARE(stocksFile(), original);
    }

    void wrongInputIsNamedNotSaved_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("price") << COST << "10.25" << true;
        QTest::newRow("price without leading digit") << UPPER << ".5" << true;
        QTest::newRow("spaces only") << COST << "  " << true;
        QTest::newRow("negative price") << UPPER << "-1" << false;
        QTest::newRow("comma") << COST << "10,5" << false;
        QTest::newRow("letters") << COST << "abc" << false;
        QTest::newRow("exponent") << UPPER << "1e3" << false;
        QTest::newRow("whole holding") << HOLDING << "1000" << true;
        QTest::newRow("fractional holding") << HOLDING << "1.5" << false;
        QTest::newRow("holding too long") << HOLDING << "99999999999999999999" << false;
        QTest::newRow("percent") << PERCENT << " 5.5" << true;
        QTest::newRow("negative percent") << PERCENT << "-3" << false;
        // Digits of an input method's full width would be saved and read as 0.
        QTest::newRow("full-width price") << UPPER << "１２.５" << false;
        QTest::newRow("full-width holding") << HOLDING << "１０００" << false;
    }

    void wrongInputIsNamedNotSaved()
    {
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QMap<QPair<QString, int>, QString> percents;
        form->setPercentAlerts(&percents);
        table()->item(1, column)->setText(text);
        QCOMPARE(table()->item(1, column)->background() == QBrush(), valid);
        clickSave();
        const QString message = form->findChild<QLabel*>(QStringLiteral("lblMessage"))->text();
        if (valid) {
            QVERIFY(message.isEmpty());
            if (column == PERCENT) {
                QCOMPARE(percents.value({QStringLiteral("sz000001"), 0}), text.trimmed());
                QCOMPARE(stocksFile(), original);
                return;
            }
            const TStockCodeData saved = readStocks().at(1);
            const QString& field = column == COST      ? saved.costPrice
                                   : column == HOLDING ? saved.holding
                                                       : saved.upperAlert;
            QCOMPARE(field, text.trimmed());
            return;
        }
        QVERIFY2(message.startsWith(QStringLiteral("第2行（sz000001）的")), qPrintable(message));
        QCOMPARE(table()->currentRow(), 1);
        QCOMPARE(stocksFile(), original);
        QVERIFY(form->result() != QDialog::Accepted);
    }

    void saveWorksOnTheFileAsItIsNow()
    {
        // The stock set editor saved while this dialog was open: one stock
        // removed, one added, the order changed, a remark edited.
        TStockCodeData held = stockEntry(QStringLiteral("sz000001"), QStringLiteral("改过"));
        held.costPrice = QStringLiteral("12.5");
        held.holding = QStringLiteral("300");
        writeStocks({stockEntry(QStringLiteral("sh601398")), held});
        QMap<QPair<QString, int>, QString> percents{{{QStringLiteral("sh600000"), 0}, "3"},
                                                    {{QStringLiteral("sz000001"), 0}, "2"}};
        form->setPercentAlerts(&percents);
        QCOMPARE(table()->item(1, PERCENT)->text(), QStringLiteral("2"));
        table()->item(1, PERCENT)->setText(QStringLiteral("4"));
        table()->item(0, COST)->setText(QStringLiteral("8")); // sh600000, now gone
        table()->item(1, UPPER)->setText(QStringLiteral("15"));
        clickSave();
        const TStockCodeDataItems now = readStocks();
        QCOMPARE(codesOf(now),
                 QStringList({QStringLiteral("sh601398"), QStringLiteral("sz000001")}));
        QCOMPARE(now.at(1).remark, QStringLiteral("改过"));
        QCOMPARE(now.at(1).upperAlert, QStringLiteral("15"));
        QCOMPARE(now.at(1).holding, QStringLiteral("300"));
        QVERIFY(now.at(0).costPrice.isEmpty());
        // The limit of a stock no longer listed goes.
        QCOMPARE(percents, (QMap<QPair<QString, int>, QString>{{{"sz000001", 0}, "4"}}));
    }
};

QTEST_MAIN(TestStockAlertForm)
#include "tst_stockalertform.moc"
