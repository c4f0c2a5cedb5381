#include "app/Startup.h"
#include "core/AppGlobals.h"
#include "core/Gb18030.h"

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

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void gb18030ConverterExists();
    void gb18030RoundTrip_data();
    void gb18030RoundTrip();
    void decodeStopsAtNul();
    void constantsAreDerived();
    void dataFilesLiveBesideTheExecutable();
    void overrideMovesBothFiles();
    void dataFolderFollowsWritability_data();
    void dataFolderFollowsWritability();
    void systemProgramFolders_data();
    void systemProgramFolders();
    void trayIconIsEmbedded();
    void qtDialogsSpeakChinese_data();
    void qtDialogsSpeakChinese();
    void windowIconAtEverySize();
    void starterStockList_data();
    void starterStockList();
};

void TestStartup::gb18030ConverterExists()
{
    // Without the converter no Chinese text would survive a file or a reply.
    QVERIFY2(
        gb18030::isAvailable(),
        "GB18030 is not available: Qt was built without ICU; switch Gb18030.cpp to Core5Compat");
}

void TestStartup::gb18030RoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << QStringLiteral("sh600000") << QByteArray("sh600000");
    QTest::newRow("two-byte") << QStringLiteral("股票") << QByteArray::fromHex("b9c9c6b1");
    // Outside GBK, yet GB18030 gives it a two-byte code of its own.
    QTest::newRow("euro sign") << QStringLiteral("€") << QByteArray::fromHex("a2e3");
    // Outside every two-byte code: a four-byte sequence within the BMP.
    QTest::newRow("four-byte") << QStringLiteral("å") << QByteArray::fromHex("81308a32");
    QTest::newRow("supplementary")
        << QString::fromUcs4(U"\U00020000") << QByteArray::fromHex("95328236");
}

void TestStartup::gb18030RoundTrip()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(gb18030::encode(text), bytes);
    QCOMPARE(gb18030::decode(bytes), text);
}

void TestStartup::decodeStopsAtNul()
{
    const QByteArray bytes = gb18030::encode(QStringLiteral("浦发")) + '\0' + "tail";
    QCOMPARE(gb18030::decodeUntilNul(bytes), QStringLiteral("浦发"));
    QCOMPARE(gb18030::decodeUntilNul(QByteArray("\0abc", 4)), QString());
}

void TestStartup::constantsAreDerived()
{
    QVERIFY(SITE_URL.startsWith(QStringLiteral("http")));
    QVERIFY(SITE_URL.endsWith(QLatin1Char('/')));
    QCOMPARE(UPDATE_CHECK_URL, SITE_URL + QStringLiteral("ver.php"));
    QCOMPARE(AD_CONFIG_URL,
             SITE_URL + QStringLiteral("ad/ad_cfg_1.php?id=quotarium_windows_x86_32"));
    QCOMPARE(MAIL_URL, QStringLiteral("mailto:") + MAIL_ADDRESS);
    QCOMPARE(INTERNAL_NAME, QStringLiteral("Quotarium"));
    QCOMPARE(VERSION, QStringLiteral("V3.0.0"));
    QCOMPARE(UPDATE_DATE, QStringLiteral("2012-02-15"));
    QVERIFY(DISCUSS_URL.endsWith(QLatin1Char('/')));
}

void TestStartup::dataFilesLiveBesideTheExecutable()
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QString before = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    QCOMPARE(configFilePath(), dir + QStringLiteral("/Config.xml"));
    QCOMPARE(stocksFilePath(), dir + QStringLiteral("/Stocks.xml"));
    QDir::setCurrent(before);
}

void TestStartup::overrideMovesBothFiles()
{
    QString dir;
    {
        TempAppDir temp;
        dir = temp.path();
        QCOMPARE(configFilePath(), temp.configFile());
        QCOMPARE(stocksFilePath(), temp.stocksFile());
    }
    QVERIFY(!configFilePath().startsWith(dir));
}

