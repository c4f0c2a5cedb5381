#include "UrlCatcher.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "quotes/StockDataSet.h"
#include "quotes/StockDisplayHelper.h"
#include "settings/Config.h"
#include "stocks/StockCodeList.h"
#include "ui/MainForm.h"
#include "ui/QuoteTableLook.h"
#include "ui/StockChartForm.h"
#include "ui/TrayNotice.h"
#include "vendor_api/VkPack.h"

#include "FakeServices.h"
#include "StockFixtures.h"
#include "TempAppDir.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDesktopServices>
#include <QHelpEvent>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <memory>

namespace {
// QObject::receivers is protected; a pointer to the member reads it.
int receiverCount(const QObject* object, const char* signal)
{
    struct Access : QObject
    {
        using QObject::receivers;
    };
    int (QObject::*receivers)(const char*) const = &Access::receivers;
    return (object->*receivers)(signal);
}

// Closes whatever modal dialog opens next, as a person pressing Esc would.
void closeNextModal()
{
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
}
} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void startsWithQuotesAndMenus();
    void timerTickRequestsAgain();
    void closeHidesAndTrayShows();
    void styles_data();
    void styles();
    void styleSurvivesRestart();
    void intervalChangeRestartsTimerOnce();
    void fontsApplyWhereTheyBelong();
    void storedFontsApplyAtStart();
    void controlsFitTheWindowFont_data();
    void controlsFitTheWindowFont();
    void exitEndsTheLoopAndWritesConfig();
    void discussionOpensTheCurrentCode();
    void updatePrompt_data();
    void updatePrompt();
    void updateCheckAgainstService();
    void adPanelPressReachesTheHelper();
    void failedRefreshKeepsLastQuotes();
    void closedMarketTicksRarely_data();
    void closedMarketTicksRarely();
    void holdingsAlertsAndStatusInTooltips();

private:
    TMainForm* window() { return form.get(); }
    QTableWidget* table() { return form->findChild<QTableWidget*>(QStringLiteral("tabStock")); }
    QAction* action(const char* name) { return form->findChild<QAction*>(QLatin1String(name)); }
    // The feed's requests not yet answered: one is open as soon as it is made.
    int openQuoteRequests()
    {
        const auto replies = window()
                                 ->findChild<TStockDisplayHelper*>()
                                 ->feed()
                                 ->networkManager()
                                 ->findChildren<QNetworkReply*>();
        return int(std::count_if(replies.begin(), replies.end(),
                                 [](const QNetworkReply* reply) { return !reply->isFinished(); }));
    }
    // Counted in ticks, not time: after the open requests end, lets `count`
    // ticks pass and says after how many of them a request was open.
    int ticksThatAsked(QTimer* timer, int count)
    {
        if (!QTest::qWaitFor([&] { return openQuoteRequests() == 0; }))
            return -1;
        int ticks = 0, asked = 0;
        const QMetaObject::Connection watching = connect(timer, &QTimer::timeout, this, [&] {
            ++ticks;
            asked += openQuoteRequests() > 0 ? 1 : 0;
        });
        const bool ticked = QTest::qWaitFor([&] { return ticks >= count; });
        disconnect(watching);
        return ticked ? asked : -1;
    }

    std::unique_ptr<TempAppDir> dir;
    std::unique_ptr<FakeServices> services;
    std::unique_ptr<TMainForm> form;
    UrlCatcher urls;
};

void TestMainForm::init()
{
    dir = std::make_unique<TempAppDir>();
    services = std::make_unique<FakeServices>();
    TConfig::uiFont = QFont();
    TConfig::marketFont = QFont();
    TConfig::windowStyle = 0;
    TConfig::dataTimer = 30;
    writeStocks(stockEntries({QStringLiteral("sh600000"), QStringLiteral("sz000001")}));
    urls.urls.clear();
    vk::clearAskedMessageBoxes();
    clearAskedTrayNotices();
    // A Monday morning in Beijing: the market is open and every tick asks.
    appclock::setNow(QDateTime(QDate(2026, 12, 7), QTime(2, 0), Qt::UTC));
    form = std::make_unique<TMainForm>();
}

void TestMainForm::cleanup()
{
    form.reset();
    services.reset();
    dir.reset();
    appclock::setNow(QDateTime());
}

