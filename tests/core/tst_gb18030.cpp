#include "core/Gb18030.h"

#include <QTest>

class TestGb18030 : public QObject
{
    Q_OBJECT
private slots:
    void gb18030ConverterExists();
    void gb18030RoundTrip_data();
    void gb18030RoundTrip();
    void decodeStopsAtNul();
};

void TestGb18030::gb18030ConverterExists()
{
    // Without the converter no Chinese text would survive a file or a reply.
    QVERIFY2(
        gb18030::isAvailable(),
        "GB18030 is not available: Qt was built without ICU; switch Gb18030.cpp to Core5Compat");
}

void TestGb18030::gb18030RoundTrip_data()
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

void TestGb18030::gb18030RoundTrip()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(gb18030::encode(text), bytes);
    QCOMPARE(gb18030::decode(bytes), text);
}

void TestGb18030::decodeStopsAtNul()
{
    const QByteArray bytes = gb18030::encode(QStringLiteral("浦发")) + '\0' + "tail";
    QCOMPARE(gb18030::decodeUntilNul(bytes), QStringLiteral("浦发"));
    QCOMPARE(gb18030::decodeUntilNul(QByteArray("\0abc", 4)), QString());
}

QTEST_MAIN(TestGb18030)
#include "tst_gb18030.moc"