void TestStartup::systemProgramFolders_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<bool>("system");
#ifdef Q_OS_UNIX
    QTest::newRow("package") << QStringLiteral("/usr/bin") << true;
    QTest::newRow("trailing slash") << QStringLiteral("/usr/bin/") << true;
    QTest::newRow("local install") << QStringLiteral("/usr/local/bin") << true;
#endif
    QTest::newRow("unpacked under opt") << QStringLiteral("/opt/quotarium") << false;
    QTest::newRow("unpacked at home") << QStringLiteral("/home/user/quotarium") << false;
    QTest::newRow("below usr/bin") << QStringLiteral("/usr/bin/quotarium") << false;
}

void TestStartup::systemProgramFolders()
{
    QFETCH(QString, dir);
    QFETCH(bool, system);
    QCOMPARE(isSystemProgramDir(dir), system);
    if (!system)
        return;
    // Root may write /usr/bin; the data must still go to the user's folder.
    QTemporaryDir dataHome;
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    const QString chosen = chooseDataDir(dir);
    qputenv("XDG_DATA_HOME", savedDataHome);
    QVERIFY2(chosen.startsWith(dataHome.path()), qPrintable(chosen));
}

void TestStartup::dataFolderFollowsWritability_data()
{
    QTest::addColumn<bool>("programFolderWritable");
    QTest::addColumn<bool>("perUserFolderExists");
    QTest::newRow("unpacked by the user") << true << false;
    QTest::newRow("installed, first start") << false << false;
    QTest::newRow("installed, later start") << false << true;
}

void TestStartup::dataFolderFollowsWritability()
{
    QFETCH(bool, programFolderWritable);
    QFETCH(bool, perUserFolderExists);
#ifndef Q_OS_UNIX
    if (!programFolderWritable)
        QSKIP("Windows has no permission bits that make a folder read-only for its owner");
#endif
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString program = root.filePath(QStringLiteral("bin"));
    const QString dataHome = root.filePath(QStringLiteral("data"));
    const QString perUser = dataHome + QLatin1Char('/') + QCoreApplication::applicationName();
    QVERIFY(QDir().mkpath(program));
    QVERIFY(QDir().mkpath(perUserFolderExists ? perUser : dataHome));
    const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(root.path(), readOnly | QFile::WriteOwner));
    if (!programFolderWritable)
        QVERIFY(QFile::setPermissions(program, readOnly));

#ifdef Q_OS_UNIX
    // Root may write into any folder: a run as root asks with the rights of
    // "nobody", who owns everything here except a read-only program folder.
    const bool asRoot = ::geteuid() == 0;
    const uid_t nobody = 65534;
    if (asRoot) {
        QStringList owned{dataHome};
        if (perUserFolderExists)
            owned << perUser;
        if (programFolderWritable)
            owned << program;
        for (const QString& path : owned)
            QVERIFY(::chown(QFile::encodeName(path).constData(), nobody, nobody) == 0);
    }
#endif
    const bool hadDataHome = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
#ifdef Q_OS_UNIX
    const bool dropped = !asRoot || (::setegid(nobody) == 0 && ::seteuid(nobody) == 0);
    const QString chosen = dropped ? chooseDataDir(program) : QString();
    const bool restored = !asRoot || (::seteuid(0) == 0 && ::setegid(0) == 0);
    QVERIFY(dropped && restored);
#else
    const QString chosen = chooseDataDir(program);
#endif
    if (hadDataHome)
        qputenv("XDG_DATA_HOME", savedDataHome);
    else
        qunsetenv("XDG_DATA_HOME");
    QVERIFY(QFile::setPermissions(program, readOnly | QFile::WriteOwner));

    QCOMPARE(chosen, programFolderWritable ? program : perUser);
    QVERIFY(QFileInfo(chosen).isDir());
    // The question leaves nothing behind in the program's folder.
    QCOMPARE(QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

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
