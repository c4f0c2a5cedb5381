#include "core/WebRequest.h"
#include "ui/StockChartForm.h"

#include "FakeHttpServer.h"
#include "TempAppDir.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPixmap>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {
QComboBox* kindBox(TStockChartForm& form)
{
    return form.findChild<QComboBox*>(QStringLiteral("cbbChartSet"));
}

QComboBox* codeBox(TStockChartForm& form)
{
    return form.findChild<QComboBox*>(QStringLiteral("cbbStockNum"));
}

QWidget* chartArea(TStockChartForm& form)
{
    return form.findChild<QWidget*>(QStringLiteral("wdtChart"));
}

// What the chart area paints: its background texture.
QImage shownChart(TStockChartForm& form)
{
    QWidget* area = chartArea(form);
    return area->palette().brush(area->backgroundRole()).textureImage();
}

// The picture the area must show for `name` stretched to its current size.
QImage expectedChart(TStockChartForm& form, const QString& name)
{
    QPixmap source;
    source.loadFromData(readTestData(name), "GIF");
    return source.scaled(chartArea(form)->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .toImage();
}

int liveReplies(TStockChartForm& form)
{
    return int(form.networkManager()->findChildren<QNetworkReply*>().size());
}

} // namespace

class TestStockChartForm : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void addressOfEveryKind_data();
    void addressOfEveryKind();
    void addressEdges_data();
    void addressEdges();
    void hostCanBeMovedAndRestored();
    void windowIsAResizableDialog();

    void changingEitherBoxRequestsAtOnce();
    void refillWhileHiddenRequests();
    void typedCodeIsSentExactlyAsTyped_data();
    void typedCodeIsSentExactlyAsTyped();

    void gifFillsTheChartArea();
    void resizeStretchesFromTheImageAsReceived();
    void failureKeepsThePreviousChart_data();
    void failureKeepsThePreviousChart();
    void onlyTheNewestRequestIsShown();

    void repliesAreReleased();
    void closingWithARequestInFlight();
    void hungServiceIsGivenUp();

private:
    std::unique_ptr<FakeHttpServer> server;
    std::unique_ptr<TStockChartForm> form;
};

void TestStockChartForm::init()
{
    server = std::make_unique<FakeHttpServer>();
    web::setServiceRoot(web::Service::Charts, server->baseUrl());
    form = std::make_unique<TStockChartForm>();
}

void TestStockChartForm::cleanup()
{
    form.reset();
    server.reset();
    web::setServiceRoot(web::Service::Charts, QString());
    web::setTransferTimeout(0);
}

void TestStockChartForm::addressOfEveryKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("boxText");
    QTest::addColumn<QString>("path");
    const char* const rows[][2] = {
        {"日均线", "min"}, {"日K线", "daily"}, {"周K线", "weekly"}, {"月K线", "monthly"},
        {"MACD", "macd"},  {"TRIX", "trix"},   {"DMI", "dmi"},      {"EXPMA", "expma"},
        {"BRAR", "brar"},  {"CR", "cr"},       {"VR", "vr"},        {"PSY", "psy"},
        {"OBV", "obv"},    {"ASI", "asi"},     {"EMV", "emv"},      {"WVA", "wvad"},
        {"RSI", "rsi"},    {"WR", "wr"},       {"KDJ", "kdj"},      {"ROC", "roc"},
        {"MIKE", "mike"},  {"DMA", "dma"},     {"BOLL", "boll"},    {"BIAS", "bias"},
        {"CCI", "cci"},
    };
    int kind = 0;
    for (const auto& row : rows) {
        QTest::addRow("%d %s", kind, row[1])
            << kind << QString::fromUtf8(row[0])
            << QStringLiteral("/newchart/%1/n/").arg(QString::fromLatin1(row[1]));
        ++kind;
    }
}

