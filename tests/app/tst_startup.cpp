#include "app/Startup.h"
#include "core/AppGlobals.h"

#include "StockFixtures.h"
#include "TempAppDir.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QIcon>
#include <QImage>
#include <QLibraryInfo>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void trayIconIsEmbedded();
    void qtDialogsSpeakChinese_data();
    void qtDialogsSpeakChinese();
    void windowIconAtEverySize();
    void starterStockList_data();
    void starterStockList();
};

void TestStartup::trayIconIsEmbedded()
{
    const QImage icon(TRAY_ICON);
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.size(), QSize(32, 32));
    QVERIFY(icon.hasAlphaChannel());
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
}

void TestStartup::qtDialogsSpeakChinese_data()
{
    QTest::addColumn<QStringList>("beside");
    QTest::addColumn<bool>("qtFolders");
    QTest::addColumn<bool>("chinese");
    const QString meta = QStringLiteral("qt_zh_CN.qm"), base = QStringLiteral("qtbase_zh_CN.qm"),
                  media = QStringLiteral("qtmultimedia_zh_CN.qm");
    QTest::newRow("as shipped") << QStringList{meta, base, media} << false << true;
    QTest::newRow("a named catalog missing") << QStringList{meta, base} << false << true;
    QTest::newRow("widgets' catalog alone") << QStringList{base} << false << true;
    QTest::newRow("names without texts") << QStringList{meta, media} << false << false;
    QTest::newRow("system install") << QStringList{} << true << true;
    QTest::newRow("none") << QStringList{} << false << false;
}

void TestStartup::qtDialogsSpeakChinese()
{
    QFETCH(QStringList, beside);
    QFETCH(bool, qtFolders);
    QFETCH(bool, chinese);
    const QDir system(QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (!system.exists(QStringLiteral("qtmultimedia_zh_CN.qm")))
        QSKIP("Qt's Chinese catalogs are not installed (Debian: qt6-translations-l10n)");
    QTemporaryDir folder;
    for (const QString& catalog : beside)
        QVERIFY(QFile::copy(system.filePath(catalog), folder.filePath(catalog)));
    QStringList folders{folder.path()};
    if (qtFolders)
        folders += qtCatalogFolders();

    const std::unique_ptr<QTranslator> installed(installQtCatalogs(folders, nullptr));
    QCOMPARE(bool(installed), chinese);
    QDialogButtonBox buttons(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Open)->text(),
             chinese ? QStringLiteral("打开") : QStringLiteral("Open"));
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(),
             chinese ? QStringLiteral("取消") : QStringLiteral("Cancel"));
}

void TestStartup::windowIconAtEverySize()
{
    const QIcon icon = applicationIcon();
    const QList<QSize> sizes{{16, 16}, {24, 24},   {32, 32},  {48, 48},
                             {64, 64}, {128, 128}, {256, 256}};
    QCOMPARE(icon.availableSizes(), sizes);
    for (const QSize& size : sizes) {
        const QImage image = icon.pixmap(size).toImage();
        QCOMPARE(image.size(), size);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0); // drawn on a transparent ground
        QCOMPARE(qAlpha(image.pixel(size.width() / 2, size.height() / 2)), 255);
    }
}

void TestStartup::starterStockList_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("first start") << false << QByteArray();
    QTest::newRow("empty list") << true
                                << QByteArray("<?xml version=\"1.0\" encoding=\"GB18030\"?>\n"
                                              "<Quotarium version=\"1\"/>\n");
    QTest::newRow("empty file") << true << QByteArray();
    QTest::newRow("not a stock list") << true << QByteArray("junk");
}

void TestStartup::starterStockList()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, bytes);
    TempAppDir dir;
    if (present)
        QVERIFY(dir.writeFile(QStringLiteral("Stocks.xml"), bytes));
    QCOMPARE(writeStarterStockList(), !present);
    if (present) {
        QCOMPARE(dir.readFile(QStringLiteral("Stocks.xml")), bytes);
        return;
    }
    const TStockCodeDataItems items = readStocks();
    QCOMPARE(codesOf(items), (QStringList{"sh000001", "sz399001"}));
    QCOMPARE(items[0].remark, QStringLiteral("上证指数"));
    QCOMPARE(items[1].remark, QStringLiteral("深证成指"));
    QVERIFY(!writeStarterStockList()); // once only
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
