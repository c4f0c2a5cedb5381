#include "core/Gb18030.h"
#include "settings/Config.h"

#include "TempAppDir.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {
const QString DECLARATION = QStringLiteral("<?xml version=\"1.0\" encoding=\"GB18030\"?>\n");
const QString SONGTI = QStringLiteral("宋体");
const QString CONFIG_XML = QStringLiteral("Config.xml");

// Built during static initialisation, as the class-level fonts are in the
// program: before the application object exists.
const QFont FONT_BEFORE_APPLICATION;

QFont makeFont(const QString& family, int size, QFont::Style style, bool strikeOut, bool underline)
{
    QFont font(family, size);
    font.setStyle(style);
    font.setStrikeOut(strikeOut);
    font.setUnderline(underline);
    return font;
}
} // namespace

class TestConfig : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup() { dir.reset(); }
    void savesTheGoldenFile();
    void withoutFileKeepsDefaultsAndSavesAll();
    void fontsFromBeforeTheApplication_data();
    void fontsFromBeforeTheApplication();
    void roundTrip_data();
    void roundTrip();
    void weightIsNotStored();
    void load_data();
    void load();
    void settersSignalOnlyRealChanges();
    void failedSaveKeepsWhatWasThere();

private:
    static void resetValues();
    std::unique_ptr<TempAppDir> dir;
};

void TestConfig::resetValues()
{
    // The values are class-level and outlive every test function.
    TConfig::uiFont = QFont();
    TConfig::marketFont = QFont();
    TConfig::windowStyle = 0;
    TConfig::dataTimer = 30;
}

void TestConfig::init()
{
    resetValues();
    dir = std::make_unique<TempAppDir>();
    QVERIFY(dir->isValid());
}

void TestConfig::savesTheGoldenFile()
{
    TConfig::uiFont = TConfig::marketFont = QFont(SONGTI, 12);
    TConfig().save();
    const QByteArray golden = readTestData(QStringLiteral("Config.golden.xml"));
    QVERIFY(!golden.isEmpty());
    QCOMPARE(dir->readFile(CONFIG_XML), golden);
}

void TestConfig::withoutFileKeepsDefaultsAndSavesAll()
{
    TConfig config;
    config.load();
    QVERIFY(TConfig::uiFont == QFont() && TConfig::marketFont == QFont());
    QVERIFY(TConfig::windowStyle == 0 && TConfig::dataTimer == 30);
    config.save();
    const QString text = gb18030::decode(dir->readFile(CONFIG_XML));
    QVERIFY(text.startsWith(DECLARATION + QStringLiteral("<Quotarium version=\"1\">\n")));
    for (const char* element : {"窗口风格 风格=\"0\"/>",
                                "界面字体 字体=", "行情字体 字体=", "数据刷新时间 时间=\"30\"/>"})
        QVERIFY2(text.contains(QStringLiteral("\n    <") + QString::fromUtf8(element)), element);
}

void TestConfig::fontsFromBeforeTheApplication_data()
{
    QTest::addColumn<QString>("document"); // empty: no Config.xml
    QTest::addColumn<QString>("family");   // empty: the application's default family
    QTest::newRow("first start, no file") << QString() << QString();
    // What a first start wrote before sizeless fonts were completed.
    QTest::newRow("file saved from sizeless fonts")
        << DECLARATION + QStringLiteral("<Quotarium version=\"1\"><界面字体 字体=\"\" 大小=\"-1\"/>"
                                        "<行情字体 字体=\"\" 大小=\"-1\"/></Quotarium>")
        << SONGTI;
}

void TestConfig::fontsFromBeforeTheApplication()
{
    QFETCH(QString, document);
    QFETCH(QString, family);
    QVERIFY2(FONT_BEFORE_APPLICATION.pointSizeF() <= 0 && FONT_BEFORE_APPLICATION.pixelSize() <= 0,
             "Qt now sizes fonts made before the application; this case is not reached");
    TConfig::uiFont = TConfig::marketFont = FONT_BEFORE_APPLICATION;
    if (!document.isEmpty())
        QVERIFY(dir->writeFile(CONFIG_XML, gb18030::encode(document)));
    TConfig config;
    QSignalSpy ui(&config, &TConfig::uiFontChange);
    config.load();
    const QFont platform;
    QVERIFY(platform.pointSizeF() > 0);
    for (const QFont& font : {TConfig::uiFont, TConfig::marketFont}) {
        QCOMPARE(font.pointSizeF(), platform.pointSizeF());
        QCOMPARE(font.family(), family.isEmpty() ? platform.family() : family);
    }
    QCOMPARE(ui.size(), 0);
}

