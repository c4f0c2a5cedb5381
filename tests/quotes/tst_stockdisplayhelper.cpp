#include "core/Gb18030.h"
#include "core/IcuData.h"
#include "core/WebRequest.h"
#include "quotes/StockDataSet.h"
#include "quotes/StockDisplayHelper.h"
#include "stocks/StockCodeList.h"

#include "FakeHttpServer.h"
#include "TempAppDir.h"

#include <QHeaderView>
#include <QSet>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

namespace {
TStockDataItems records(int count, const QString& percent = QStringLiteral("1.2"))
{
    TStockDataItems items;
    for (int i = 0; i < count; ++i)
        items.push_back(TStockData{QStringLiteral("60000%1").arg(i),
                                   QStringLiteral("股票%1").arg(i),
                                   {},
                                   {},
                                   QStringLiteral("1%1.00").arg(i),
                                   {},
                                   {},
                                   {},
                                   {},
                                   {},
                                   {},
                                   percent});
    return items;
}
} // namespace

class TestStockDisplayHelper : public QObject
{
    Q_OBJECT
    std::unique_ptr<TStockDisplayHelper> helper;
    std::unique_ptr<QTableWidget> table;

    void deliver(const TStockDataItems& items) { emit helper->feed()->readFinished(items); }

private slots:
    // As the program does: on Windows the Chinese collation comes as files.
    void initTestCase()
    {
        icudata::useFilesIn(QCoreApplication::applicationDirPath() + QStringLiteral("/icu"));
    }

    void init()
    {
        helper = std::make_unique<TStockDisplayHelper>(nullptr);
        table = std::make_unique<QTableWidget>(0, 4);
        helper->setTable(table.get());
    }
    void cleanup() { web::setServiceRoot(web::Service::Quotes, QString()); }

