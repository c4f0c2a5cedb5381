#include "settings/Settings.h"

#include "TempAppDir.h"

#include <QDir>
#include <QSettings>
#include <QTest>

#ifdef Q_OS_LINUX
#include <sys/stat.h>
#endif

Q_DECLARE_METATYPE(TSettings)

namespace {
bool sameValues(const TSettings& a, const TSettings& b)
{
    return a.bossKey == b.bossKey && a.opacity == b.opacity && a.trayPercent == b.trayPercent &&
           a.mainPlace == b.mainPlace && a.chartPlace == b.chartPlace &&
           a.sortColumn == b.sortColumn && a.sortOrder == b.sortOrder &&
           a.percentAlerts == b.percentAlerts;
}

TSettings changed(const std::function<void(TSettings&)>& change)
{
    TSettings settings;
    change(settings);
    return settings;
}
} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void reading_data();
    void reading();
    void keepsKeysItDoesNotKnow();
    void leavesAnythingButAFileAlone_data();
    void leavesAnythingButAFileAlone();
};

void TestSettings::roundTrip_data()
{
    QTest::addColumn<TSettings>("settings");
    QTest::newRow("defaults") << TSettings();
    QTest::newRow("everything changed") << changed([](TSettings& s) {
        s.bossKey = QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F12);
        s.opacity = TSettings::MIN_OPACITY;
        s.trayPercent = true;
        s.mainPlace = {QPoint(-1200, 35), QSize(260, 180)};
        s.chartPlace = {QPoint(10, 20), QSize(560, 400)};
        s.sortColumn = 3;
        s.sortOrder = Qt::DescendingOrder;
        // A code is any text: a "/" must not make a group of it.
        s.percentAlerts = {{{QStringLiteral("sh600000"), 0}, QStringLiteral("5")},
                           {{QStringLiteral("sh600000"), 1}, QStringLiteral(" 2.5 ")},
                           {{QStringLiteral("a/b 浦发"), 0}, QStringLiteral("1")}};
    });
    QTest::newRow("boss key off") << changed([](TSettings& s) { s.bossKey = QKeySequence(); });
}

void TestSettings::roundTrip()
{
    QFETCH(TSettings, settings);
    TempAppDir dir;
    QVERIFY(settings.save());
    TSettings read = changed([](TSettings& s) {
        s.opacity = 77;
        s.mainPlace = {QPoint(1, 1), QSize(5, 5)};
    });
    read.load();
    QVERIFY(sameValues(read, settings));
    // A second save of the same values leaves the same bytes.
    const QByteArray first = dir.readFile(QStringLiteral("Settings.ini"));
    QVERIFY(read.save());
    QCOMPARE(dir.readFile(QStringLiteral("Settings.ini")), first);
}