void TestStockChartForm::addressOfEveryKind()
{
    QFETCH(int, kind);
    QFETCH(QString, boxText);
    QFETCH(QString, path);

    // The box and the address table must stay aligned entry by entry.
    QCOMPARE(kindBox(*form)->count(), 25);
    QCOMPARE(kindBox(*form)->itemText(kind), boxText);

    web::setServiceRoot(web::Service::Charts, QString());
    const QString address = TChartUrl().url(QStringLiteral("sh600000"), kind);
    QCOMPARE(address,
             web::serviceRoot(web::Service::Charts) + path + QStringLiteral("sh600000.gif"));
    const QUrl url(address);
    QCOMPARE(url.scheme(), QStringLiteral("http"));
    QVERIFY(!url.host().isEmpty());
    QCOMPARE(url.path(), path + QStringLiteral("sh600000.gif"));
}

void TestStockChartForm::addressEdges_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("expected"); // after the host
    QTest::newRow("kind -1") << QStringLiteral("sh600000") << -1 << QStringLiteral("sh600000.gif");
    QTest::newRow("kind 25") << QStringLiteral("sh600000") << 25 << QStringLiteral("sh600000.gif");
    QTest::newRow("empty code") << QString() << 1 << QStringLiteral("/newchart/daily/n/.gif");
}

void TestStockChartForm::addressEdges()
{
    QFETCH(QString, code);
    QFETCH(int, kind);
    QFETCH(QString, expected);
    const QString host =
        (kind >= 0 && kind < 25) ? web::serviceRoot(web::Service::Charts) : QString();
    QCOMPARE(TChartUrl().url(code, kind), host + expected);
}

void TestStockChartForm::hostCanBeMovedAndRestored()
{
    web::setServiceRoot(web::Service::Charts, QString());
    const QString original = TChartUrl().url(QStringLiteral("sz000001"), 2);
    web::setServiceRoot(web::Service::Charts, QStringLiteral("http://127.0.0.1:9//"));
    QCOMPARE(TChartUrl().url(QStringLiteral("sz000001"), 2),
             QStringLiteral("http://127.0.0.1:9/newchart/weekly/n/sz000001.gif"));
    web::setServiceRoot(web::Service::Charts, QString());
    QCOMPARE(TChartUrl().url(QStringLiteral("sz000001"), 2), original);
}

void TestStockChartForm::windowIsAResizableDialog()
{
    QCOMPARE(form->windowTitle(), QStringLiteral("技术指标"));
    QCOMPARE(form->size(), QSize(567, 360));
    QCOMPARE(form->windowType(), Qt::Dialog);
    QVERIFY(form->windowFlags().testFlags(Qt::WindowMinMaxButtonsHint));
    QVERIFY(codeBox(*form)->isEditable());
    QVERIFY(!form->isModal());
    // The code box's drop-down list is built when first opened, not with
    // the window, and then lists the codes.
    QVERIFY(!codeBox(*form)->findChild<QAbstractItemView*>());
    form->setStockList({QStringLiteral("sh600000"), QStringLiteral("sz000001")});
    form->show();
    codeBox(*form)->showPopup();
    QVERIFY(codeBox(*form)->view()->isVisible());
    QCOMPARE(codeBox(*form)->view()->model()->rowCount(), 2);
    codeBox(*form)->hidePopup();
}

void TestStockChartForm::changingEitherBoxRequestsAtOnce()
{
    form->setStockList({QStringLiteral("sh600000"), QStringLiteral("sz000001")});
    QVERIFY(server->waitForPath(QStringLiteral("/newchart/min/n/sh600000.gif")));

    kindBox(*form)->setCurrentIndex(4);
    QVERIFY(server->waitForPath(QStringLiteral("/newchart/macd/n/sh600000.gif")));

    codeBox(*form)->setCurrentIndex(1);
    QVERIFY(server->waitForPath(QStringLiteral("/newchart/macd/n/sz000001.gif")));
}

