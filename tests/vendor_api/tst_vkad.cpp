#include "UrlCatcher.h"
#include "vendor_api/VkPack.h"

#include "FakeHttpServer.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {
QByteArray png(Qt::GlobalColor color, const QSize& size = QSize(8, 4))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

const QString CONFIG_PATH = QStringLiteral("/ad/ad_cfg_1.php");
} // namespace

class TestVkAd : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void staysHidden_data();
    void staysHidden();
    void showsTheImageAndOpensItsTarget();
    void rotatesThroughLoadableAds();
    void destroyedWhileLoading();

private:
    // Runs the helper against the fake site until it settles.
    void run(int interval = 5000);
    QColor shownColor() const;

    std::unique_ptr<FakeHttpServer> server;
    QHash<QString, HttpReply> routes; // path -> reply; others get 404
    std::unique_ptr<QWidget> window;
    QWidget* panel = nullptr;
    std::unique_ptr<VkAdHelper> helper;
    UrlCatcher catcher;
};

void TestVkAd::init()
{
    server = std::make_unique<FakeHttpServer>();
    routes.clear();
    server->setHandler([this](const HttpRequestRecord& r) {
        return routes.value(r.path, HttpReply::withStatus(404));
    });
    window = std::make_unique<QWidget>();
    window->resize(300, 200);
    panel = new QWidget(window.get());
    panel->setGeometry(10, 10, 160, 40);
    window->show();
    panel->setVisible(false); // as the main window leaves it
    helper = std::make_unique<VkAdHelper>();
    catcher.urls.clear();
}

void TestVkAd::cleanup()
{
    helper.reset();
    window.reset();
    server.reset();
}

void TestVkAd::run(int interval)
{
    helper->setWidget(panel);
    helper->url = server->baseUrl() + CONFIG_PATH + QStringLiteral("?id=quotarium_windows_x86_32");
    helper->interval = interval;
    QSignalSpy settled(helper.get(), &VkAdHelper::settled);
    helper->exec();
    QVERIFY(settled.wait(10000));
}

QColor TestVkAd::shownColor() const
{
    const QLabel* label = panel->findChild<QLabel*>();
    return label ? label->pixmap().toImage().pixelColor(0, 0) : QColor();
}

void TestVkAd::staysHidden_data()
{
    // Configuration status 0: the connection is dropped.
    QTest::addColumn<int>("configStatus");
    QTest::addColumn<QByteArray>("config");
    QTest::newRow("no configuration") << 404 << QByteArray();
    QTest::newRow("dropped") << 0 << QByteArray();
    QTest::newRow("empty") << 200 << QByteArray();
    QTest::newRow("junk") << 200 << QByteArray("\x01\x02garbage\n<html><body>hi</body></html>\n");
    QTest::newRow("comments only") << 200 << QByteArray("# /ad/red.png http://example.com/red\n\n");
    QTest::newRow("image missing") << 200 << QByteArray("gone.png http://example.com/t\n");
    QTest::newRow("image not an image") << 200 << QByteArray("text.png http://example.com/t\n");
    QTest::newRow("image not on the web")
        << 200 << QByteArray("file:///etc/hostname http://example.com/t\n");
    QTest::newRow("target not on the web") << 200 << QByteArray("red.png file:///bin/sh\n");
    // A host of its own does not make another scheme a web address.
    QTest::newRow("target over ftp") << 200 << QByteArray("red.png ftp://host/x\n");
    QTest::newRow("target over smb") << 200 << QByteArray("red.png smb://host/share\n");
    // Far more pixels than a small panel can show, in a small file.
    QTest::newRow("image too large") << 200 << QByteArray("huge.png http://example.com/t\n");
}

