#include "core/FileDialog.h"
#include "settings/Config.h"
#include "settings/OptionForm.h"
#include "stocks/StockAlertForm.h"
#include "stocks/StockCodeList.h"
#include "stocks/StockSetForm.h"
#include "vendor_api/VkPack.h"

#include "StockFixtures.h"
#include "TempAppDir.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QTableWidget>
#include <QTest>

#include <memory>

#ifdef Q_OS_LINUX
#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
const QString STOCKS = QStringLiteral("Stocks.xml");
const QString CONFIG = QStringLiteral("Config.xml");

// Writes the program's current version of `file` with values that differ
// from the one on disk.
void saveChanged(const QString& file)
{
    if (file == STOCKS) {
        writeStocks({stockEntry(QStringLiteral("sz000002"), QStringLiteral("新"))});
    } else {
        TConfig::dataTimer = 77;
        TConfig config;
        config.save();
        TConfig::dataTimer = 30;
    }
}

// Loads `file` over values of its own and says whether they all stayed.
bool loadKeepsWhatIsInMemory(const QString& file)
{
    TStockCodeList list;
    list.items = {stockEntry(QStringLiteral("sh600000"))};
    TConfig::dataTimer = 45;
    TConfig config;
    if (file == STOCKS)
        list.load();
    else
        config.load();
    const bool kept = list.items.size() == 1 && TConfig::dataTimer == 45;
    TConfig::dataTimer = 30;
    return kept;
}

// The file's document written to a device that takes `room` bytes; what the
// writer says about it.
bool writeTo(const QString& file, FillingDevice& device)
{
    if (file == STOCKS) {
        TStockCodeList list;
        list.items = {stockEntry(QStringLiteral("sh600000"), QStringLiteral("浦发"))};
        return list.writeXml(&device);
    }
    TConfig config;
    return config.writeXml(&device);
}

#ifdef Q_OS_LINUX
bool setImmutable(const QString& path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

bool canCreateIn(const QString& dir)
{
    QFile probe(dir + QStringLiteral("/probe"));
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.remove();
    return true;
}

// Makes a directory read-only for as long as it lives. Permissions do not
// stop root, so as root the directory is made immutable instead.
class ReadOnlyDir
{
public:
    explicit ReadOnlyDir(const QString& path) : path(path)
    {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
        if (!canCreateIn(path))
            return;
        immutable = setImmutable(path, true);
    }
    ~ReadOnlyDir()
    {
        if (immutable)
            setImmutable(path, false);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    bool holds() const { return !canCreateIn(path); }

private:
    QString path;
    bool immutable = false;
};

// Makes every write of this process past `bytes` into a file fail, as a full
// disk does, for as long as it lives.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &previous);
        // The signal would end the process; the failed write is what counts.
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = previous;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }

private:
    rlimit previous{};
    void (*previousHandler)(int) = nullptr;
};
#endif
} // namespace

class TestFileFaults : public QObject
{
    Q_OBJECT
private slots:
    void failedSaveKeepsThePreviousFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("fault");
        for (const QString& file : {STOCKS, CONFIG}) {
            for (const char* fault : {"read-only directory", "disk full part-way"})
                QTest::addRow("%s, %s", qPrintable(file), fault) << file << QString(fault);
        }
    }
    void failedSaveKeepsThePreviousFile()
    {
        QFETCH(QString, file);
        QFETCH(QString, fault);
        TempAppDir dir;
        const QByteArray before =
            readTestData(file == STOCKS ? "Stocks.golden.xml" : "Config.golden.xml");
        QVERIFY(!before.isEmpty());
        QVERIFY(dir.writeFile(file, before));

#ifndef Q_OS_LINUX
        QSKIP("the faults are made with Linux's directory flags and file size limit");
#else
        if (fault == QLatin1String("read-only directory")) {
            ReadOnlyDir readOnly(dir.path());
            if (!readOnly.holds())
                QSKIP("this user can write into any directory, and it cannot be made immutable");
            saveChanged(file);
        } else {
            FileSizeLimit limit(16);
            saveChanged(file);
        }

        QCOMPARE(dir.readFile(file), before);
        // Nor is a half-written temporary file left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{file});
        // The same save succeeds once the fault is gone: the fault, not the
        // test, stopped it.
        saveChanged(file);
        QVERIFY(dir.readFile(file) != before);
#endif
    }

    void directoryInPlaceOfTheFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("Stocks.xml") << STOCKS;
        QTest::newRow("Config.xml") << CONFIG;
    }
    void directoryInPlaceOfTheFile()
    {
        QFETCH(QString, file);
        TempAppDir dir;
        QVERIFY(QDir(dir.path()).mkdir(file));
        const QString inside = file + QStringLiteral("/kept.txt");
        QVERIFY(dir.writeFile(inside, "untouched"));

        // Loading keeps what is in memory.
        QVERIFY(loadKeepsWhatIsInMemory(file));

        saveChanged(file);
        QVERIFY(QFileInfo(dir.filePath(file)).isDir());
        QCOMPARE(dir.readFile(inside), QByteArray("untouched"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{file});
    }

    void specialFileInPlaceOfTheFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("kind");
        for (const QString& file : {STOCKS, CONFIG, QStringLiteral("old.cfg")}) {
            for (const char* kind : {"named pipe", "socket", "link to a named pipe",
                                     "link to /dev/zero", "link to nothing"})
                QTest::addRow("%s, %s", qPrintable(file), kind) << file << QString(kind);
        }
    }
    void specialFileInPlaceOfTheFile()
    {
#ifndef Q_OS_LINUX
        QSKIP("named pipes and sockets are put in place with Linux's calls");
#else
        // Reading would block for ever (a pipe without a writer) or never
        // end (a device): each reads as unreadable, and what is in memory
        // stays.
        QFETCH(QString, file);
        QFETCH(QString, kind);
        TempAppDir dir;
        const QString path = dir.filePath(file);
        QLocalServer socket;
        const QString pipe = dir.filePath(QStringLiteral("pipe"));
        if (kind == QLatin1String("named pipe"))
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        else if (kind == QLatin1String("link to a named pipe"))
            QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0 &&
                    QFile::link(pipe, path));
        else if (kind == QLatin1String("socket"))
            QVERIFY(socket.listen(path));
        else if (kind == QLatin1String("link to nothing"))
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), path));
        else
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));

        if (file == QLatin1String("old.cfg")) {
            TStockSetForm form;
            const int rows = form.findChild<QTableWidget*>()->rowCount();
            fileDialog::setNextOpenFileName(path);
            form.import();
            QCOMPARE(form.findChild<QTableWidget*>()->rowCount(), rows);
            return;
        }
        QVERIFY(loadKeepsWhatIsInMemory(file));

        // Nor does a save replace it, or what a link leads to. Not tried on
        // the device: as root, a fault here would replace the machine's own.
        if (kind == QLatin1String("link to /dev/zero"))
            return;
        const QFileInfo before(path);
        saveChanged(file);
        QCOMPARE(QFileInfo(path).isSymLink(), before.isSymLink());
        QVERIFY(!QFileInfo(path).isFile());