void TestStockChartForm::refillWhileHiddenRequests()
{
    form->setStockList({QStringLiteral("sh600000")});
    QVERIFY(server->waitForPath(QStringLiteral("/newchart/min/n/sh600000.gif")));
    form->setStockList({QStringLiteral("sz000002"), QStringLiteral("sh600036")});
    QVERIFY(server->waitForPath(QStringLiteral("/newchart/min/n/sz000002.gif")));
    QCOMPARE(codeBox(*form)->currentText(), QStringLiteral("sz000002"));
    QVERIFY(!form->isVisible());
}

void TestStockChartForm::typedCodeIsSentExactlyAsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("plain") << QStringLiteral("sh600036");
    QTest::newRow("upper case, trailing blank") << QStringLiteral("SZ000001 ");
    QTest::newRow("leading blank") << QStringLiteral(" sh601398");
    // Characters that mean something in an address stay part of the code.
    QTest::newRow("address characters") << QStringLiteral("sh60#0?1/x%41");
}

void TestStockChartForm::typedCodeIsSentExactlyAsTyped()
{
    QFETCH(QString, typed);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));

    QTest::keyClicks(codeBox(*form)->lineEdit(), typed);
    // Typing alone asks for nothing: a request would be open at once.
    QCOMPARE(liveReplies(*form), 0);

    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("btnView")), Qt::LeftButton);
    QVERIFY(server->waitForRequestCount(1));
    QCOMPARE(server->lastRequest().path, QStringLiteral("/newchart/min/n/") + typed + ".gif");
    QCOMPARE(server->lastRequest().query, QString());
}

void TestStockChartForm::gifFillsTheChartArea()
{
    server->setDefaultReply(HttpReply::ok(readTestData("chart_checker.gif"), "image/gif"));
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QVERIFY(shownChart(*form).isNull()); // nothing before the first chart

    form->setStockList({QStringLiteral("sh600000")});
    QTRY_VERIFY(!shownChart(*form).isNull());
    QVERIFY(chartArea(*form)->autoFillBackground());
    QCOMPARE(shownChart(*form).size(), chartArea(*form)->size());
    QCOMPARE(shownChart(*form), expectedChart(*form, "chart_checker.gif"));
}

void TestStockChartForm::resizeStretchesFromTheImageAsReceived()
{
    server->setDefaultReply(HttpReply::ok(readTestData("chart_checker.gif"), "image/gif"));
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    form->setStockList({QStringLiteral("sh600000")});
    QTRY_VERIFY(!shownChart(*form).isNull());

    form->resize(900, 600);
    QTRY_COMPARE(shownChart(*form).size(), chartArea(*form)->size());
    const QImage large = shownChart(*form);
    QCOMPARE(large, expectedChart(*form, "chart_checker.gif"));

    // Shrinking first must not cost the larger picture any detail.
    form->resize(300, 200);
    QTRY_COMPARE(shownChart(*form).size(), chartArea(*form)->size());
    QVERIFY(shownChart(*form).width() < large.width());
    form->resize(900, 600);
    QTRY_COMPARE(shownChart(*form).size(), large.size());
    QCOMPARE(shownChart(*form), large);
}

void TestStockChartForm::failureKeepsThePreviousChart_data()
{
    QTest::addColumn<HttpReply>("failure");
    const QByteArray otherGif = readTestData("chart_gradient.gif");
    QTest::newRow("404 carrying a gif") << HttpReply::withStatus(404, otherGif);
    QTest::newRow("500") << HttpReply::withStatus(500);
    QTest::newRow("html page") << HttpReply::ok("<html>no chart</html>", "text/html");
    QTest::newRow("empty body") << HttpReply::ok(QByteArray(), "image/gif");
    QTest::newRow("dropped") << HttpReply::dropped();
    QTest::newRow("cut mid body") << HttpReply::droppedMidBody(otherGif);
    // A small file that declares a picture of 16 megapixels.
    QByteArray hugeGif = otherGif;
    hugeGif.replace(6, 4, QByteArray("\xa0\x0f\xa0\x0f", 4));
    QTest::newRow("gif declaring 4000 x 4000") << HttpReply::ok(hugeGif, "image/gif");
    QTest::newRow("more than a chart may bring")
        << HttpReply::ok(otherGif + QByteArray(2 * 1024 * 1024, '\0'), "image/gif");
}

