#include "core/WebRequest.h"

#include "FakeHttpServer.h"

#include <QBuffer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(HttpReply)

namespace {
constexpr qint64 LIMIT = 64 * 1024;

QByteArray png(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::green);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}
} // namespace

class TestWebRequest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        web::setTransferTimeout(0);
        web::setDeadline(0);
    }

    void replyLimits_data()
    {
        QTest::addColumn<HttpReply>("reply");
        QTest::addColumn<bool>("kept");
        // Given up for what arrived, not by a time-out: more than the limit
        // was seen before the end.
        QTest::addColumn<bool>("overflows");
        QTest::newRow("at the limit") << HttpReply::ok(QByteArray(LIMIT, 'a')) << true << false;
        QTest::newRow("at the limit, length not announced")
            << HttpReply::ok(QByteArray(LIMIT, 'a')).withoutLength() << true << false;
        QTest::newRow("one byte over")
            << HttpReply::ok(QByteArray(LIMIT + 1, 'a')) << false << false;
        QTest::newRow("one byte over, length not announced")
            << HttpReply::ok(QByteArray(LIMIT + 1, 'a')).withoutLength() << false << true;
        QTest::newRow("announces 1 GB") << HttpReply::streamed(qint64(1) << 30) << false << false;
        QTest::newRow("without end") << HttpReply::streamed(-1) << false << true;
        // 64 MB of zeros in 64 KB on the wire: the limit counts what it
        // unpacks to.
        QByteArray packed = qCompress(QByteArray(64 * 1024 * 1024, '\0'), 9);
        QTest::newRow("deflate bomb")
            << HttpReply::ok(packed.mid(4)).withHeader("Content-Encoding", "deflate") << false
            << false;
        QTest::newRow("trickles past the deadline")
            << HttpReply::streamed(-1, 1, 50) << false << false;
        QTest::newRow("never answers") << HttpReply::noAnswer() << false << false;
    }
    void replyLimits()
    {
        QFETCH(HttpReply, reply);
        QFETCH(bool, kept);
        QFETCH(bool, overflows);
        // Long time-outs where the limit is to end the reply, so that they
        // cannot end it first.
        web::setTransferTimeout(overflows ? 60000 : 300);
        web::setDeadline(overflows ? 60000 : 600);
        FakeHttpServer server;
        server.setDefaultReply(reply);
        QNetworkAccessManager manager;
        QNetworkReply* sent =
            web::get(manager, QNetworkRequest(QUrl(server.baseUrl() + "/x")), LIMIT);
        // What Qt holds for the reply, however fast the service sends.
        qint64 most = 0;
        connect(sent, &QNetworkReply::readyRead, this,
                [&] { most = qMax(most, sent->bytesAvailable()); });
        QSignalSpy finished(sent, &QNetworkReply::finished);
        QVERIFY(finished.wait(5000));
        QVERIFY2(most <= LIMIT + web::READ_AHEAD_BYTES, qPrintable(QString::number(most)));
        if (overflows)
            QVERIFY2(most > LIMIT, qPrintable(QString::number(most)));
        QCOMPARE(web::body(sent).size(), kept ? LIMIT : 0);
        delete sent;
    }

    void imageLimits_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("maxPixels");
        QTest::addColumn<QSize>("scaledTo");
        QTest::addColumn<QSize>("decoded"); // 0 x 0: refused
        QTest::newRow("advertising, at the limit")
            << png({1000, 1000}) << web::AD_IMAGE_MAX_PIXELS << QSize(200, 60) << QSize(200, 60);
        QTest::newRow("advertising, over the limit")
            << png({1001, 1000}) << web::AD_IMAGE_MAX_PIXELS << QSize(200, 60) << QSize(0, 0);
        QTest::newRow("chart, at the limit")
            << png({2000, 2000}) << web::CHART_MAX_PIXELS << QSize() << QSize(2000, 2000);
        QTest::newRow("chart, over the limit")
            << png({2001, 2000}) << web::CHART_MAX_PIXELS << QSize() << QSize(0, 0);
        QTest::newRow("not a picture")
            << QByteArray("<html>") << web::CHART_MAX_PIXELS << QSize() << QSize(0, 0);
        QTest::newRow("nothing") << QByteArray() << web::CHART_MAX_PIXELS << QSize() << QSize(0, 0);
    }
    void imageLimits()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, maxPixels);
        QFETCH(QSize, scaledTo);
        QFETCH(QSize, decoded);
        QCOMPARE(web::readImage(bytes, nullptr, maxPixels, scaledTo).size(), decoded);
    }
};

QTEST_MAIN(TestWebRequest)
#include "tst_webrequest.moc"