void TestConfig::roundTrip_data()
{
    QTest::addColumn<QFont>("font");
    QTest::addColumn<int>("windowStyle");
    QTest::addColumn<int>("dataTimer");
    QTest::newRow("plain") << makeFont(SONGTI, 12, QFont::StyleNormal, false, false) << 0 << 30;
    QTest::newRow("italic, struck out")
        << makeFont(QStringLiteral("DejaVu Sans"), 9, QFont::StyleItalic, true, false) << 1 << 1;
    QTest::newRow("oblique, underlined")
        << makeFont(QStringLiteral("微软雅黑"), 20, QFont::StyleOblique, false, true) << 2
        << 100000;
}

void TestConfig::roundTrip()
{
    QFETCH(QFont, font);
    QFETCH(int, windowStyle);
    QFETCH(int, dataTimer);
    QFont market = font;
    market.setPointSize(font.pointSize() + 1);
    TConfig::uiFont = font;
    TConfig::marketFont = market;
    TConfig::windowStyle = windowStyle;
    TConfig::dataTimer = dataTimer;
    TConfig config;
    config.save();
    resetValues();
    config.load();
    // Loaded into default fonts, the five stored properties make equal fonts.
    QCOMPARE(TConfig::uiFont, font);
    QCOMPARE(TConfig::marketFont, market);
    QCOMPARE(TConfig::windowStyle, windowStyle);
    QCOMPARE(TConfig::dataTimer, dataTimer);
}

void TestConfig::weightIsNotStored()
{
    TConfig config;
    config.save();
    const QByteArray regular = dir->readFile(CONFIG_XML);
    TConfig::uiFont.setBold(true);
    config.save();
    QCOMPARE(dir->readFile(CONFIG_XML), regular);
    TConfig::uiFont.setWeight(QFont::Light);
    config.load();
    QCOMPARE(TConfig::uiFont.weight(), QFont::Light);
}

void TestConfig::load_data()
{
    // Before each load: window style 2, interval 45, UI font "Preset" 20 points.
    QTest::addColumn<QString>("document");
    QTest::addColumn<int>("windowStyle");
    QTest::addColumn<int>("dataTimer");
    QTest::addColumn<QFont>("uiFont");
    const QFont preset(QStringLiteral("Preset"), 20);
    const auto doc = [](const char* body) { return DECLARATION + QString::fromUtf8(body); };

    QTest::newRow("refresh not a number")
        << doc("<Quotarium version=\"1\"><数据刷新时间 时间=\"abc\"/></Quotarium>") << 2 << 30
        << preset;
    QTest::newRow("refresh without attribute")
        << doc("<Quotarium><数据刷新时间/></Quotarium>") << 2 << 30 << preset;
    QTest::newRow("no refresh element")
        << doc("<Quotarium version=\"1\"><窗口风格 风格=\"1\"/></Quotarium>") << 1 << 45 << preset;
    QTest::newRow("style without attribute")
        << doc("<Quotarium><窗口风格/></Quotarium>") << 0 << 45 << preset;
    QTest::newRow("empty family, no size")
        << doc("<Quotarium><界面字体 字体=\"\"/></Quotarium>") << 2 << 45 << QFont(SONGTI, 12);
    QTest::newRow("strike-out 5")
        << doc("<Quotarium><界面字体 字体=\"Arial\" 大小=\"9\" 删除线=\"5\"/></Quotarium>") << 2
        << 45 << makeFont(QStringLiteral("Arial"), 9, QFont::StyleNormal, true, false);
    QTest::newRow("pixel-sized font keeps size")
        << doc("<Quotarium><界面字体 字体=\"Arial\" 大小=\"-1\"/></Quotarium>") << 2 << 45
        << QFont(QStringLiteral("Arial"), 20);
    QTest::newRow("unknown style number")
        << doc("<Quotarium><界面字体 字体=\"Arial\" 风格=\"7\"/></Quotarium>") << 2 << 45
        << QFont(QStringLiteral("Arial"), 12);
    QTest::newRow("other root, version 1")
        << doc("<Settings version=\"1\"><数据刷新时间 时间=\"60\"/></Settings>") << 2 << 60
        << preset;
    QTest::newRow("Quotarium version 2")
        << doc("<Quotarium version=\"2\"><数据刷新时间 时间=\"60\"/></Quotarium>") << 2 << 60
        << preset;
    QTest::newRow("other root, no version")
        << doc("<Settings><数据刷新时间 时间=\"60\"/></Settings>") << 2 << 45 << preset;
    QTest::newRow("other root, version 1.0")
        << doc("<Settings version=\"1.0\"><数据刷新时间 时间=\"60\"/></Settings>") << 2 << 45
        << preset;
    QTest::newRow("empty file") << QString() << 2 << 45 << preset;
    QTest::newRow("not XML") << QStringLiteral("dataTimer=60") << 2 << 45 << preset;
    QTest::newRow("unknown child with nested children")
        << doc("<Quotarium><外观><窗口风格 风格=\"1\"/><x><y/></x></外观><数据刷新时间 "
               "时间=\"60\"/></Quotarium>")
        << 2 << 60 << preset;
    QTest::newRow("later duplicate wins")
        << doc("<Quotarium><数据刷新时间 时间=\"60\"/><数据刷新时间 时间=\"70\"/></Quotarium>") << 2
        << 70 << preset;
    QTest::newRow("malformed after root")
        << doc("<Quotarium><数据刷新时间 时间=\"60\"/><<junk <窗口风格 风格=\"1\"/></Quotarium>")
        << 2 << 60 << preset;
    QTest::newRow("all four change")
        << doc("<Quotarium><窗口风格 风格=\"1\"/><界面字体 字体=\"Arial\" 大小=\"30\" 风格=\"1\" "
               "下划线=\"1\"/>"
               "<行情字体 字体=\"Arial\"/><数据刷新时间 时间=\"90\"/></Quotarium>")
        << 1 << 90 << makeFont(QStringLiteral("Arial"), 30, QFont::StyleItalic, false, true);
    // The main window multiplies by 1000; outside 1 to 100000 the default applies.
    for (const char* out : {"0", "-5", "100001", "2147483647", "99999999999"})
        QTest::addRow("interval %s", out)
            << doc("<Quotarium><数据刷新时间 时间=\"") + QString::fromLatin1(out) +
                   QStringLiteral("\"/></Quotarium>")
            << 2 << 30 << preset;
}

