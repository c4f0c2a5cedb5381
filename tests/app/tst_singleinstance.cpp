#include "app/SingleInstance.h"

#include <QFile>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void secondStartBringsTheFirstForward()
    {
        QTemporaryDir folder;
        TSingleInstance first(folder.path());
        QVERIFY(first.start());
        QSignalSpy asked(&first, &TSingleInstance::activationRequested);

        // The same folder written another way is the same folder.
        TSingleInstance second(folder.path() + QStringLiteral("/."));
        QCOMPARE(second.serverName(), first.serverName());
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
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