void TestStockChartForm::failureKeepsThePreviousChart()
{
    QFETCH(HttpReply, failure);
    server->enqueue(HttpReply::ok(readTestData("chart_checker.gif"), "image/gif"));
    server->setDefaultReply(failure);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    form->setStockList({QStringLiteral("sh600000")});
    QTRY_VERIFY(!shownChart(*form).isNull());
    QTRY_COMPARE(liveReplies(*form), 0);
    const QImage before = shownChart(*form);

    kindBox(*form)->setCurrentIndex(1);
    QVERIFY(server->waitForRequestCount(2));
    QTRY_COMPARE(liveReplies(*form), 0);
    QCOMPARE(shownChart(*form), before);

    // The image behind the picture is still the good one, not a blank.
    form->resize(700, 500);
    QTRY_COMPARE(shownChart(*form).size(), chartArea(*form)->size());
    QCOMPARE(shownChart(*form), expectedChart(*form, "chart_checker.gif"));
}

void TestStockChartForm::onlyTheNewestRequestIsShown()
{
    // The older request answers last; showing it would contradict the boxes.
    server->setHandler([](const HttpRequestRecord& r) {
        if (r.path.startsWith(QStringLiteral("/newchart/min/")))
            return HttpReply::ok(readTestData("chart_checker.gif"), "image/gif").delayed(400);
        return HttpReply::ok(readTestData("chart_gradient.gif"), "image/gif");
    });
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    form->setStockList({QStringLiteral("sh600000")});
    QVERIFY(server->waitForRequestCount(1));
    kindBox(*form)->setCurrentIndex(1);
    QVERIFY(server->waitForRequestCount(2));
    QTRY_COMPARE(liveReplies(*form), 0);
    QCOMPARE(shownChart(*form), expectedChart(*form, "chart_gradient.gif"));
}

void TestStockChartForm::repliesAreReleased()
{
    server->setDefaultReply(HttpReply::ok(readTestData("chart_gradient.gif"), "image/gif"));
    for (int i = 0; i < 200; ++i)
        form->chartView();
    QVERIFY(liveReplies(*form) > 0); // the count below would otherwise prove nothing
    QVERIFY(server->waitForRequestCount(200, 20000));
    QTRY_COMPARE_WITH_TIMEOUT(liveReplies(*form), 0, 10000);
}

void TestStockChartForm::closingWithARequestInFlight()
{
    server->setDefaultReply(HttpReply::noAnswer());
    form->chartView();
    QVERIFY(server->waitForRequestCount(1));
    QCOMPARE(server->openConnections(), 1);
    form.reset();
    // The window takes its request with it instead of leaving it to finish.
    QTRY_COMPARE(server->openConnections(), 0);
}

void TestStockChartForm::hungServiceIsGivenUp()
{
    // The default of 15 s is shortened so the suite need not wait for it.
    web::setTransferTimeout(600);
    server->setDefaultReply(HttpReply::noAnswer());
    QElapsedTimer sent;
    sent.start();
    form->chartView();
    QVERIFY(server->waitForRequestCount(1));
    QTRY_COMPARE_WITH_TIMEOUT(liveReplies(*form), 0, 5000);
    // Not given up before its time; timers may fire a little early.
    QVERIFY2(sent.elapsed() >= 550, qPrintable(QString::number(sent.elapsed())));
}

QTEST_MAIN(TestStockChartForm)
#include "tst_stockchartform.moc"
