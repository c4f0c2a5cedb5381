#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace {
// A copy of the program in a folder of its own, so that the folder is its
// data folder.
bool placeProgram(const QTemporaryDir& folder, QString& program)
{
    program = folder.filePath(QFileInfo(QStringLiteral(QUOTARIUM_PROGRAM)).fileName());
    return QFile::copy(QStringLiteral(QUOTARIUM_PROGRAM), program) &&
           QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
}

// The programs' requests go to a proxy on a closed local port, never out.
QProcessEnvironment offline()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY"})
        environment.insert(QString::fromLatin1(name), QStringLiteral("http://127.0.0.1:9"));
    environment.remove(QStringLiteral("no_proxy"));
    environment.remove(QStringLiteral("NO_PROXY"));
    return environment;
}

// Waits until all but one of `starts` have ended, each with exit code 0,
// and the last one still runs; false when that does not come within the
// time-out.
bool oneLeftRunning(std::vector<std::unique_ptr<QProcess>>& starts, QProcess*& survivor)
{
    const QDeadlineTimer deadline(20000);
    for (;;) {
        int running = 0;
        bool clean = true;
        for (const auto& start : starts) {
            if (start->state() != QProcess::NotRunning) {
                ++running;
                survivor = start.get();
            } else {
                clean =
                    clean && start->exitStatus() == QProcess::NormalExit && start->exitCode() == 0;
            }
        }
        if (!clean || running == 0)
            return false;
        if (running == 1)
            return true;
        if (deadline.hasExpired())
            return false;
        QTest::qWait(20);
    }
}
} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void secondStartBringsTheFirstForward()
    {
        QTemporaryDir folder;
        TSingleInstance first(folder.path());
        // As the program starts: the lock is taken on a thread of its own.
        first.startLocking();
        QVERIFY(first.start());
        QSignalSpy asked(&first, &TSingleInstance::activationRequested);

        // The same folder written another way is the same folder.
        TSingleInstance second(folder.path() + QStringLiteral("/."));
        QCOMPARE(second.serverName(), first.serverName());
#ifdef Q_OS_UNIX
        // So is a link to it.
        QTemporaryDir links;
        QVERIFY(QFile::link(folder.path(), links.filePath(QStringLiteral("data"))));
        QCOMPARE(TSingleInstance(links.filePath(QStringLiteral("data"))).serverName(),
                 first.serverName());
#endif
        second.startLocking();
        QVERIFY(!second.start());
        QVERIFY(asked.wait(5000));
        QCOMPARE(asked.count(), 1);

        // Another folder is another program.
        QTemporaryDir other;
        TSingleInstance elsewhere(other.path());
        QVERIFY(elsewhere.serverName() != first.serverName());
        QVERIFY(elsewhere.start());
    }

    void staleSocketDoesNotBlock()
    {
#ifndef Q_OS_UNIX
        QSKIP("Only Unix sockets are files that a crash leaves behind");
#else
        QTemporaryDir folder;
        const QString name = TSingleInstance(folder.path()).serverName();
        // What a crashed program leaves: the socket's file, nobody listening.
        QString path;
        {
            QLocalServer probe;
            QVERIFY(probe.listen(name));
            path = probe.fullServerName();
        }
        QFile leftOver(path);
        QVERIFY(leftOver.open(QIODevice::WriteOnly));
        leftOver.close();

        TSingleInstance next(folder.path());
        QVERIFY(next.start());
        // ... and it really listens now: a later start finds it.
        TSingleInstance later(folder.path());
        QVERIFY(!later.start());
#endif
    }

    // A crashed program's lock naming the ID this process has now: what a
    // restarted container or wine gives the next start.
    void lockLeftUnderOwnIdIsTakenOver()
    {
        QTemporaryDir folder;
        TSingleInstance next(folder.path());
        QFile left(next.lockFileName());
        QVERIFY(left.open(QIODevice::WriteOnly));
        left.write(QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
                   QCoreApplication::applicationName().toUtf8() + '\n' +
                   QSysInfo::machineHostName().toUtf8() + '\n');
        left.close();
        next.startLocking();
        QVERIFY(next.start());
        QVERIFY(!TSingleInstance(folder.path()).start());
    }

    // Started at the same instant, programs on one folder end as one; a lock
    // left by a killed program keeps none of the next round out.
    void simultaneousStartsOfTheProgram()
    {
        QTemporaryDir folder;
        QString program;
        QVERIFY(placeProgram(folder, program));
#ifdef Q_OS_WIN
        // Wine starts a program in about a second: a few rounds show the
        // lock works there too.
        const int rounds = 3;
#else
        // The unlocked guard let two programs through in about one round
        // of 240: enough rounds that such a fault shows.
        const int rounds = 60;
#endif
        for (int round = 0; round < rounds; ++round) {
            std::vector<std::unique_ptr<QProcess>> starts;
            for (int i = 0; i < 6; ++i) {
                starts.push_back(std::make_unique<QProcess>());
                starts.back()->setProcessEnvironment(offline());
            }
            for (const auto& start : starts)
                start->start(program, {});
            QProcess* survivor = nullptr;
            const bool one = oneLeftRunning(starts, survivor);
            // Killed, it leaves its lock and socket behind for the next round.
            if (survivor)
                survivor->kill();
            for (const auto& start : starts)
                start->waitForFinished(10000);
            QVERIFY2(one, qPrintable(QStringLiteral("round %1").arg(round)));
        }
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
