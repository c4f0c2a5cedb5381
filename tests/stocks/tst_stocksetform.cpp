#include "core/FileDialog.h"
#include "core/Gb18030.h"
#include "quotes/StockDisplayHelper.h"
#include "stocks/LegacyImport.h"
#include "stocks/StockCodeList.h"
#include "stocks/StockSetForm.h"
#include "stocks/StockSetHelper.h"
#include "ui/MainForm.h"
#include "vendor_api/VkPack.h"

#include "FakeServices.h"
#include "StockFixtures.h"
#include "TempAppDir.h"

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

class TestStockSetForm : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void showsTheFileInOrder();
    void addThenSaveWritesThePlaceholder();
    void removeAsksFirst_data();
    void removeAsksFirst();
    void removeOnEmptyTableAsksNothing();
    void cancelWritesNothing();
    void saveOnEmptyTableWritesEmptyList();
    void hiddenFieldsSurviveASave();
    void reorderCarriesEveryField_data();
    void reorderCarriesEveryField();
    void importSplitsOldFiles_data();
    void importSplitsOldFiles();
    void importTwiceAppendsTwice();
    void importsOtherTickersLists_data();
    void importsOtherTickersLists();
    void saveReachesTheMainWindow();

private:
    std::unique_ptr<TempAppDir> dir;
    std::unique_ptr<TStockSetForm> form;
    QTableWidget* table() { return form->findChild<QTableWidget*>(QStringLiteral("tabStock")); }
    QPushButton* button(const char* name)
    {
        return form->findChild<QPushButton*>(QLatin1String(name));
    }
};

void TestStockSetForm::init()
{
    dir = std::make_unique<TempAppDir>();
    writeStocks({stockEntry(QStringLiteral("sh600000"), QStringLiteral("浦发")),
                 stockEntry(QStringLiteral("sz000001"), QStringLiteral("平安")),
                 stockEntry(QStringLiteral("sh601398"), QString())});
    vk::clearAskedMessageBoxes();
    form = std::make_unique<TStockSetForm>();
    form->show();
}

void TestStockSetForm::cleanup()
{
    form.reset();
    dir.reset();
}

void TestStockSetForm::showsTheFileInOrder()
{
    QCOMPARE(form->windowTitle(), QStringLiteral("股票设置"));
    QCOMPARE(tableColumn(*table(), 0), QStringList({"sh600000", "sz000001", "sh601398"}));
    QCOMPARE(tableColumn(*table(), 1),
             QStringList({QStringLiteral("浦发"), QStringLiteral("平安"), ""}));
    QCOMPARE(form->focusWidget(), button("btnChange"));
    QCOMPARE(table()->item(0, 1)->textAlignment(), int(Qt::AlignLeft | Qt::AlignVCenter));
}

void TestStockSetForm::addThenSaveWritesThePlaceholder()
{
    QSignalSpy saved(form.get(), &TStockSetForm::stockSetChange);
    button("btnAdd")->click();
    QCOMPARE(table()->rowCount(), 4);
    QCOMPARE(table()->item(3, 0)->text(), QStringLiteral("请输入代码"));
    QCOMPARE(table()->item(3, 1)->text(), QString());
    button("btnSave")->click();
    QCOMPARE(saved.count(), 1);
    QVERIFY(!form->isVisible());
    const TStockCodeDataItems items = readStocks();
    QCOMPARE(items.size(), size_t(4));
    QCOMPARE(items[3].code, QStringLiteral("请输入代码"));
}

void TestStockSetForm::removeAsksFirst_data()
{
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("否 keeps") << false << QStringList({"sh600000", "sz000001", "sh601398"});
    QTest::newRow("是 removes only it") << true << QStringList({"sh600000", "sh601398"});
}

void TestStockSetForm::removeAsksFirst()
{
    QFETCH(bool, answer);
    QFETCH(QStringList, codes);
    table()->setCurrentCell(1, 1);
    vk::setNextMessageBoxAnswer(answer);
    button("btnRemove")->click();
    const auto asked = vk::askedMessageBoxes();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked.first().icon, QMessageBox::Warning);
    QCOMPARE(asked.first().title, QStringLiteral("警告"));
    QCOMPARE(asked.first().text, QStringLiteral("删除股票：sz000001 ?"));
    QCOMPARE(asked.first().button1, QStringLiteral("是"));
    QCOMPARE(asked.first().button2, QStringLiteral("否"));
    QCOMPARE(tableColumn(*table(), 0), codes);
    // The file changes only on save.
    QCOMPARE(readStocks().size(), size_t(3));
}