void TestMainForm::startsWithQuotesAndMenus()
{
    // The first request goes out from the constructor, before any tick.
    QTRY_COMPARE(services->quoteRequests().size(), 1);
    QCOMPARE(services->quoteRequests().first().path, QStringLiteral("/list=sh600000,sz000001"));
    QTRY_COMPARE(table()->rowCount(), 2);
    QCOMPARE(table()->item(0, 0)->text(), QStringLiteral("浦发银行"));
    QCOMPARE(table()->item(1, 1)->text(), QStringLiteral("000001"));

    QCOMPARE(window()->windowTitle(), QStringLiteral("Quotarium"));
    QCOMPARE(window()->size(), QSize(439, 295));
    auto* menuButton = window()->findChild<QPushButton*>(QStringLiteral("btnMenu"));
    QStringList entries;
    for (QAction* a : menuButton->menu()->actions())
        entries << a->text();
    QCOMPARE(entries, QStringList({QStringLiteral("窗口风格"), QStringLiteral("技术指标"),
                                   QStringLiteral("股票设置"), QStringLiteral("选项"),
                                   QStringLiteral("更多设置…"), QStringLiteral("关于"),
                                   QStringLiteral("退出")}));
    QVERIFY(action("actFormNormal")->isChecked());

    auto* tray = window()->findChild<QSystemTrayIcon*>();
    QVERIFY(tray);
    // The quote status follows the two lines of every start.
    QVERIFY2(tray->toolTip().startsWith(QCoreApplication::applicationName() +
                                        QStringLiteral("\n单击显示窗口\n")),
             qPrintable(tray->toolTip()));

    // The chart window follows the stock list from the start.
    auto* chart = window()->findChild<TStockChartForm*>();
    QVERIFY(chart && !chart->isVisible());
    auto* codes = chart->findChild<QComboBox*>(QStringLiteral("cbbStockNum"));
    QCOMPARE(codes->count(), 2);
    QCOMPARE(codes->itemText(1), QStringLiteral("sz000001"));

    auto* ad = window()->findChild<QWidget*>(QStringLiteral("wdtAd"));
    QVERIFY(ad->isHidden());
}

void TestMainForm::timerTickRequestsAgain()
{
    QTRY_COMPARE(services->quoteRequests().size(), 1);
    auto* timer = window()->findChild<QTimer*>(QStringLiteral("timer"));
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 30 * 1000);
    // A shorter interval stands in for waiting 30 s for the tick.
    timer->setInterval(20);
    QTRY_VERIFY(services->quoteRequests().size() >= 3);
}

void TestMainForm::closeHidesAndTrayShows()
{
    window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(window()));
    QVERIFY(!window()->close());
    QVERIFY(window()->isHidden());

    auto* tray = window()->findChild<QSystemTrayIcon*>();
    emit tray->activated(QSystemTrayIcon::Context);
    emit tray->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(window()->isHidden());
    emit tray->activated(QSystemTrayIcon::Trigger);
    QVERIFY(window()->isVisible());
    // A minimised window comes back onto the screen, not just into the task bar.
    window()->showMinimized();
    emit tray->activated(QSystemTrayIcon::Trigger);
    QVERIFY(!window()->isMinimized());

    window()->findChild<QPushButton*>(QStringLiteral("btnHide"))->click();
    QVERIFY(window()->isHidden());
}

void TestMainForm::styles_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<int>("hint");
    QTest::addColumn<int>("stored");
    QTest::newRow("top") << "actFormTop" << int(Qt::WindowStaysOnTopHint) << 1;
    QTest::newRow("bottom") << "actFormBotton" << int(Qt::WindowStaysOnBottomHint) << 2;
    QTest::newRow("normal") << "actFormNormal" << 0 << 0;
}

