#include "core/Gb18030.h"
#include "stocks/StockCodeList.h"

#include "StockFixtures.h"
#include "TempAppDir.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {
QByteArray document(const QString& body)
{
    return gb18030::encode(QStringLiteral("<?xml version=\"1.0\" encoding=\"GB18030\"?>\n") + body);
}

QStringList fieldsOf(const TStockCodeDataItems& items)
{
    QStringList fields;
    for (const TStockCodeData& entry : items)
        fields << entry.code << entry.upperAlert << entry.lowerAlert << entry.costPrice
               << entry.holding << entry.remark;
    return fields;
}

} // namespace

class TestStockCodeList : public QObject
{
    Q_OBJECT
private slots:
    void savesTheGoldenFile();
    void emptyListIsAnEmptyRoot();
    void roundTripKeepsEveryField();
    void reading_data();
    void reading();
    void quickReadAgreesWithXml_data();
    void quickReadAgreesWithXml();
    void failedReloadKeepsTheList_data();
    void failedReloadKeepsTheList();
    void unwritableFileKeepsThePreviousOne();
    void deviceFailingPartWayIsReported();
};

void TestStockCodeList::savesTheGoldenFile()
{
    TempAppDir dir;
    TStockCodeList list;
    list.items.push_back(stockEntry(QStringLiteral("sh600000")));
    list.save();
    QCOMPARE(dir.readFile(QStringLiteral("Stocks.xml")),
             readTestData(QStringLiteral("Stocks.golden.xml")));
}

void TestStockCodeList::emptyListIsAnEmptyRoot()
{
    TempAppDir dir;
    TStockCodeList list;
    list.save();
    QCOMPARE(
        dir.readFile(QStringLiteral("Stocks.xml")),
        QByteArray("<?xml version=\"1.0\" encoding=\"GB18030\"?>\n<Quotarium version=\"1\"/>\n"));

    TStockCodeList reread;
    reread.items.push_back(stockEntry(QStringLiteral("stale")));
    reread.load();
    QVERIFY(reread.items.empty());
}

void TestStockCodeList::roundTripKeepsEveryField()
{
    TempAppDir dir;
    TStockCodeList list;
    TStockCodeData full;
    full.code = QStringLiteral("sz000001");
    full.upperAlert = QStringLiteral("12.5");
    full.lowerAlert = QStringLiteral(" 9 ");
    full.costPrice = QStringLiteral("10.01");
    full.holding = QStringLiteral("1,000");
    full.remark = QStringLiteral("平安银行 <长线> & \"观察\"");
    list.items.push_back(full);
    list.items.push_back(stockEntry(QStringLiteral("sh600000"), QStringLiteral("浦发")));
    list.items.push_back(stockEntry(QStringLiteral("sh600000"), QStringLiteral("又一次")));
    list.items.push_back(TStockCodeData());
    list.save();

    QVERIFY(dir.readFile(QStringLiteral("Stocks.xml"))
                .contains(gb18030::encode(QStringLiteral("平安银行"))));

    TStockCodeList reread;
    reread.load();
    QCOMPARE(reread.items.size(), size_t(4));
    const TStockCodeData& back = reread.items[0];
    QCOMPARE(back.code, full.code);
    QCOMPARE(back.upperAlert, full.upperAlert);
    QCOMPARE(back.lowerAlert, full.lowerAlert);
    QCOMPARE(back.costPrice, full.costPrice);
    QCOMPARE(back.holding, full.holding);
    QCOMPARE(back.remark, full.remark);
    QCOMPARE(codesOf(reread.items),
             QStringList({QStringLiteral("sz000001"), QStringLiteral("sh600000"),
                          QStringLiteral("sh600000"), QString()}));
    QCOMPARE(reread.items[2].remark, QStringLiteral("又一次"));
    QCOMPARE(reread.items[3].remark, QString());
}