    void rowsFollowRecords()
    {
        // Those who hear of the records find them in the table already.
        QList<int> rowsWhenShown;
        connect(helper.get(), &TStockDisplayHelper::quotesShown, this,
                [&](const TStockDataItems&) { rowsWhenShown << table->rowCount(); });
        QSignalSpy failed(helper.get(), &TStockDisplayHelper::refreshFailed);
        deliver(records(3));
        QCOMPARE(table->rowCount(), 3);
        deliver(records(2));
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(1, 1)->text(), QStringLiteral("600001"));
        emit helper->feed()->downloadFailed();
        helper->setTable(nullptr); // records before the table is set are ignored
        deliver(records(3));
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(rowsWhenShown, QList<int>({3, 2, 2}));
        QCOMPARE(failed.size(), 1);
    }

    void cells_data()
    {
        QTest::addColumn<QString>("percent");
        QTest::addColumn<QColor>("color");
        QTest::newRow("-0.5") << "-0.5" << QColor(Qt::darkGreen);
        QTest::newRow("0") << "0" << QColor(Qt::red);
        QTest::newRow("1.2") << "1.2" << QColor(Qt::red);
        QTest::newRow("not a number") << "abc" << QColor(Qt::red);
        QTest::newRow("10") << "10" << QColor(Qt::red);
        QTest::newRow("exponent") << "1.5e+02" << QColor(Qt::red);
        QTest::newRow("negative exponent") << "-1.5e+02" << QColor(Qt::darkGreen);
        QTest::newRow("minus zero") << "-0" << QColor(Qt::red);
        QTest::newRow("-inf") << "-inf" << QColor(Qt::darkGreen);
        QTest::newRow("nan") << "nan" << QColor(Qt::red);
        QTest::newRow("minus, no number") << "-" << QColor(Qt::red);
    }
    void cells()
    {
        QFETCH(QString, percent);
        QFETCH(QColor, color);
        deliver(records(2, percent));
        const QStringList texts{QStringLiteral("股票1"), "600001", "11.00", percent};
        const int left = Qt::AlignLeft | Qt::AlignVCenter,
                  right = Qt::AlignRight | Qt::AlignVCenter;
        const int alignments[] = {left, left, right, right};
        for (int column = 0; column < 4; ++column) {
            const QTableWidgetItem* item = table->item(1, column);
            QCOMPARE(item->text(), texts[column]);
            QCOMPARE(item->foreground().color(), color);
            QCOMPARE(item->textAlignment(), alignments[column]);
        }
        // Old quotes are grey, in whatever order; a good refresh brings the
        // colour back.
        helper->setStale(true);
        helper->setSort(0, Qt::DescendingOrder);
        for (int column = 0; column < 4; ++column)
            QCOMPARE(table->item(0, column)->foreground().color(), QColor(Qt::gray));
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral("600001"));
        deliver(records(2, percent));
        QCOMPARE(table->item(0, 3)->foreground().color(), color);
    }

    // Entries as the service sends them before the first trade (call
    // auction, bid and ask at the indicative price) and for a suspended stock.
    void notTradedYet_data()
    {
        QTest::addColumn<QString>("values");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<QColor>("color");
        const QString tail = QStringLiteral(
            ",0,0.000,1200,%1,3400,7.08,0,0.000,0,0.000,0,0.000,0,0.000,0,0.000,0,0.000,0,"
            "0.000,0,0.000,2026-12-07,09:20:03,00");
        const auto row = [&](const QString& head, const char* bid) {
            return head + QStringLiteral(",%1,%1").arg(bid) + tail.arg(bid);
        };
        QTest::newRow("auction above close")
            << row(QStringLiteral("浦发银行,0.000,7.10,0.000,0.000,0.000"), "7.12") << "7.12"
            << "0.28" << QColor(Qt::red);
        QTest::newRow("auction below close")
            << row(QStringLiteral("浦发银行,0.000,7.10,0.000,0.000,0.000"), "7.05") << "7.05"
            << "-0.7" << QColor(Qt::darkGreen);
        QTest::newRow("auction, no match yet")
            << row(QStringLiteral("浦发银行,0.000,7.10,0.000,0.000,0.000"), "0.000") << "7.10"
            << "0" << QColor(Qt::red);
        QTest::newRow("suspended")
            << row(QStringLiteral("停牌股,0.000,12.30,0.000,0.000,0.000"), "0.000") << "12.30"
            << "0" << QColor(Qt::red);
        QTest::newRow("price not a number")
            << row(QStringLiteral("停牌股,0.000,12.30,--,0.000,0.000"), "0.000") << "12.30"
            << "0" << QColor(Qt::red);
        QTest::newRow("traded, bid ignored")
            << row(QStringLiteral("浦发银行,7.11,7.10,7.00,7.12,6.98"), "6.99") << "7.00"
            << "-1.4" << QColor(Qt::darkGreen);
        QTest::newRow("no close: as computed")
            << row(QStringLiteral("新股,0.000,0.000,0.000,0.000,0.000"), "9.99") << "0.000"
            << "nan" << QColor(Qt::red);
    }
    void notTradedYet()
    {
        QFETCH(QString, values);
        QFETCH(QString, price);
        QFETCH(QString, percent);
        QFETCH(QColor, color);
        const QString reply = QStringLiteral("var hq_str_sh600000=\"%1\";\n").arg(values);
        deliver(helper->feed()->parseReply(gb18030::encode(reply)));
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 2)->text(), price);
        QCOMPARE(table->item(0, 3)->text(), percent);
        QCOMPARE(table->item(0, 3)->foreground().color(), color);
    }

    void laterReplyRewritesEveryCell()
    {
        // Cells are written over in place: nothing of the earlier reply may
        // be left in text, colour or alignment.
        deliver(records(3, QStringLiteral("1.2")));
        TStockDataItems later = records(2, QStringLiteral("-0.5"));
        later[1].name = QStringLiteral("改名");
        later[1].code = QStringLiteral("000009");
        later[1].price = QStringLiteral("9.99");
        deliver(later);
        QCOMPARE(table->rowCount(), 2);
        const QStringList texts{QStringLiteral("改名"), "000009", "9.99", "-0.5"};
        const int left = Qt::AlignLeft | Qt::AlignVCenter,
                  right = Qt::AlignRight | Qt::AlignVCenter;
        const int alignments[] = {left, left, right, right};
        for (int column = 0; column < 4; ++column) {
            QCOMPARE(table->item(1, column)->text(), texts[column]);
            QCOMPARE(table->item(1, column)->foreground().color(), QColor(Qt::darkGreen));
            QCOMPARE(table->item(1, column)->textAlignment(), alignments[column]);
        }
        // The cell holds the record's text itself: a thousand rows must not
        // keep a second copy of every text.
        QVERIFY(table->item(1, 0)->text().constData() == later[1].name.constData());
        deliver(records(3, QStringLiteral("0")));
        QCOMPARE(table->item(2, 0)->text(), QStringLiteral("股票2"));
        QCOMPARE(table->item(1, 3)->foreground().color(), QColor(Qt::red));
    }

    void viewsLearnOfEveryChangedCell()
    {
        // Whatever views the table (its own, accessibility) is told about
        // every cell that changed, also when cells are written over in place.
        deliver(records(3, QStringLiteral("1")));
        QSignalSpy changed(table->model(), &QAbstractItemModel::dataChanged);
        TStockDataItems later = records(3, QStringLiteral("-1"));
        later[2].price = QStringLiteral("99.00");
        deliver(later);
        QSet<QPair<int, int>> told;
        for (const QList<QVariant>& arguments : changed) {
            const QModelIndex from = arguments.at(0).toModelIndex();
            const QModelIndex to = arguments.at(1).toModelIndex();
            for (int row = from.row(); row <= to.row(); ++row) {
                for (int column = from.column(); column <= to.column(); ++column)
                    told.insert({row, column});
            }
        }
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 4; ++column)
                QVERIFY2(told.contains({row, column}),
                         qPrintable(QStringLiteral("%1,%2").arg(row).arg(column)));
        }
    }

    void selectionAndWidthsSurvive()
    {
        deliver(records(3));
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        table->selectRow(1);
        table->setColumnWidth(0, 123);
        deliver(records(3, QStringLiteral("-1")));
        QCOMPARE(table->currentRow(), 1);
        QCOMPARE(table->selectionModel()->selectedRows().size(), 1);
        QVERIFY(table->selectionModel()->isRowSelected(1, {}));
        QCOMPARE(table->columnWidth(0), 123);
    }

    void sortsTheShownRows_data()
    {
        QTest::addColumn<int>("clicks"); // on the column's header
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("order"); // record numbers, top to bottom
        // Records: name, code, price, change.
        QTest::newRow("change ascending, no number last") << 1 << 3 << "4 1 0 2 3";
        QTest::newRow("change descending, no number last") << 2 << 3 << "2 0 1 4 3";
        QTest::newRow("third click: the list's order") << 3 << 3 << "0 1 2 3 4";
        QTest::newRow("price, equal ones in list order") << 1 << 2 << "1 4 3 0 2";
        QTest::newRow("name by pinyin, empty last") << 1 << 0 << "1 2 4 0 3";
        QTest::newRow("name descending, empty last") << 2 << 0 << "0 4 2 1 3";
        QTest::newRow("code as text") << 1 << 1 << "3 0 2 1 4";
    }

    void sortsTheShownRows()
    {
        QFETCH(int, clicks);
        QFETCH(int, column);
        QFETCH(QString, order);
        const QStringList rows[] = {{QStringLiteral("招商银行"), "600036", "30.00", "0.5"},
                                    {QStringLiteral("工商银行"), "601398", "5.00", "-1"},
                                    {QStringLiteral("平安银行"), "600519", "", "2.5e+00"},
                                    {QString(), "000001", "10.00", "abc"},
                                    {QStringLiteral("浦发银行"), "800000", "5.00", "-2"}};
        TStockDataItems items;
        for (const QStringList& texts : rows) {
            TStockData r;
            r.name = texts[0];
            r.code = texts[1];
            r.price = texts[2];
            r.percent = texts[3];
            items.push_back(r);
        }
        deliver(items);
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        table->selectRow(0);
        QSignalSpy changed(helper.get(), &TStockDisplayHelper::sortChanged);
        for (int i = 0; i < clicks; ++i)
            emit table->horizontalHeader()->sectionClicked(column);
        QCOMPARE(changed.size(), clicks);
        // A refresh keeps the sort.
        deliver(items);
        QStringList shown;
        for (int row = 0; row < table->rowCount(); ++row) {
            const int record = helper->recordOfRow(row);
            QCOMPARE(table->item(row, 1)->text(), items[size_t(record)].code);
            shown << QString::number(record);
        }
        QCOMPARE(shown.join(u' '), order);
        const bool sorted = clicks < 3;
        QCOMPARE(helper->sortColumn(), sorted ? column : -1);
        QCOMPARE(table->horizontalHeader()->isSortIndicatorShown(), sorted);
        QCOMPARE(table->horizontalHeader()->sortIndicatorOrder(),
                 clicks == 2 ? Qt::DescendingOrder : Qt::AscendingOrder);
        // The selected stock stays selected where it went.
        QCOMPARE(helper->recordOfRow(table->currentRow()), 0);
        QCOMPARE(helper->recordOfRow(5), -1);
    }

    void loadAnnouncesAndRequests()
    {
        TempAppDir dir;
        TStockCodeList file;
        file.items = {TStockCodeData{"sh600000", {}, {}, {}, {}, {}},
                      TStockCodeData{"sz000001", {}, {}, {}, {}, {}}};
        file.save();
        int announced = 0;
        connect(helper.get(), &TStockDisplayHelper::stockCodeChanged, this,
                [&](TStockCodeDataItems items) { announced += int(items.size()); });
        helper->loadStockCodes();
        helper->loadStockCodes(); // unchanged, announced all the same
        QCOMPARE(announced, 4);

        FakeHttpServer server;
        server.enqueue(HttpReply::gb18030(QStringLiteral("var hq_str_sh600000=\"浦发,1,10,11\";")));
        web::setServiceRoot(web::Service::Quotes, server.baseUrl());
        helper->display();
        QTRY_COMPARE(table->rowCount(), 1);
        QCOMPARE(server.lastRequest().target, QByteArray("/list=sh600000,sz000001"));
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("浦发"));
        QCOMPARE(table->item(0, 3)->text(), QStringLiteral("10"));
    }
};

QTEST_MAIN(TestStockDisplayHelper)
#include "tst_stockdisplayhelper.moc"