void TestMainForm::styles()
{
    QFETCH(QString, actionName);
    QFETCH(int, hint);
    QFETCH(int, stored);
    window()->show();
    // Start from another style so every row is a real change; then choose
    // the same style twice: it is re-applied and the window shown again.
    action(actionName == QLatin1String("actFormTop") ? "actFormBotton" : "actFormTop")->trigger();
    for (int round = 0; round < 2; ++round) {
        QAction* chosen = window()->findChild<QAction*>(actionName);
        chosen->trigger();
        QVERIFY(window()->isVisible());
        const Qt::WindowFlags flags = window()->windowFlags();
        QCOMPARE(bool(flags & Qt::WindowStaysOnTopHint), hint == Qt::WindowStaysOnTopHint);
        QCOMPARE(bool(flags & Qt::WindowStaysOnBottomHint), hint == Qt::WindowStaysOnBottomHint);
        int checked = 0;
        for (const char* name : {"actFormNormal", "actFormTop", "actFormBotton"})
            checked += action(name)->isChecked() ? 1 : 0;
        QCOMPARE(checked, 1);
        QVERIFY(chosen->isChecked());
        QCOMPARE(TConfig::windowStyle, stored);
    }
    // A tray click lifts a window kept below; once the user turns to another
    // program it is back where its style keeps it.
    emit window()->findChild<QSystemTrayIcon*>()->activated(QSystemTrayIcon::Trigger);
    QVERIFY(!(window()->windowFlags() & Qt::WindowStaysOnBottomHint));
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    QCOMPARE(bool(window()->windowFlags() & Qt::WindowStaysOnBottomHint),
             hint == Qt::WindowStaysOnBottomHint);
}

void TestMainForm::styleSurvivesRestart()
{
    action("actFormTop")->trigger();
    form.reset(); // saves Config.xml
    TConfig::windowStyle = 0;
    form = std::make_unique<TMainForm>();
    QVERIFY(action("actFormTop")->isChecked());
    QVERIFY(!action("actFormNormal")->isChecked());
    QVERIFY(window()->windowFlags() & Qt::WindowStaysOnTopHint);
}

void TestMainForm::intervalChangeRestartsTimerOnce()
{
    auto* config = window()->findChild<TConfig*>();
    QVERIFY(config);
    // The request made at start-up must be in before counting from here on.
    QTRY_COMPARE(services->quoteRequests().size(), 1);
    for (int i = 0; i < 3; ++i) {
        closeNextModal();
        action("actOption")->trigger();
    }
    // Each change reaches the window once, however often the dialog opened.
    QCOMPARE(receiverCount(config, SIGNAL(dataTimerChange(int))), 1);
    QCOMPARE(receiverCount(config, SIGNAL(uiFontChange(QFont))), 1);
    QCOMPARE(receiverCount(config, SIGNAL(marketFontChange(QFont))), 1);

    auto* timer = window()->findChild<QTimer*>(QStringLiteral("timer"));
    // The constructor's own request must have ended: while it is open, a
    // refresh asked by the change would only wait for it.
    QTRY_COMPARE(services->quoteRequests().size(), 1);
    QTRY_COMPARE(openQuoteRequests(), 0);
    config->setDataTimer(5);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 5000);
    QVERIFY(timer->remainingTime() > 4000);
    // No request at the moment of the change (one would be open at once):
    // the next comes a full interval later.
    QCOMPARE(openQuoteRequests(), 0);
}

void TestMainForm::fontsApplyWhereTheyBelong()
{
    closeNextModal();
    action("actOption")->trigger();
    auto* config = window()->findChild<TConfig*>();
    QFont ui(QStringLiteral("Serif"), 15);
    QFont market(QStringLiteral("Monospace"), 9);
    market.setItalic(true);
    config->setUiFont(ui);
    config->setMarketFont(market);
    QCOMPARE(window()->font().pointSize(), 15);
    QCOMPARE(window()->findChild<TStockChartForm*>()->font().pointSize(), 15);
    QCOMPARE(window()->findChild<QMenu*>(QStringLiteral("mainMenu"))->font().pointSize(), 15);
    QCOMPARE(window()->findChild<QMenu*>(QStringLiteral("styleMenu"))->font().pointSize(), 15);
    QCOMPARE(QApplication::font().pointSize(), 15);
    QCOMPARE(table()->font().pointSize(), 9);
    QVERIFY(table()->font().italic());
    QVERIFY(!window()->font().italic());
}