void TestStockSetForm::removeOnEmptyTableAsksNothing()
{
    table()->setRowCount(0);
    button("btnRemove")->click();
    QCOMPARE(vk::askedMessageBoxes().size(), 0);
}

void TestStockSetForm::cancelWritesNothing()
{
    const QByteArray before = dir->readFile(QStringLiteral("Stocks.xml"));
    QSignalSpy saved(form.get(), &TStockSetForm::stockSetChange);
    table()->item(0, 1)->setText(QStringLiteral("改了"));
    button("btnAdd")->click();
    fileDialog::setNextOpenFileName(QString());
    button("btnImport")->click(); // cancelled: nothing added
    QCOMPARE(table()->rowCount(), 4);
    button("btnChange")->click();
    QVERIFY(!form->isVisible());
    QCOMPARE(saved.count(), 0);
    QCOMPARE(dir->readFile(QStringLiteral("Stocks.xml")), before);
}

void TestStockSetForm::saveOnEmptyTableWritesEmptyList()
{
    table()->setRowCount(0);
    button("btnSave")->click();
    QCOMPARE(
        dir->readFile(QStringLiteral("Stocks.xml")),
        QByteArray("<?xml version=\"1.0\" encoding=\"GB18030\"?>\n<Quotarium version=\"1\"/>\n"));
}

void TestStockSetForm::hiddenFieldsSurviveASave()
{
    form.reset();
    TStockCodeData full = stockEntry(QStringLiteral("sh600000"), QStringLiteral("旧"));
    full.upperAlert = QStringLiteral("12");
    full.lowerAlert = QStringLiteral("8");
    full.costPrice = QStringLiteral("9.5");
    full.holding = QStringLiteral("300");
    writeStocks({stockEntry(QStringLiteral("sz000001"), QString()), full});
    form = std::make_unique<TStockSetForm>();
    form->show();

    table()->setCurrentCell(0, 0);
    vk::setNextMessageBoxAnswer(true);
    button("btnRemove")->click(); // the entry above it goes
    table()->item(0, 0)->setText(QStringLiteral("sh600001"));
    table()->item(0, 1)->setText(QStringLiteral("新"));
    button("btnAdd")->click();
    button("btnSave")->click();

    const TStockCodeDataItems items = readStocks();
    QCOMPARE(items.size(), size_t(2));
    QCOMPARE(items[0].code, QStringLiteral("sh600001"));
    QCOMPARE(items[0].remark, QStringLiteral("新"));
    QCOMPARE(items[0].upperAlert, QStringLiteral("12"));
    QCOMPARE(items[0].lowerAlert, QStringLiteral("8"));
    QCOMPARE(items[0].costPrice, QStringLiteral("9.5"));
    QCOMPARE(items[0].holding, QStringLiteral("300"));
    QCOMPARE(items[1].code, QStringLiteral("请输入代码"));
    QCOMPARE(items[1].upperAlert, QString());
}

void TestStockSetForm::reorderCarriesEveryField_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("key");        // with Ctrl; 0 drops the rows before `dropBefore`
    QTest::addColumn<int>("dropBefore"); // the row count drops them last
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("Ctrl+Down") << QList<int>{0} << int(Qt::Key_Down) << 0
                               << QStringList({"sz000001", "sh600000", "sh601398"});
    QTest::newRow("Ctrl+Up from the second row")
        << QList<int>{1} << int(Qt::Key_Up) << 0
        << QStringList({"sz000001", "sh600000", "sh601398"});
    QTest::newRow("Ctrl+Up at the top stays") << QList<int>{0} << int(Qt::Key_Up) << 0
                                              << QStringList({"sh600000", "sz000001", "sh601398"});
    QTest::newRow("two rows down together") << QList<int>{0, 1} << int(Qt::Key_Down) << 0
                                            << QStringList({"sh601398", "sh600000", "sz000001"});
    QTest::newRow("two dragged last")
        << QList<int>{1, 0} << 0 << 3 << QStringList({"sh601398", "sh600000", "sz000001"});
    QTest::newRow("last dragged first")
        << QList<int>{2} << 0 << 0 << QStringList({"sh601398", "sh600000", "sz000001"});
    QTest::newRow("dropped onto itself")
        << QList<int>{1} << 0 << 1 << QStringList({"sh600000", "sz000001", "sh601398"});
}