#endif
    }

    void deviceFillingUpIsReported_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("refused"); // bytes at the end the device refuses; -1: all, -2: half
        QTest::addColumn<bool>("reported");
        for (const QString& file : {STOCKS, CONFIG}) {
            QTest::addRow("%s, takes nothing", qPrintable(file)) << file << -1 << false;
            QTest::addRow("%s, one byte short", qPrintable(file)) << file << 1 << false;
            QTest::addRow("%s, half", qPrintable(file)) << file << -2 << false;
            QTest::addRow("%s, takes all", qPrintable(file)) << file << 0 << true;
        }
    }
    void deviceFillingUpIsReported()
    {
        QFETCH(QString, file);
        QFETCH(int, refused);
        QFETCH(bool, reported);
        FillingDevice whole(1 << 20);
        QVERIFY(writeTo(file, whole));
        const qint64 size = whole.taken.size();
        QVERIFY(whole.taken.startsWith("<?xml version=\"1.0\" encoding=\"GB18030\"?>"));

        const qint64 room = refused == -1 ? 0 : refused == -2 ? size / 2 : size - refused;
        FillingDevice device(room);
        QCOMPARE(writeTo(file, device), reported);
        QCOMPARE(device.taken, whole.taken.left(room));
    }

    // A save the user asked for that failed says so and keeps the dialog;
    // once the fault is gone the same save goes through and closes it.
    void dialogSaveFailureIsReported_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::newRow("stock set editor") << QStringLiteral("stocks");
        QTest::newRow("alerts and holdings") << QStringLiteral("alerts");
        QTest::newRow("options") << QStringLiteral("options");
    }
    void dialogSaveFailureIsReported()
    {
        QFETCH(QString, dialog);
        TempAppDir dir;
        const QString file = dialog == QLatin1String("options") ? CONFIG : STOCKS;
        QVERIFY(QDir(dir.path()).mkdir(file));
        TConfig config;
        std::unique_ptr<QDialog> form;
        std::function<void()> save;
        if (dialog == QLatin1String("stocks")) {
            auto* stocks = new TStockSetForm;
            form.reset(stocks);
            save = [stocks] { stocks->save(); };
        } else if (dialog == QLatin1String("alerts")) {
            auto* alerts = new TStockAlertForm;
            form.reset(alerts);
            save = [alerts] { alerts->save(); };
        } else {
            auto* options = new TOptionForm;
            options->setConfig(&config);
            form.reset(options);
            save = [options] { options->ok(); };
        }
        form->show();
        vk::clearAskedMessageBoxes();
        vk::setNextMessageBoxAnswer(true);
        save();
        QVERIFY(form->isVisible());
        QCOMPARE(vk::askedMessageBoxes().size(), 1);
        QCOMPARE(vk::askedMessageBoxes().first().text,
                 QStringLiteral("保存失败：") + QDir::toNativeSeparators(dir.filePath(file)));
        QVERIFY(QFileInfo(dir.filePath(file)).isDir());

        QVERIFY(QDir(dir.path()).rmdir(file));
        save();
        QVERIFY(!form->isVisible());
        QVERIFY(QFileInfo(dir.filePath(file)).isFile());
        QCOMPARE(vk::askedMessageBoxes().size(), 1);
    }
};

QTEST_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
