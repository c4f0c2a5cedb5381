#include "core/AppGlobals.h"

#include "TempAppDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

class TestAppGlobals : public QObject
{
    Q_OBJECT
private slots:
    void constantsAreDerived();
    void dataFilesLiveBesideTheExecutable();
    void overrideMovesBothFiles();
    void dataFolderFollowsWritability_data();
    void dataFolderFollowsWritability();
    void systemProgramFolders_data();
    void systemProgramFolders();
};

void TestAppGlobals::constantsAreDerived()
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

void TestAppGlobals::dataFilesLiveBesideTheExecutable()
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QString before = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    QCOMPARE(configFilePath(), dir + QStringLiteral("/Config.xml"));
    QCOMPARE(stocksFilePath(), dir + QStringLiteral("/Stocks.xml"));
    QDir::setCurrent(before);
}

void TestAppGlobals::overrideMovesBothFiles()
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

void TestAppGlobals::systemProgramFolders_data()
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

void TestAppGlobals::systemProgramFolders()
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

void TestAppGlobals::dataFolderFollowsWritability_data()
{
    QTest::addColumn<bool>("programFolderWritable");
    QTest::addColumn<bool>("perUserFolderExists");
    QTest::newRow("unpacked by the user") << true << false;
    QTest::newRow("installed, first start") << false << false;
    QTest::newRow("installed, later start") << false << true;
}

void TestAppGlobals::dataFolderFollowsWritability()
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

QTEST_MAIN(TestAppGlobals)
#include "tst_appglobals.moc"