void TestStockCodeList::reading_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QStringList>("codes");
    const QString a = QStringLiteral("<股票 代码=\"a\"/>");
    const QString b = QStringLiteral("<股票 代码=\"b\"/>");
    const QString c = QStringLiteral("<股票 代码=\"c\"/>");
    const QStringList previous{QStringLiteral("previous")};

    QTest::newRow("version 2 is read")
        << QStringLiteral("<Quotarium version=\"2\">") + a + QStringLiteral("</Quotarium>")
        << QStringList{"a"};
    QTest::newRow("no version is read")
        << QStringLiteral("<Quotarium>") + a + QStringLiteral("</Quotarium>") << QStringList{"a"};
    QTest::newRow("other root, version 1")
        << QStringLiteral("<Other version=\"1\">") + a + b + QStringLiteral("</Other>")
        << QStringList{"a", "b"};
    QTest::newRow("other root, version 2")
        << QStringLiteral("<Other version=\"2\">") + a + QStringLiteral("</Other>") << previous;
    QTest::newRow("other root, no version")
        << QStringLiteral("<Other>") + a + QStringLiteral("</Other>") << previous;
    QTest::newRow("case matters") << QStringLiteral("<quotarium>") + a +
                                         QStringLiteral("</quotarium>")
                                  << previous;
    QTest::newRow("not xml") << QStringLiteral("sh600000\r\nsz000001\r\n") << previous;
    QTest::newRow("empty") << QString() << previous;
    QTest::newRow("stops at another element")
        << QStringLiteral("<Quotarium>") + a + b + c + QStringLiteral("<其他/>") + a + b +
               QStringLiteral("</Quotarium>")
        << QStringList{"a", "b", "c"};
    QTest::newRow("content of an entry is ignored")
        << QStringLiteral("<Quotarium><股票 代码=\"a\">text<子><股票 代码=\"x\"/></子></股票>") +
               b + QStringLiteral("</Quotarium>")
        << QStringList{"a", "b"};
    QTest::newRow("truncated keeps complete entries")
        << QStringLiteral("<Quotarium>") + a + b + QStringLiteral("<股票 代码=\"c")
        << QStringList{"a", "b"};
    QTest::newRow("error after root keeps entries")
        << QStringLiteral("<Quotarium>") + a + QStringLiteral("<股票 代码=\"b\"></wrong>")
        << QStringList{"a", "b"};
}

void TestStockCodeList::reading()
{
    QFETCH(QString, body);
    QFETCH(QStringList, codes);
    TStockCodeList list;
    list.items.push_back(stockEntry(QStringLiteral("previous")));
    QBuffer buffer;
    buffer.setData(document(body));
    buffer.open(QIODevice::ReadOnly);
    list.readXml(&buffer);
    QCOMPARE(codesOf(list.items), codes);
}

void TestStockCodeList::quickReadAgreesWithXml_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("quick");
    const auto writtenFrom = [](const TStockCodeDataItems& items) {
        TStockCodeList list;
        list.items = items;
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        list.writeXml(&out);
        return out.data();
    };
    const TStockCodeData full{
        QStringLiteral("sz000001"), QStringLiteral("12.5"),
        QStringLiteral(" 9 "),      QStringLiteral("10.01"),
        QStringLiteral("1,000"),    QStringLiteral("平安 <长线> & \"观察\" 's \U0001F600")};
    const QByteArray written = writtenFrom(
        {full, stockEntry(QStringLiteral("sh600000"), QStringLiteral("浦发")), TStockCodeData()});
    const auto edited = [&](const QByteArray& from, const QByteArray& to) {
        QByteArray bytes = written;
        return bytes.replace(from, to);
    };
    QTest::newRow("as written") << written << true;
    QTest::newRow("empty, as written") << writtenFrom({}) << true;
    QTest::newRow("what follows the root") << written + "<garbage" << true;
    QTest::newRow("line ends of another system") << edited("\n", "\r\n") << false;
    QTest::newRow("tab in a value") << edited("12.5", "12\t5") << false;
    QTest::newRow("character reference") << edited("12.5", "12&#46;5") << false;
    QTest::newRow("unknown entity") << edited("12.5", "12&nbsp;5") << false;
    // Octal escapes: "\0015" is a control character followed by a 5.
    QTest::newRow("control character") << edited("12.5", "12\0015") << false;
    QTest::newRow("byte GB18030 cannot read") << edited("12.5", "12\2005") << false;
    QTest::newRow("attribute missing")
        << edited(gb18030::encode(QStringLiteral(" 上限预警=\"12.5\"")), "") << false;
    QTest::newRow("attributes in another order")
        << edited(gb18030::encode(QStringLiteral("<股票 代码=\"sh600000\"")),
                  gb18030::encode(QStringLiteral("<股票 备注=\"\" 代码=\"sh600000\"")))
        << false;
    QTest::newRow("comment between entries") << edited("\n    <", "\n<!-- x -->\n    <") << false;
    QTest::newRow("version 2") << edited("version=\"1\"", "version=\"2\"") << false;
    QTest::newRow("truncated") << written.left(written.size() - 30) << false;
}

