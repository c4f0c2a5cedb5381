#include "core/Gb18030.h"
#include "settings/Config.h"
#include "ui/MainForm.h"

#include "FakeServices.h"
#include "TempAppDir.h"

#include <QTest>
#include <QTimer>

class TestMainFormFaults : public QObject
{
    Q_OBJECT
private slots:
    // A hand-edited Config.xml may hold any interval; the refresh timer must
    // neither run flat out nor overflow its milliseconds.
    void intervalFromConfigFile_data()
    {
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<int>("interval");
        QTest::newRow("0") << "0" << 30 * 1000;
        QTest::newRow("-5") << "-5" << 30 * 1000;
        QTest::newRow("100001") << "100001" << 30 * 1000;
        QTest::newRow("2147483647") << "2147483647" << 30 * 1000;
        QTest::newRow("-2147483648") << "-2147483648" << 30 * 1000;
        QTest::newRow("beyond int") << "4294967296" << 30 * 1000;
        QTest::newRow("1, the shortest") << "1" << 1000;
        QTest::newRow("100000, the longest") << "100000" << 100000 * 1000;
    }
    void intervalFromConfigFile()
    {
        QFETCH(QString, seconds);
        QFETCH(int, interval);
        TempAppDir dir;
        FakeServices services;
        TConfig::dataTimer = 30;
        const QString config = QStringLiteral("<?xml version=\"1.0\" encoding=\"GB18030\"?>\n"
                                              "<Quotarium version=\"1\">\n"
                                              "    <数据刷新时间 时间=\"%1\"/>\n"
                                              "</Quotarium>\n")
                                   .arg(seconds);
        QVERIFY(dir.writeFile(QStringLiteral("Config.xml"), gb18030::encode(config)));

        {
            TMainForm form;
            auto* timer = form.findChild<QTimer*>(QStringLiteral("timer"));
            QVERIFY(timer);
            QVERIFY(timer->isActive());
            QCOMPARE(timer->interval(), interval);
            QCOMPARE(TConfig::dataTimer * 1000, interval);
        }
        // What the window saves on leaving is the interval it ran with.
        const QString saved = gb18030::decode(dir.readFile(QStringLiteral("Config.xml")));
        QVERIFY2(saved.contains(QStringLiteral("<数据刷新时间 时间=\"%1\"/>").arg(interval / 1000)),
                 qPrintable(saved));
        TConfig::dataTimer = 30;
    }
};

QTEST_MAIN(TestMainFormFaults)
#include "tst_mainformfaults.moc"