void TestVkAd::staysHidden()
{
    QFETCH(int, configStatus);
    QFETCH(QByteArray, config);
    routes[CONFIG_PATH] =
        configStatus == 0 ? HttpReply::dropped() : HttpReply::withStatus(configStatus, config);
    routes[QStringLiteral("/ad/text.png")] = HttpReply::ok("not a picture");
    routes[QStringLiteral("/ad/red.png")] = HttpReply::ok(png(Qt::red), "image/png");
    routes[QStringLiteral("/ad/huge.png")] = HttpReply::ok(png(Qt::red, {1001, 1000}), "image/png");
    run();
    QVERIFY(panel->isHidden());
    helper->click();
    QVERIFY(catcher.urls.isEmpty());
    // A comment read as an ad would name the configuration itself as its
    // image ("#..." resolves to its own address), asking for it again.
    if (configStatus != 0) {
        int asked = 0;
        for (const HttpRequestRecord& request : server->requests())
            asked += request.path == CONFIG_PATH ? 1 : 0;
        QCOMPARE(asked, 1);
    }
}

void TestVkAd::showsTheImageAndOpensItsTarget()
{
    routes[CONFIG_PATH] = HttpReply::ok("# one ad\n  img/red.png   http://example.com/target \n");
    routes[QStringLiteral("/ad/img/red.png")] = HttpReply::ok(png(Qt::red), "image/png");
    run();
    QVERIFY(panel->isVisible());
    const QLabel* label = panel->findChild<QLabel*>();
    QVERIFY(label && label->isVisible());
    QCOMPARE(shownColor(), QColor(Qt::red));
    QCOMPARE(label->pixmap().size(), panel->size()); // kept at the size shown
    QVERIFY(label->testAttribute(Qt::WA_TransparentForMouseEvents));
    QCOMPARE(label->geometry(), panel->rect());
    panel->resize(200, 50);
    QCOMPARE(label->geometry(), panel->rect());

    helper->click();
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl(QStringLiteral("http://example.com/target"))});
}

void TestVkAd::rotatesThroughLoadableAds()
{
    routes[CONFIG_PATH] = HttpReply::ok("red.png http://example.com/red\n"
                                        "gone.png http://example.com/gone\n"
                                        "/ad/blue.png http://example.com/blue\n");
    routes[QStringLiteral("/ad/red.png")] = HttpReply::ok(png(Qt::red), "image/png");
    routes[QStringLiteral("/ad/blue.png")] = HttpReply::ok(png(Qt::blue), "image/png");
    run(30);
    const QColor first = shownColor();
    QVERIFY(first == QColor(Qt::red) || first == QColor(Qt::blue));
    const QColor second = first == QColor(Qt::red) ? QColor(Qt::blue) : QColor(Qt::red);
    QTRY_COMPARE(shownColor(), second);
    QTRY_COMPARE(shownColor(), first);

    helper->click();
    const QString expected =
        shownColor() == QColor(Qt::red) ? QStringLiteral("red") : QStringLiteral("blue");
    QCOMPARE(catcher.urls.size(), 1);
    QCOMPARE(catcher.urls.at(0).path(), QStringLiteral("/") + expected);

    // The panel may die first; the helper then only keeps its timer.
    window.reset();
    QSignalSpy turned(helper->findChild<QTimer*>(), &QTimer::timeout);
    QVERIFY(turned.wait());
    helper->click();
}

void TestVkAd::destroyedWhileLoading()
{
    routes[CONFIG_PATH] = HttpReply::ok("red.png http://example.com/red\n");
    routes[QStringLiteral("/ad/red.png")] = HttpReply::noAnswer();
    helper->setWidget(panel);
    helper->url = server->baseUrl() + CONFIG_PATH;
    helper->exec();
    QVERIFY(server->waitForRequestCount(2));
    helper.reset();
    QTRY_COMPARE(server->openConnections(), 0);
    QVERIFY(panel->isHidden());
    QVERIFY(!panel->findChild<QLabel*>());
}

QTEST_MAIN(TestVkAd)
#include "tst_vkad.moc"
