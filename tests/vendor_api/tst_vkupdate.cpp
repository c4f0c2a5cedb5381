#include "core/AppGlobals.h"
#include "vendor_api/VkPack.h"

#include "FakeHttpServer.h"

#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

class TestVkUpdate : public QObject
{
    Q_OBJECT
private slots:
    void answersOnce_data();
    void answersOnce();
    void nonWebAddressAnswersFalse();
    void destroyedWhileWaiting();
};

void TestVkUpdate::answersOnce_data()
{
    // The running build is UPDATE_DATE, 2012-02-15. Status 0: the connection
    // is dropped without a byte, -1: dropped in the middle of the body.
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("newer");
    // Qt's HTTP layer itself sends a GET once more when the connection closes
    // before any byte of an answer; the checker asks once.
    QTest::addColumn<int>("requests");
    QTest::newRow("newer") << 200 << QByteArray("date=2012-03-01\nversion=V3.1.0\n") << true << 1;
    QTest::newRow("newer, CRLF, date second")
        << 200 << QByteArray("version=V4\r\ndate=2013-01-01\r\n") << true << 1;
    QTest::newRow("same") << 200 << QByteArray("date=2012-02-15\n") << false << 1;
    QTest::newRow("older") << 200 << QByteArray("date=2011-12-31") << false << 1;
    QTest::newRow("no such day") << 200 << QByteArray("date=2012-02-30") << false << 1;
    QTest::newRow("other date form") << 200 << QByteArray("date=15.02.2099") << false << 1;
    QTest::newRow("full-width digits")
        << 200 << QStringLiteral("date=２０９９-０１-０１").toUtf8() << false << 1;
    QTest::newRow("junk") << 200 << QByteArray("<html><body>moved</body></html>") << false << 1;
    QTest::newRow("binary") << 200 << QByteArray("\xff\xfe\x00\x01 date=2099-01-01", 20) << false
                            << 1;
    QTest::newRow("empty") << 200 << QByteArray() << false << 1;
    QTest::newRow("HTTP 500") << 500 << QByteArray("date=2099-01-01") << false << 1;
    QTest::newRow("HTTP 404") << 404 << QByteArray("date=2099-01-01") << false << 1;
    QTest::newRow("dropped") << 0 << QByteArray() << false << 2;
    QTest::newRow("dropped mid-body")
        << -1 << QByteArray("date=2099-01-01\nversion=V9\n") << false << 1;
}

void TestVkUpdate::answersOnce()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, newer);
    QFETCH(int, requests);

    FakeHttpServer server;
    server.setDefaultReply(status == 0    ? HttpReply::dropped()
                           : status == -1 ? HttpReply::droppedMidBody(body)
                                          : HttpReply::withStatus(status, body));
    VkCheckUpdate checker;
    QSignalSpy spy(&checker, &VkCheckUpdate::update);
    checker.exec(server.baseUrl() + QStringLiteral("/ver.php"), PRODUCT_ID, UPDATE_DATE);
    QVERIFY(spy.wait(10000));
    // Checks that no second answer follows: it would come from events the
    // first one left queued, which this short wait delivers.
    QTest::qWait(20);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), newer);

    QCOMPARE(server.requestCount(), requests);
    for (const HttpRequestRecord& request : server.requests()) {
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, QStringLiteral("/ver.php"));
        const QUrlQuery query(request.query);
        QCOMPARE(query.queryItemValue(QStringLiteral("id")), PRODUCT_ID);
        QCOMPARE(query.queryItemValue(QStringLiteral("date")), UPDATE_DATE);
    }
}

void TestVkUpdate::nonWebAddressAnswersFalse()
{
    VkCheckUpdate checker;
    QSignalSpy spy(&checker, &VkCheckUpdate::update);
    checker.exec(QStringLiteral("file:///etc/hostname"), PRODUCT_ID, UPDATE_DATE);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toBool(), false);
}

void TestVkUpdate::destroyedWhileWaiting()
{
    FakeHttpServer server;
    server.setDefaultReply(HttpReply::noAnswer());
    auto* checker = new VkCheckUpdate;
    checker->exec(server.baseUrl() + QStringLiteral("/ver.php"), PRODUCT_ID, UPDATE_DATE);
    QVERIFY(server.waitForRequestCount(1));
    delete checker;
    QTRY_COMPARE(server.openConnections(), 0);
}

QTEST_MAIN(TestVkUpdate)
#include "tst_vkupdate.moc"