void TestMainForm::storedFontsApplyAtStart()
{
    form.reset();
    QFont market(QStringLiteral("Monospace"), 7);
    market.setItalic(true);
    TConfig::uiFont = QFont(QStringLiteral("Serif"), 17);
    TConfig::marketFont = market;
    TConfig().save();
    TConfig::uiFont = QFont();
    TConfig::marketFont = QFont();

    form = std::make_unique<TMainForm>();
    QCOMPARE(window()->font().pointSize(), 17);
    QCOMPARE(window()->findChild<QMenu*>(QStringLiteral("mainMenu"))->font().pointSize(), 17);
    QCOMPARE(window()->findChild<QMenu*>(QStringLiteral("styleMenu"))->font().pointSize(), 17);
    QCOMPARE(QApplication::font().pointSize(), 17);
    QCOMPARE(table()->font().pointSize(), 7);
    QVERIFY(table()->font().italic());
}

void TestMainForm::controlsFitTheWindowFont_data()
{
    QTest::addColumn<int>("points");
    for (int points : {9, 12, 20, 28})
        QTest::addRow("%d pt", points) << points;
}

void TestMainForm::controlsFitTheWindowFont()
{
    QFETCH(int, points);
    // Both windows on the screen at the form's sizes, then the options'
    // window font: nothing may keep what the form's font needed.
    window()->show();
    auto* chart = window()->findChild<TStockChartForm*>();
    QMetaObject::invokeMethod(window(), "showChart");
    QVERIFY(QTest::qWaitForWindowExposed(chart));
    closeNextModal();
    action("actOption")->trigger();
    window()->findChild<TConfig*>()->setUiFont(QFont(QStringLiteral("宋体"), points));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);

    // The menu button's text clear of its arrow.
    auto* menu = window()->findChild<QPushButton*>(QStringLiteral("btnMenu"));
    const int arrow = menu->style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, menu);
    QVERIFY(menu->width() >= menu->fontMetrics().horizontalAdvance(menu->text()) + arrow);
    QVERIFY(menu->height() >= menu->fontMetrics().height());
    // A combo box's own size hint is measured anew for each font.
    for (const char* name : {"cbbStockNum", "cbbChartSet"}) {
        auto* box = chart->findChild<QComboBox*>(QLatin1String(name));
        QVERIFY2(box->width() >= box->sizeHint().width(),
                 qPrintable(QStringLiteral("%1: %2 < %3")
                                .arg(QLatin1String(name))
                                .arg(box->width())
                                .arg(box->sizeHint().width())));
    }
    if (points == 12) // the form's own font: the form's layout
        QCOMPARE(chart->size(), QSize(567, 360));
}

void TestMainForm::exitEndsTheLoopAndWritesConfig()
{
    QVERIFY(!dir->exists(QStringLiteral("Config.xml")));
    QTimer::singleShot(0, action("actExit"), &QAction::trigger);
    QCOMPARE(QApplication::exec(), 0);
    form.reset();
    QVERIFY(dir->readFile(QStringLiteral("Config.xml")).contains("<Quotarium version=\"1\">"));
}

void TestMainForm::discussionOpensTheCurrentCode()
{
    QTRY_COMPARE(table()->rowCount(), 2);
    QAction* discuss = window()->findChild<QAction*>(QStringLiteral("actDiscuss"));
    QCOMPARE(discuss->text(), QStringLiteral("股票大家谈"));
    QCOMPARE(table()->contextMenuPolicy(), Qt::CustomContextMenu);

    discuss->trigger(); // no current row yet
    QCOMPARE(urls.texts(), QStringList());

    table()->setCurrentCell(0, 0);
    discuss->trigger();
    QCOMPARE(urls.texts(), QStringList(DISCUSS_URL + QStringLiteral("600000")));
}

void TestMainForm::updatePrompt_data()
{
    QTest::addColumn<bool>("update");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("questions");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("newer, look") << true << true << 1 << QStringList(SITE_URL);
    QTest::newRow("newer, cancel") << true << false << 1 << QStringList();
    QTest::newRow("no update") << false << true << 0 << QStringList();
}