void TestSettings::reading_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<TSettings>("expected");
    const TSettings defaults;
    QTest::newRow("no file") << QByteArray() << defaults;
    QTest::newRow("binary rubbish") << QByteArray("\x00\xff\xfe[[=\n\x01=\x02", 10) << defaults;
    QTest::newRow("opacity below range")
        << QByteArray("[Desk]\nopacity=5\n")
        << changed([](TSettings& s) { s.opacity = TSettings::MIN_OPACITY; });
    QTest::newRow("opacity above range") << QByteArray("[Desk]\nopacity=250\n") << defaults;
    QTest::newRow("opacity not a number") << QByteArray("[Desk]\nopacity=half\n") << defaults;
    QTest::newRow("tray percent neither word")
        << QByteArray("[Desk]\ntrayPercent=yes\n") << defaults;
    QTest::newRow("boss key empty") << QByteArray("[Desk]\nbossKey=\n")
                                    << changed([](TSettings& s) { s.bossKey = QKeySequence(); });
    QTest::newRow("boss key names no key")
        << QByteArray("[Desk]\nbossKey=Ctrl+Nokey\n") << defaults;
    QTest::newRow("boss key written by hand")
        << QByteArray("[Desk]\nbossKey=Meta+B\n")
        << changed([](TSettings& s) { s.bossKey = QKeySequence(Qt::META | Qt::Key_B); });
    QTest::newRow("place without size")
        << QByteArray("[MainWindow]\npos=@Point(10 10)\n") << defaults;
    QTest::newRow("place not a point")
        << QByteArray("[ChartWindow]\npos=10\nsize=@Size(300 200)\n") << defaults;
    QTest::newRow("sort column out of range")
        << QByteArray("[QuoteTable]\nsortColumn=7\nsortOrder=descending\n")
        << changed([](TSettings& s) { s.sortOrder = Qt::DescendingOrder; });
    QTest::newRow("percent alerts with holes")
        << QByteArray("[PercentAlerts]\nsize=4\n1\\code=sz000001\n1\\place=0\n1\\limit=3\n"
                      "2\\code=sz000002\n2\\limit=3\n3\\code=sz000003\n3\\place=0\n")
        << changed([](TSettings& s) {
               s.percentAlerts = {{{QStringLiteral("sz000001"), 0}, QStringLiteral("3")}};
           });
}

void TestSettings::reading()
{
    QFETCH(QByteArray, contents);
    QFETCH(TSettings, expected);
    TempAppDir dir;
    if (!contents.isEmpty())
        QVERIFY(dir.writeFile(QStringLiteral("Settings.ini"), contents));
    TSettings read = changed([](TSettings& s) {
        s.trayPercent = true;
        s.chartPlace = {QPoint(3, 3), QSize(50, 50)};
    });
    read.load();
    QVERIFY(sameValues(read, expected));
}

void TestSettings::keepsKeysItDoesNotKnow()
{
    TempAppDir dir;
    QVERIFY(
        dir.writeFile(QStringLiteral("Settings.ini"),
                      "[Desk]\nopacity=60\nfromANewerVersion=1\n[Elsewhere]\nnote=\xe4\xbd\xa0\n"));
    TSettings settings;
    settings.load();
    QCOMPARE(settings.opacity, 60);
    settings.opacity = 90;
    QVERIFY(settings.save());
    const QSettings file(dir.settingsFile(), QSettings::IniFormat);
    QCOMPARE(file.value(QStringLiteral("Desk/opacity")).toInt(), 90);
    QCOMPARE(file.value(QStringLiteral("Desk/fromANewerVersion")).toString(), QStringLiteral("1"));
    QCOMPARE(file.value(QStringLiteral("Elsewhere/note")).toString(), QStringLiteral("你"));
}

void TestSettings::leavesAnythingButAFileAlone_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << QStringLiteral("folder");
#ifdef Q_OS_LINUX
    QTest::newRow("named pipe") << QStringLiteral("pipe");
    QTest::newRow("link to /dev/zero") << QStringLiteral("device link");
    QTest::newRow("link to nothing") << QStringLiteral("dangling link");
#endif
}

void TestSettings::leavesAnythingButAFileAlone()
{
    QFETCH(QString, kind);
    TempAppDir dir;
    const QString path = dir.settingsFile();
    if (kind == QStringLiteral("folder"))
        QVERIFY(QDir().mkdir(path));
#ifdef Q_OS_LINUX
    else if (kind == QStringLiteral("pipe"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QStringLiteral("device link"))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
#endif
    else
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("elsewhere.ini")), path));
    // A pipe without a writer would block here for ever.
    TSettings settings = changed([](TSettings& s) { s.opacity = 50; });
    settings.load();
    QVERIFY(sameValues(settings, TSettings()));
    QVERIFY(!settings.save());
    QVERIFY(!QFileInfo(path).isFile() || kind == QStringLiteral("device link"));
    QVERIFY(QFileInfo(path).exists() || QFileInfo(path).isSymLink());
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("elsewhere.ini"))));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