void TestConfig::load()
{
    QFETCH(QString, document);
    QFETCH(int, windowStyle);
    QFETCH(int, dataTimer);
    QFETCH(QFont, uiFont);
    TConfig::windowStyle = 2;
    TConfig::dataTimer = 45;
    TConfig::uiFont = QFont(QStringLiteral("Preset"), 20);
    QVERIFY(dir->writeFile(CONFIG_XML, gb18030::encode(document)));
    TConfig config;
    QSignalSpy ui(&config, &TConfig::uiFontChange);
    QSignalSpy market(&config, &TConfig::marketFontChange);
    QSignalSpy timer(&config, &TConfig::dataTimerChange);
    config.load();
    QCOMPARE(TConfig::windowStyle, windowStyle);
    QCOMPARE(TConfig::dataTimer, dataTimer);
    QCOMPARE(TConfig::uiFont, uiFont);
    QCOMPARE(ui.size() + market.size() + timer.size(), 0); // loading never signals
}

void TestConfig::settersSignalOnlyRealChanges()
{
    TConfig config;
    QList<QVariant> seen; // each signal's value, then the stored value at that moment
    connect(&config, &TConfig::uiFontChange, this,
            [&](const QFont& f) { seen << f << TConfig::uiFont; });
    connect(&config, &TConfig::marketFontChange, this,
            [&](const QFont& f) { seen << f << TConfig::marketFont; });
    connect(&config, &TConfig::dataTimerChange, this,
            [&](int t) { seen << t << TConfig::dataTimer; });

    config.setUiFont(QFont());
    config.setMarketFont(QFont());
    config.setDataTimer(30);
    QVERIFY(seen.isEmpty());

    const QFont songti(SONGTI, 15);
    config.setUiFont(songti);
    config.setMarketFont(songti);
    config.setDataTimer(60);
    config.setUiFont(QFont(SONGTI, 15));
    config.setMarketFont(songti);
    config.setDataTimer(60);
    QCOMPARE(seen, QList<QVariant>({songti, songti, songti, songti, 60, 60}));
}

void TestConfig::failedSaveKeepsWhatWasThere()
{
    // A folder where the file should be: nothing can replace it.
    QVERIFY(QDir(dir->path()).mkdir(CONFIG_XML));
    QVERIFY(dir->writeFile(QStringLiteral("Config.xml/keep"), "previous"));
    TConfig().save();
    QCOMPARE(dir->readFile(QStringLiteral("Config.xml/keep")), QByteArray("previous"));
    QCOMPARE(QDir(dir->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList{CONFIG_XML});
}

QTEST_MAIN(TestConfig)
#include "tst_config.moc"