void TestMainForm::updatePrompt()
{
    QFETCH(bool, update);
    QFETCH(bool, answer);
    QFETCH(int, questions);
    QFETCH(QStringList, opened);
    vk::clearAskedMessageBoxes();
    vk::setNextMessageBoxAnswer(answer);
    QVERIFY(QMetaObject::invokeMethod(window(), "haveUpdate", Q_ARG(bool, update)));
    const auto asked = vk::askedMessageBoxes();
    QCOMPARE(asked.size(), questions);
    if (questions) {
        QCOMPARE(asked.first().icon, QMessageBox::Information);
        QCOMPARE(asked.first().title, QStringLiteral("提示"));
        QCOMPARE(asked.first().text, QStringLiteral("有新版本是否查看？"));
        QCOMPARE(asked.first().button1, QStringLiteral("确定"));
        QCOMPARE(asked.first().button2, QStringLiteral("取消"));
    }
    QCOMPARE(urls.texts(), opened);
}

void TestMainForm::updateCheckAgainstService()
{
    // The window made in init() already asked; its release date was older.
    QTRY_COMPARE(services->requestsTo(QStringLiteral("/ver.php")).size(), 1);
    // Checks that no question comes: the answer to a request already received
    // is read within this short wait on any machine that runs the suite.
    QTest::qWait(50);
    QCOMPARE(vk::askedMessageBoxes().size(), 0);

    form.reset();
    services->latestRelease = QStringLiteral("2030-01-01");
    vk::setNextMessageBoxAnswer(false);
    form = std::make_unique<TMainForm>();
    QTRY_COMPARE(vk::askedMessageBoxes().size(), 1);
    const HttpRequestRecord check = services->requestsTo(QStringLiteral("/ver.php")).last();
    QCOMPARE(check.host, QStringLiteral("www.example.com"));
    QVERIFY(check.query.contains(PRODUCT_ID));
    QVERIFY(check.query.contains(UPDATE_DATE));
}

void TestMainForm::adPanelPressReachesTheHelper()
{
    form.reset();
    QImage image(200, 60, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    image.save(&png, "PNG");
    services->files.insert(QStringLiteral("/ad/one.png"), HttpReply::ok(png.data(), "image/png"));
    services->adConfig = "http://www.example.com/ad/one.png http://www.example.com/offer\n";
    form = std::make_unique<TMainForm>();
    window()->show();
    auto* ad = window()->findChild<QWidget*>(QStringLiteral("wdtAd"));
    QTRY_VERIFY(ad->isVisible());

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QVERIFY(QApplication::sendEvent(ad, &press)); // consumed by the window's filter
    QCOMPARE(urls.texts(), QStringList(QStringLiteral("http://www.example.com/offer")));

    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(ad, &release);
    QCOMPARE(urls.urls.size(), 1);
}

void TestMainForm::failedRefreshKeepsLastQuotes()
{
    // A first start without quotes says so where the rows would be.
    form.reset();
    services->quotesUp = false;
    form = std::make_unique<TMainForm>();
    auto* look = window()->findChild<TQuoteTableLook*>();
    QCOMPARE(look->emptyText(), QStringLiteral("正在获取行情…"));
    QTRY_VERIFY2(look->emptyText().endsWith(QStringLiteral(" 起（新浪、腾讯）")),
                 qPrintable(look->emptyText()));
    QVERIFY(look->emptyText().startsWith(QStringLiteral("行情获取失败，自 ")));
    services->quotesUp = true;
    auto* timer = window()->findChild<QTimer*>(QStringLiteral("timer"));
    timer->setInterval(20);
    QTRY_COMPARE(table()->rowCount(), 2);
    services->quotesUp = false;
    const int before = services->quoteRequests().size();
    QTRY_VERIFY(services->quoteRequests().size() >= before + 2);
    QCOMPARE(table()->rowCount(), 2);
    QCOMPARE(table()->item(0, 0)->text(), QStringLiteral("浦发银行"));
    // The service has the second service's request before the feed has its
    // answer, which ends the refresh.
    QTRY_VERIFY(window()->findChild<QSystemTrayIcon*>()->toolTip().contains(
        QStringLiteral("行情获取失败，自 ")));
    // Past a minute of failures the old prices turn grey, until quotes come.
    QCOMPARE(table()->item(0, 0)->foreground().color(), QColor(Qt::red));
    const QDateTime failing = appclock::now();
    appclock::setNow(failing.addSecs(61));
    QTRY_COMPARE(table()->item(0, 0)->foreground().color(), QColor(Qt::gray));
    services->quotesUp = true;
    QTRY_COMPARE(table()->item(0, 0)->foreground().color(), QColor(Qt::red));
    services->quotesUp = false;

    // Every stock deleted and saved: nothing is asked, the old rows go and
    // nothing is failing any more.
    writeStocks({});
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->findChild<QPushButton*>(QStringLiteral("btnSave"))->click();
    });
    action("actStockSet")->trigger();
    QCOMPARE(table()->rowCount(), 0);
    // A request sent for the old list just before may still be on its way
    // (the failed refreshes come twice as often, the second service asked
    // at once): the service has it once its reply has ended. Open
    // connections say nothing: the manager may keep an idle spare one to the
    // proxy for minutes.
    QNetworkAccessManager* manager =
        window()->findChild<TStockDisplayHelper*>()->feed()->networkManager();
    QTRY_VERIFY(manager->findChildren<QNetworkReply*>().isEmpty());
    const int asked = services->quoteRequests().size();
    QCOMPARE(ticksThatAsked(timer, 5), 0);
    QCOMPARE(services->quoteRequests().size(), asked);
    QCOMPARE(table()->rowCount(), 0);
    const QString tip = window()->findChild<QSystemTrayIcon*>()->toolTip();
    QVERIFY2(!tip.contains(QStringLiteral("失败")), qPrintable(tip));
    QCOMPARE(look->emptyText(), TQuoteTableLook::emptyHint());
}

