#include "core/WebRequest.h"
#include "quotes/StockDataSet.h"

#include "FakeHttpServer.h"
#include "QuoteReplies.h"

#include <QNetworkProxyFactory>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
const char* const PROXY_VARIABLES[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                       "no_proxy",   "NO_PROXY",   "all_proxy",   "ALL_PROXY"};
} // namespace

// The desktop's proxy variables, read the way the program reads them at
// start-up, in a process of their own: no application proxy is set here.
class TestSystemProxy : public QObject
{
    Q_OBJECT
    FakeHttpServer proxy;
    QTemporaryDir noModules;

private slots:
    void initTestCase()
    {
        // Only the variables of each row, not those of whoever runs the tests.
        for (const char* name : PROXY_VARIABLES)
            qunsetenv(name);
        // Qt reads the desktop's proxies through libproxy, which reads the
        // variables on every query but lets an installed desktop module
        // (GNOME's or KDE's settings) answer instead; with no modules to load
        // the variables alone decide. It loads them once, at the first query.
        QVERIFY(noModules.isValid());
        qputenv("PX_MODULE_PATH", noModules.path().toLocal8Bit());
        proxy.setHandler([](const HttpRequestRecord& request) {
            const bool backup = request.path.startsWith(QStringLiteral("/q="));
            return HttpReply::gb18030(quoteReplyFor(codesOfQuotePath(request.path), backup));
        });
        // A name that never resolves: only the proxy can answer for it.
        web::setServiceRoot(web::Service::Quotes, QStringLiteral("http://quotes.invalid"));
        web::setServiceRoot(web::Service::QuotesBackup, QStringLiteral("http://quotes.invalid"));
        web::setDeadline(3000);
        // Debian's Qt uses the system's proxies by default already; without
        // that default the program's own call is what is tried here.
        QNetworkProxyFactory::setUseSystemConfiguration(false);
        web::useSystemProxies();
    }

    void quotesThroughTheDesktopsProxy_data()
    {
        QTest::addColumn<QByteArray>("proxyVariable");
        QTest::addColumn<QByteArray>("noProxyVariable");
        QTest::addColumn<QByteArray>("noProxy");
        QTest::addColumn<bool>("proxied");
        QTest::newRow("proxied") << QByteArray("http_proxy") << QByteArray("no_proxy")
                                 << QByteArray("localhost,example.com") << true;
        QTest::newRow("no_proxy, exact host") << QByteArray("http_proxy") << QByteArray("no_proxy")
                                              << QByteArray("localhost,quotes.invalid") << false;
        QTest::newRow("no_proxy, domain suffix")
            << QByteArray("http_proxy") << QByteArray("no_proxy") << QByteArray(".invalid")
            << false;
        QTest::newRow("upper case, proxied") << QByteArray("HTTP_PROXY") << QByteArray("NO_PROXY")
                                             << QByteArray("example.com") << true;
        QTest::newRow("upper case, no_proxy") << QByteArray("HTTP_PROXY") << QByteArray("NO_PROXY")
                                              << QByteArray("quotes.invalid") << false;
    }

    void quotesThroughTheDesktopsProxy()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows takes its proxies from Internet Options, not from the session's variables");
#endif
        QFETCH(QByteArray, proxyVariable);
        QFETCH(QByteArray, noProxyVariable);
        QFETCH(QByteArray, noProxy);
        QFETCH(bool, proxied);
        qputenv(proxyVariable.constData(), proxy.baseUrl().toLatin1());
        qputenv(noProxyVariable.constData(), noProxy);
        proxy.clearRequests();

        TStockDataSet feed;
        feed.setStockCodes({TStockCodeData{QStringLiteral("sh600000"), {}, {}, {}, {}, {}}});
        QSignalSpy arrived(&feed, &TStockDataSet::readFinished);
        QSignalSpy failed(&feed, &TStockDataSet::downloadFailed);
        feed.download();
        QVERIFY(QTest::qWaitFor([&] { return !arrived.isEmpty() || !failed.isEmpty(); }, 10000));
        qunsetenv(proxyVariable.constData());
        qunsetenv(noProxyVariable.constData());

        if (proxied) {
            QCOMPARE(arrived.size(), 1);
            QCOMPARE(feed.records().size(), size_t(1));
            QCOMPARE(feed.records().front().code, QStringLiteral("600000"));
            QCOMPARE(proxy.requestCount(), 1);
            QCOMPARE(proxy.lastRequest().host, QStringLiteral("quotes.invalid"));
            QCOMPARE(proxy.lastRequest().path, QStringLiteral("/list=sh600000"));
        } else {
            // Both services asked directly, and neither name resolves.
            QCOMPARE(failed.size(), 1);
            QCOMPARE(arrived.size(), 0);
            QCOMPARE(proxy.requestCount(), 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestSystemProxy)
#include "tst_systemproxy.moc"