void TestStockCodeList::quickReadAgreesWithXml()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, quick);
    const std::optional<TStockCodeDataItems> read = stocklist::readAsWritten(bytes);
    QCOMPARE(read.has_value(), quick);

    TStockCodeList viaXml;
    viaXml.items.push_back(stockEntry(QStringLiteral("previous")));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    viaXml.readXml(&buffer);
    if (read)
        QCOMPARE(fieldsOf(*read), fieldsOf(viaXml.items));

    // Loading takes the quick way where it can and gives the same either way.
    TempAppDir dir;
    QVERIFY(dir.writeFile(QStringLiteral("Stocks.xml"), bytes));
    TStockCodeList loaded;
    loaded.items.push_back(stockEntry(QStringLiteral("previous")));
    loaded.load();
    QCOMPARE(fieldsOf(loaded.items), fieldsOf(viaXml.items));
}

void TestStockCodeList::failedReloadKeepsTheList_data()
{
    QTest::addColumn<bool>("deleteFile");
    QTest::addColumn<QByteArray>("replacement");
    QTest::newRow("file deleted") << true << QByteArray();
    QTest::newRow("file not a stock list") << false << QByteArray("<Other/>");
}

void TestStockCodeList::failedReloadKeepsTheList()
{
    QFETCH(bool, deleteFile);
    QFETCH(QByteArray, replacement);
    TempAppDir dir;
    TStockCodeList writer;
    writer.items = {stockEntry(QStringLiteral("sh600000")), stockEntry(QStringLiteral("sz000001")),
                    stockEntry(QStringLiteral("sh601398"))};
    writer.save();

    TStockCodeList list;
    list.load();
    QCOMPARE(list.items.size(), size_t(3));
    if (deleteFile)
        QVERIFY(QFile::remove(dir.stocksFile()));
    else
        QVERIFY(dir.writeFile(QStringLiteral("Stocks.xml"), replacement));
    list.load();
    QCOMPARE(codesOf(list.items), codesOf(writer.items));

    TStockCodeList fresh;
    fresh.load();
    QVERIFY(fresh.items.empty());
}

void TestStockCodeList::unwritableFileKeepsThePreviousOne()
{
    TempAppDir dir;
    // A folder where the file should be: nothing can be written there.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Stocks.xml")));
    TStockCodeList list;
    list.items.push_back(stockEntry(QStringLiteral("sh600000")));
    list.save();
    QVERIFY(QFileInfo(dir.stocksFile()).isDir());
    list.load();
    QCOMPARE(list.items.size(), size_t(1));
}

void TestStockCodeList::deviceFailingPartWayIsReported()
{
    TStockCodeList list;
    for (int i = 0; i < 50; ++i)
        list.items.push_back(stockEntry(QStringLiteral("sh6%1").arg(i, 5, 10, QLatin1Char('0'))));
    FillingDevice device(200);
    QVERIFY(!list.writeXml(&device));

    QBuffer whole;
    whole.open(QIODevice::WriteOnly);
    QVERIFY(list.writeXml(&whole));
    QVERIFY(whole.data().size() > 200);
}

QTEST_GUILESS_MAIN(TestStockCodeList)
#include "tst_stockcodelist.moc"