void TestStockSetForm::reorderCarriesEveryField()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, key);
    QFETCH(int, dropBefore);
    QFETCH(QStringList, codes);
    TStockCodeDataItems items = readStocks();
    items[0].upperAlert = QStringLiteral("12");
    items[0].costPrice = QStringLiteral("9.5");
    items[0].holding = QStringLiteral("300");
    writeStocks(items);
    form = std::make_unique<TStockSetForm>();
    form->show();

    for (int row : selected)
        table()->selectionModel()->select(table()->model()->index(row, 1),
                                          QItemSelectionModel::Select);
    table()->selectionModel()->setCurrentIndex(table()->model()->index(selected.front(), 1),
                                               QItemSelectionModel::NoUpdate);
    if (key) {
        QTest::keyClick(table(), Qt::Key(key), Qt::ControlModifier);
    } else {
        TStockSetHelper dragged; // what a drop does, without a drag's own loop
        dragged.table = table();
        dragged.moveRows(selected, dropBefore);
    }
    QCOMPARE(tableColumn(*table(), 0), codes);
    const int moved = int(codes.indexOf(QStringLiteral("sh600000")));
    QCOMPARE(table()->item(moved, 1)->text(), QStringLiteral("浦发"));
    QVERIFY(table()->selectionModel()->isSelected(table()->model()->index(moved, 1)) ||
            !selected.contains(0));
    button("btnSave")->click();
    const TStockCodeDataItems saved = readStocks();
    QCOMPARE(codesOf(saved), codes);
    QCOMPARE(saved[size_t(moved)].upperAlert, QStringLiteral("12"));
    QCOMPARE(saved[size_t(moved)].costPrice, QStringLiteral("9.5"));
    QCOMPARE(saved[size_t(moved)].holding, QStringLiteral("300"));
    QCOMPARE(saved[size_t(codes.indexOf(QStringLiteral("sz000001")))].upperAlert, QString());
}

void TestStockSetForm::importSplitsOldFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("added");
    QTest::newRow("three CR LF lines") << QByteArray("sh600000\r\nsz000001\r\nsh601398\r\n")
                                       << QStringList({"sh600000", "sz000001", "sh601398"});
    QTest::newRow("blank lines, no final CR LF")
        << QByteArray("sh600000\r\n\r\nsz000001\r\n\r\n\r\nsh601398")
        << QStringList({"sh600000", "sz000001", "sh601398"});
    QTest::newRow("LF only is one line")
        << QByteArray("sh600000\nsz000001\n") << QStringList({"sh600000\nsz000001\n"});
    QTest::newRow("NUL ends the text") << QByteArray("sh600000\r\nsz000001\0sh601398\r\n", 28)
                                       << QStringList({"sh600000", "sz000001"});
    QTest::newRow("starts with NUL") << QByteArray("\0sh600000\r\n", 11) << QStringList();
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("kept untrimmed")
        << QByteArray(" sh600000 \r\nsz000001\r") << QStringList({" sh600000 ", "sz000001\r"});
    QTest::newRow("GB18030 text") << gb18030::encode(QStringLiteral("sh600000 浦发\r\n自选\r\n"))
                                  << QStringList(
                                         {QStringLiteral("sh600000 浦发"), QStringLiteral("自选")});
}

void TestStockSetForm::importSplitsOldFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, added);
    QCOMPARE(legacyStockCodes(bytes), added);

    QVERIFY(dir->writeFile(QStringLiteral("old.cfg"), bytes));
    fileDialog::setNextOpenFileName(dir->filePath(QStringLiteral("old.cfg")));
    button("btnImport")->click();
    const QStringList codes = tableColumn(*table(), 0);
    QCOMPARE(codes.mid(0, 3), QStringList({"sh600000", "sz000001", "sh601398"}));
    QCOMPARE(codes.mid(3), added);
    for (int row = 3; row < table()->rowCount(); ++row)
        QCOMPARE(table()->item(row, 1)->text(), QString());
}

void TestStockSetForm::importTwiceAppendsTwice()
{
    QVERIFY(dir->writeFile(QStringLiteral("old.cfg"), "sz000002\r\n"));
    for (int i = 0; i < 2; ++i) {
        fileDialog::setNextOpenFileName(dir->filePath(QStringLiteral("old.cfg")));
        button("btnImport")->click();
    }
    fileDialog::setNextOpenFileName(dir->filePath(QStringLiteral("missing.cfg")));
    button("btnImport")->click();
    QCOMPARE(tableColumn(*table(), 0).mid(3), QStringList({"sz000002", "sz000002"}));
    button("btnSave")->click();
    QCOMPARE(readStocks().size(), size_t(5));
}

