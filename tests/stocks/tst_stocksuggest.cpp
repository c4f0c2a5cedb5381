#include "core/WebRequest.h"
#include "stocks/CodeCellDelegate.h"
#include "stocks/StockSetForm.h"
#include "stocks/StockSuggest.h"
#include "vendor_api/VkPack.h"

#include "FakeHttpServer.h"
#include "StockFixtures.h"
#include "TempAppDir.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTcpServer>
#include <QTest>
#include <QUrlQuery>

namespace {
const QByteArray PF = "v_hint=\"sh~600000~\\u6d66\\u53d1\\u94f6\\u884c~pfyh~GP-A^"
                      "sz~000001~\\u5e73\\u5b89\\u94f6\\u884c~payh~GP-A\";";
} // namespace

class TestStockSuggest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void readsReplies_data();
    void readsReplies();
    void editorOffersStocks_data();
    void editorOffersStocks();

private:
    std::unique_ptr<TempAppDir> dir;
    std::unique_ptr<FakeHttpServer> server;
    std::unique_ptr<TStockSetForm> form;
    QTableWidget* table() { return form->findChild<QTableWidget*>(QStringLiteral("tabStock")); }
    QString askedText(int request) const
    {
        return QUrlQuery(server->requests().at(request).query)
            .queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded);
    }
};

void TestStockSuggest::init()
{
    dir = std::make_unique<TempAppDir>();
    writeStocks({stockEntry(QStringLiteral("sz000002"), QStringLiteral("万科"))});
    server = std::make_unique<FakeHttpServer>();
    web::setServiceRoot(web::Service::Suggest, server->baseUrl());
    vk::clearAskedMessageBoxes();
}

void TestStockSuggest::cleanup()
{
    form.reset();
    web::setServiceRoot(web::Service::Suggest, QString());
    server.reset();
    dir.reset();
}

void TestStockSuggest::readsReplies_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("offered");
    QTest::newRow("escaped names, shares and an index")
        << QByteArray(PF).replace("\";", "^sh~000001~\\u4e0a\\u8bc1\\u6307\\u6570~szzs~ZS\";")
        << QStringList({QStringLiteral("浦发银行 sh600000 PFYH"),
                        QStringLiteral("平安银行 sz000001 PAYH"),
                        QStringLiteral("上证指数 sh000001 SZZS")});
    QTest::newRow("other markets dropped")
        << QByteArray("v_hint=\"hk~00700~\\u817e\\u8baf~tx~GP^us~AAPL.OQ~apple~apple~GP^"
                      "bj~430047~\\u8bfa\\u601d\\u5170\\u5fb7~nslde~GP\";")
        << QStringList({QStringLiteral("诺思兰德 bj430047 NSLDE")});
    QTest::newRow("nothing found") << QByteArray("v_hint=\"N\";") << QStringList();
    QTest::newRow("empty") << QByteArray("v_hint=\"\";") << QStringList();
    QTest::newRow("not a reply") << QByteArray("<html>502</html>") << QStringList();
    QTest::newRow("unclosed") << QByteArray("v_hint=\"sh~600000~x~x~GP-A") << QStringList();
    QTest::newRow("broken escape stays") << QByteArray("v_hint=\"sz~000002~\\u4e07\\uZZ~wk~GP-A\";")
                                         << QStringList({QStringLiteral("万\\uZZ sz000002 WK")});
    QByteArray many = "v_hint=\"";
    QStringList ten;
    for (int i = 0; i < 12; ++i) {
        many += QByteArray(i ? "^" : "") + "sh~60000" + QByteArray::number(i % 10) + "~n~n~GP-A";
        if (i < 10)
            ten << QStringLiteral("n sh60000%1 N").arg(i % 10);
    }
    QTest::newRow("ten at most") << many + "\";" << ten;
}

void TestStockSuggest::readsReplies()
{
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, offered);
    QStringList texts;
    for (const TStockSuggestion& item : suggest::parseReply(reply))
        texts << item.text();
    QCOMPARE(texts, offered);
}

void TestStockSuggest::editorOffersStocks_data()
{
    QTest::addColumn<QString>("remark"); // of the row before the edit
    QTest::addColumn<bool>("choose");    // the first offer, else Return after typing on
    QTest::addColumn<bool>("serviceUp");
    QTest::addColumn<QStringList>("row"); // code|remark after the edit
    QTest::newRow("chosen, name into the remark")
        << QString() << true << true << QStringList({"sh600000", QStringLiteral("浦发银行")});
    QTest::newRow("chosen, remark kept") << QStringLiteral("我的") << true << true
                                         << QStringList({"sh600000", QStringLiteral("我的")});
    QTest::newRow("typed on, kept as typed")
        << QString() << false << true << QStringList({"pf 1", ""});
    QTest::newRow("service down, kept as typed")
        << QString() << false << false << QStringList({"pf 1", ""});
}

void TestStockSuggest::editorOffersStocks()
{
    QFETCH(QString, remark);
    QFETCH(bool, choose);
    QFETCH(bool, serviceUp);
    QFETCH(QStringList, row);
    if (!serviceUp) {
        // A port that was free a moment ago: the connection is refused.
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        web::setServiceRoot(web::Service::Suggest,
                            QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort()));
    }
    // The newer text's answer comes first; the older one's must not follow.
    server->setHandler([](const HttpRequestRecord& request) {
        const bool older = request.query.endsWith(QLatin1String("q=pf"));
        return older ? HttpReply::ok("v_hint=\"sz~000858~old~wly~GP-A\";").delayed(1500)
                     : HttpReply::ok(PF);
    });
    form = std::make_unique<TStockSetForm>();
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    form->findChild<QPushButton*>(QStringLiteral("btnAdd"))->click();
    table()->item(1, 1)->setText(remark);
    table()->editItem(table()->item(1, 0));
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("pf"));
    QCompleter* completer = editor->findChild<TCodeCompleter*>()->completer();
    if (serviceUp) {
        QVERIFY(server->waitForRequestCount(1));
        QCOMPARE(askedText(0), QStringLiteral("pf"));
        QTest::keyClicks(editor, QStringLiteral(" 1"));
        QVERIFY(server->waitForRequestCount(2));
        QCOMPARE(askedText(1), QStringLiteral("pf 1"));
        QTRY_VERIFY(completer->popup()->isVisible());
        QCOMPARE(completer->completionModel()->rowCount(), 2);
        QCOMPARE(completer->completionModel()->index(0, 0).data().toString(),
                 QStringLiteral("浦发银行 sh600000 PFYH"));
    } else {
        QTest::keyClicks(editor, QStringLiteral(" 1"));
    }
    if (choose) {
        QTest::keyClick(completer->popup(), Qt::Key_Down);
        QTest::keyClick(completer->popup(), Qt::Key_Return);
    } else {
        if (completer->popup()->isVisible())
            QTest::keyClick(completer->popup(), Qt::Key_Return);
        else
            QTest::keyClick(editor, Qt::Key_Return);
    }
    QTRY_COMPARE(tableRows(*table()).value(1), row.join(u'|'));
    // The older answer, had it come late, would have changed the offers.
    QTest::qWait(0);
    QCOMPARE(vk::askedMessageBoxes().size(), 0);
    QCOMPARE(tableRows(*table()).value(0), QStringLiteral("sz000002|万科"));
}

QTEST_MAIN(TestStockSuggest)
#include "tst_stocksuggest.moc"