void TestMainForm::closedMarketTicksRarely_data()
{
    QTest::addColumn<QDateTime>("closed");
    QTest::addColumn<bool>("holiday");
    QTest::newRow("Saturday") << QDateTime(QDate(2026, 12, 12), QTime(2, 0), Qt::UTC) << false;
    // In trading hours, but the fake service dates its quotes 2026-12-07.
    QTest::newRow("holiday Tuesday") << QDateTime(QDate(2026, 12, 8), QTime(2, 0), Qt::UTC) << true;
}

void TestMainForm::closedMarketTicksRarely()
{
    QFETCH(QDateTime, closed);
    QFETCH(bool, holiday);
    auto* timer = window()->findChild<QTimer*>(QStringLiteral("timer"));
    if (holiday) {
        // Started on the holiday: the first reply tells of it.
        QTRY_COMPARE(services->quoteRequests().size(), 1);
        form.reset();
        services->server.clearRequests();
        appclock::setNow(closed);
        form = std::make_unique<TMainForm>();
        QTRY_VERIFY(
            window()->findChild<QSystemTrayIcon*>()->toolTip().contains(QStringLiteral("\n休市")));
        QCOMPARE(services->quoteRequests().size(), 1);
        timer = window()->findChild<QTimer*>(QStringLiteral("timer"));
        timer->setInterval(20);
    } else {
        QTRY_COMPARE(services->quoteRequests().size(), 1);
        appclock::setNow(closed);
        timer->setInterval(20);
        // The first closed tick asks (the last request was in trading time).
        QTRY_COMPARE(services->quoteRequests().size(), 2);
    }
    const int asked = services->quoteRequests().size();
    QCOMPARE(ticksThatAsked(timer, 5), 0);
    QCOMPARE(services->quoteRequests().size(), asked);
    appclock::setNow(closed.addSecs(5 * 60));
    QTRY_COMPARE(services->quoteRequests().size(), asked + 1);
    QCOMPARE(ticksThatAsked(timer, 5), 0);
    QCOMPARE(services->quoteRequests().size(), asked + 1);
    QVERIFY(window()->findChild<QSystemTrayIcon*>()->toolTip().contains(QStringLiteral("\n休市")));
}