void TestStockSetForm::importsOtherTickersLists_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>(
        "added");                         // code|remark; the table has sh600000, sz000001, sh601398
    QTest::addColumn<QString>("refusal"); // the message box's text, empty for none

    const QString none = QStringLiteral("文件中没有可识别的自选股，未导入任何股票。");
    QTest::newRow("settings.json with comments, trailing commas")
        << "settings.json"
        << QByteArray("\xef\xbb\xbf{\n  // mine\n  \"http.proxy\": \"http://a//b\",\n"
                      "  /* list */ \"leek-fund.stocks\": [\"sh600036\", \"hk00700\",\n"
                      "    \"SZ000858\", \"sh600000\",],\n}\n")
        << QStringList({"sh600036|", "sz000858|"}) << QString();
    QTest::newRow("broken settings.json")
        << "settings.json" << QByteArray("{\"leek-fund.stocks\": [\"sh600036\"") << QStringList()
        << none;
    QTest::newRow("settings.json without the list")
        << "settings.json" << QByteArray("{\"editor.fontSize\": 14}") << QStringList() << none;
    QTest::newRow("ticker yaml") << "ticker.yaml"
                                 << QByteArray("show-summary: true\nwatchlist:  # mine\n"
                                               "  - 600036.SS\n  - \"000858.sz\"\n  - AAPL\n"
                                               "  - 430047.BJ\nlots:\n  - symbol: 600519.SS\n")
                                 << QStringList({"sh600036|", "sz000858|", "bj430047|"})
                                 << QString();
    QTest::newRow("ticker yaml, flow list")
        << "t.yml" << QByteArray("watchlist: [600036.SS, 0700.HK]\n") << QStringList({"sh600036|"})
        << QString();
    QTest::newRow("yaml without a watchlist")
        << "t.yml" << QByteArray("lots:\n  - symbol: 600036.SS\n") << QStringList() << none;
    QTest::newRow("text, separators, markets by digits, known codes once")
        << "codes.txt" << QByteArray("600036 sz000001;920001,SH601398\r\n830799\t300750\n600036\n")
        << QStringList({"sh600036|", "bj920001|", "bj830799|", "sz300750|"}) << QString();
    QTest::newRow("CSV with names in GB18030")
        << "list.csv"
        << gb18030::encode(QStringLiteral("代码,名称\n600519,贵州茅台\n\"000858\";五粮液\n"))
        << QStringList({QStringLiteral("sh600519|贵州茅台"), QStringLiteral("sz000858|五粮液")})
        << QString();
    QTest::newRow("text without codes")
        << "notes.txt" << QByteArray("buy low 100001 510300 hk00700\n") << QStringList() << none;
    QTest::newRow("too large") << "codes.txt" << QByteArray(1024 * 1024 + 1, '6') << QStringList()
                               << QStringLiteral(
                                      "文件超过 1 MiB，不是自选股列表，未导入任何股票。");
    QTest::newRow("another kind") << "codes.xml" << QByteArray("600036") << QStringList() << none;
}

void TestStockSetForm::importsOtherTickersLists()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, added);
    QFETCH(QString, refusal);
    QVERIFY(dir->writeFile(fileName, bytes));
    fileDialog::setNextOpenFileName(dir->filePath(fileName));
    vk::setNextMessageBoxAnswer(true);
    button("btnImport")->click();
    QCOMPARE(tableRows(*table()).mid(3), added);
    const auto asked = vk::askedMessageBoxes();
    QCOMPARE(asked.isEmpty() ? QString() : asked.last().text, refusal);
}

void TestStockSetForm::saveReachesTheMainWindow()
{
    form.reset();
    FakeServices services;
    TMainForm window;
    auto* quotes = window.findChild<QTableWidget*>(QStringLiteral("tabStock"));
    QTRY_COMPARE(quotes->rowCount(), 3);

    bool edited = false;
    QTimer::singleShot(0, [&] {
        auto* editor = qobject_cast<TStockSetForm*>(QApplication::activeModalWidget());
        QVERIFY(editor);
        editor->addRow(QStringLiteral("sh600519"));
        editor->findChild<QPushButton*>(QStringLiteral("btnSave"))->click();
        edited = true;
    });
    window.findChild<QAction*>(QStringLiteral("actStockSet"))->trigger();
    QVERIFY(edited);
    // The reload and the new request happened before exec() returned.
    QCOMPARE(window.findChild<TStockDisplayHelper*>()->codeList()->items.size(), size_t(4));
    QTRY_COMPARE(services.quoteRequests().size(), 2);
    QCOMPARE(services.quoteRequests().last().path,
             QStringLiteral("/list=sh600000,sz000001,sh601398,sh600519"));
    QTRY_COMPARE(quotes->rowCount(), 4);
    QCOMPARE(quotes->item(3, 0)->text(), QStringLiteral("贵州茅台"));
}

QTEST_MAIN(TestStockSetForm)
#include "tst_stocksetform.moc"
