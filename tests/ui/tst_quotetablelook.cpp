#include "quotes/StockDataSet.h"
#include "quotes/StockDisplayHelper.h"
#include "ui/QuoteTableLook.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QTest>
#include <QVBoxLayout>

namespace {
TStockDataItems quotes(const QString& price)
{
    TStockData a, b;
    a.name = QStringLiteral("浦发银行");
    a.code = QStringLiteral("600000");
    a.price = price;
    a.percent = QStringLiteral("-1.3");
    b.name = QStringLiteral("万科Ａ");
    b.code = QStringLiteral("000002");
    b.price = QStringLiteral("9.87");
    b.percent = QStringLiteral("10");
    // More rows than fit at large fonts: the vertical scroll bar takes room.
    return {a, b, a, b, a, b};
}
} // namespace

// The quote table as the main window's form builds it, in a window of the
// main window's size.
class TestQuoteTableLook : public QObject
{
    Q_OBJECT
    std::unique_ptr<QWidget> window;
    QTableWidget* table = nullptr;
    std::unique_ptr<TStockDisplayHelper> helper;

    int textWidth(int column) const
    {
        return static_cast<const QAbstractItemView*>(table)->sizeHintForColumn(column);
    }
    void deliver(const QString& price) { emit helper->feed()->readFinished(quotes(price)); }

    // No cell may be narrower or lower than its text needs.
    bool nothingCut()
    {
        QCoreApplication::processEvents();
        bool fits = table->rowHeight(0) >= table->fontMetrics().height();
        int sum = 0;
        for (int column = 0; column < 4; ++column) {
            fits = fits && table->columnWidth(column) >= textWidth(column);
            sum += table->columnWidth(column);
        }
        // The whole row in view, nothing to scroll to.
        return fits && sum <= table->viewport()->width();
    }

private slots:
    void init()
    {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        table = new QTableWidget(0, 4);
        table->setHorizontalHeaderLabels({"名称", "代码", "价格", "涨幅"});
        table->horizontalHeader()->setDefaultSectionSize(100);
        table->horizontalHeader()->setStretchLastSection(true);
        table->verticalHeader()->setVisible(false);
        layout->addWidget(table);
        new TQuoteTableLook(table);
        helper = std::make_unique<TStockDisplayHelper>(nullptr);
        helper->setTable(table);
        window->resize(439, 295);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup()
    {
        helper.reset();
        window.reset();
    }

    void nothingCutAtAnySize_data()
    {
        QTest::addColumn<int>("points");
        for (int points : {9, 12, 20, 28})
            QTest::addRow("%d pt", points) << points;
    }
    void nothingCutAtAnySize()
    {
        QFETCH(int, points);
        deliver(QStringLiteral("10.20"));
        QFont font = table->font();
        font.setPointSize(points);
        table->setFont(font);
        QVERIFY(nothingCut());
        // A refresh widens what would be cut, and moves nothing else.
        deliver(QStringLiteral("12345.67"));
        QVERIFY(nothingCut());
        const int wide = table->columnWidth(2);
        deliver(QStringLiteral("1.00"));
        QCOMPARE(table->columnWidth(2), wide);
        // Rows follow the font both ways; columns keep the form's width.
        QVERIFY(table->rowHeight(0) < 2 * table->fontMetrics().height());
        QCOMPARE(table->columnWidth(1), qMax(100, textWidth(1)));
    }

    void hintOnlyWithoutRows()
    {
        const auto greyPixels = [this] {
            const QImage image = table->viewport()->grab().toImage();
            int count = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    const int low = qMin(c.red(), qMin(c.green(), c.blue()));
                    const int high = qMax(c.red(), qMax(c.green(), c.blue()));
                    count += high < 190 && high - low < 10; // grid lines are lighter
                }
            }
            return count;
        };
        QVERIFY(greyPixels() > 20);
        deliver(QStringLiteral("10.20"));
        QCOMPARE(greyPixels(), 0);
    }
};

QTEST_MAIN(TestQuoteTableLook)
#include "tst_quotetablelook.moc"