void TestMainForm::holdingsAlertsAndStatusInTooltips()
{
    form.reset();
    // The fake service prices sh600000 at 10.20 (previous close 10.00).
    TStockCodeData held = stockEntry(QStringLiteral("sh600000"));
    held.upperAlert = QStringLiteral("10.1");
    held.costPrice = QStringLiteral("9.5");
    held.holding = QStringLiteral("1000");
    // ... and sz000001 at 10.67: both alerts cross in the first refresh.
    TStockCodeData low = stockEntry(QStringLiteral("sz000001"));
    low.lowerAlert = QStringLiteral("10.8");
    writeStocks({held, low});
    form = std::make_unique<TMainForm>();
    auto* tray = window()->findChild<QSystemTrayIcon*>();
    QTRY_VERIFY(tray->toolTip().contains(QStringLiteral("行情更新于 ")));
    QCOMPARE(askedTrayNotices().size(), 1);
    const QStringList notice = askedTrayNotices().first().text.split(u'\n');
    QVERIFY2(notice.size() == 2 && notice[0].endsWith(QStringLiteral("已达上限预警 10.1")) &&
                 notice[1].endsWith(QStringLiteral("已达下限预警 10.8")),
             qPrintable(notice.join(u'|')));
    // The first row's tooltip is its holding, not the quote status.
    window()->show();
    QHelpEvent help(QEvent::ToolTip, table()->visualItemRect(table()->item(0, 0)).center(),
                    QPoint(100, 100));
    QApplication::sendEvent(table()->viewport(), &help);
    QVERIFY2(QToolTip::text().contains(QStringLiteral("持有量：1000")) &&
                 !QToolTip::text().contains(QStringLiteral("行情更新于")),
             qPrintable(QToolTip::text()));
    const QStringList lines = tray->toolTip().split(u'\n');
    QCOMPARE(lines.mid(0, 2),
             QStringList({QCoreApplication::applicationName(), QStringLiteral("单击显示窗口")}));
    QVERIFY2(lines.contains(QStringLiteral("浦发银行（sh600000）已达上限预警 10.1")) &&
                 lines.contains(QStringLiteral("总市值：10200.00")) &&
                 lines.contains(QStringLiteral("今日盈亏：+200.00")),
             qPrintable(lines.join(u'|')));

    // The alert dialog hangs off the table's context menu, after the
    // discussion page.
    QStringList entries;
    for (QAction* a : window()->findChild<QMenu*>(QStringLiteral("stockMenu"))->actions())
        entries << a->text();
    QCOMPARE(entries, QStringList({QStringLiteral("股票大家谈"), QStringLiteral("提醒与持仓…")}));
    table()->setCurrentCell(0, 0);
    QTimer::singleShot(0, [] {
        auto* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        auto* cells = modal->findChild<QTableWidget*>(QStringLiteral("tabStock"));
        QCOMPARE(cells->currentRow(), 0);
        QCOMPARE(cells->item(0, 1)->text(), QStringLiteral("浦发银行"));
        cells->item(0, 6)->setText(QStringLiteral("2000"));
        modal->findChild<QPushButton*>(QStringLiteral("btnSave"))->click();
    });
    action("actStockAlert")->trigger();
    // The new holding counts at once, before the next reply.
    QVERIFY(tray->toolTip().contains(QStringLiteral("总市值：20400.00")));
    QCOMPARE(readStocks().at(0).holding, QStringLiteral("2000"));

    // A row's tooltip begins with its quote's time and source; while the
    // first service refuses, the second one's quotes say so.
    const auto rowTip = [this] {
        QWidget* viewport = table()->viewport();
        const QPoint inRow(5, table()->rowViewportPosition(0) + 2);
        QHelpEvent help(QEvent::ToolTip, inRow, viewport->mapToGlobal(inRow));
        QApplication::sendEvent(viewport, &help);
        return QToolTip::text().section(u'\n', 0, 2);
    };
    QTRY_COMPARE(table()->rowCount(), 2);
    QCOMPARE(
        rowTip(),
        QStringLiteral("行情时间 2026-12-07 15:00:00（新浪）\n涨跌 +0.20（+2.00%）\n成本价：9.5"));
    QVERIFY(!tray->toolTip().contains(QStringLiteral("行情来自")));
    services->primaryStatus = 403;
    window()->findChild<QTimer*>(QStringLiteral("timer"))->setInterval(20);
    QTRY_VERIFY(tray->toolTip().contains(QStringLiteral("\n行情来自腾讯（新浪暂不可用）\n")));
    QCOMPARE(rowTip().section(u'\n', 0, 0), QStringLiteral("行情时间 2026-12-07 15:00:00（腾讯）"));
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
