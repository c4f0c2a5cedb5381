#include "ui/MainForm.h"

#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "quotes/QuoteWatch.h"
#include "quotes/StockDisplayHelper.h"
#include "quotes/TextNumber.h"
#include "settings/Config.h"
#include "settings/OptionForm.h"
#include "settings/Settings.h"
#include "stocks/StockAlertForm.h"
#include "stocks/StockSetForm.h"
#include "ui/AboutForm.h"
#include "ui/GlobalHotKey.h"
#include "ui/MoreSettingsForm.h"
#include "ui/QuoteTableLook.h"
#include "ui/StockChartForm.h"
#include "ui/TrayNotice.h"
#include "ui/TrayPercentIcon.h"
#include "ui/WindowPlace.h"
#include "ui_MainForm.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QHelpEvent>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

#include <optional>
#include <utility>

namespace {
// The flags of a style replace all others; a number that names no style has
// none, and the window keeps what it has.
std::optional<Qt::WindowFlags> styleFlags(const QVariant& style)
{
    if (!style.isValid())
        return std::nullopt;
    switch (style.toInt()) {
    case TConfig::NormalStyle:
        return Qt::Window;
    case TConfig::TopStyle:
        return Qt::WindowStaysOnTopHint;
    case TConfig::BottomStyle:
        return Qt::WindowStaysOnBottomHint;
    default:
        return std::nullopt;
    }
}
} // namespace

TMainForm::TMainForm(QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui_TMainForm>()), adHelper(nullptr),
      watch(std::make_unique<TQuoteWatch>()), settings(std::make_unique<TSettings>())
{
    ui->setupUi(this);
    formSize = size();
    createMenus();
    // A null reference stands for the desktop.
    vk::moveCenter(this, nullptr);

    displayHelper = new TStockDisplayHelper(this);
    displayHelper->setTable(ui->tabStock);
    timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("timer"));

    config = new TConfig(this);
    config->load();
    settings->load();
    displayHelper->setSort(settings->sortColumn, settings->sortOrder);
    connect(displayHelper, &TStockDisplayHelper::sortChanged, this,
            [this](int column, Qt::SortOrder order) {
                settings->sortColumn = column;
                settings->sortOrder = order;
                settings->save();
            });
    watch->setPercentAlerts(settings->percentAlerts);
    setFont(TConfig::uiFont);
    mainMenu->setFont(TConfig::uiFont);
    styleMenu->setFont(TConfig::uiFont);
    QApplication::setFont(TConfig::uiFont);
    // An always-on-top ticker is expected to stay so after a restart.
    if (QAction* restored = styleAction(TConfig::windowStyle)) {
        restored->setChecked(true);
        applyFormStyle(restored);
    }

    connect(displayHelper, &TStockDisplayHelper::stockCodeChanged, this,
            &TMainForm::stockCodeChanged);
    connect(timer, &QTimer::timeout, this, &TMainForm::refreshTick);
    connect(ui->btnHide, &QPushButton::clicked, this, &TMainForm::hideAllWindow);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                // The user turned to another program: a window kept below goes back.
                if (lifted && state != Qt::ApplicationActive) {
                    lifted = false;
                    if (TConfig::windowStyle == TConfig::BottomStyle)
                        setStaysBelow(true);
                }
            });
    connect(displayHelper, &TStockDisplayHelper::quotesShown, this, &TMainForm::quotesArrived);
    connect(displayHelper, &TStockDisplayHelper::refreshFailed, this, &TMainForm::quotesFailed);
    ui->tabStock->viewport()->installEventFilter(this);

    displayHelper->loadStockCodes();
    requestQuotes();
    // Quotes first: a request leaves as soon as it is made, and what asks
    // for the advertising can wait for it. So can everything below, which
    // the reply is not needed for and which is done before the window is
    // shown: measuring the table's texts, the window's size and place, and
    // the chart window, whose first chart would otherwise start its own
    // network thread ahead of the quotes.
    initAd();

    // Its first use loads the font files for Chinese text.
    ui->tabStock->setFont(TConfig::marketFont);
    tableLook = new TQuoteTableLook(ui->tabStock);
    chartForm = new TStockChartForm(this);
    stockCodeChanged(std::exchange(firstItems, {}));
    // Centred again at the size the fonts ask for; a place the user left it
    // at, where it is still on a screen, wins over both.
    fitToFonts();
    if (!restoreWindowPlace(this, settings->mainPlace))
        vk::moveCenter(this, nullptr);
    restoreWindowPlace(chartForm, settings->chartPlace);
    setWindowOpacity(settings->opacity / 100.0);
    placeTimer = new QTimer(this);
    placeTimer->setSingleShot(true);
    // A drag moves the window many times a second; the place is written once
    // it has come to rest.
    placeTimer->setInterval(500);
    connect(placeTimer, &QTimer::timeout, this, &TMainForm::storePlaces);
    chartForm->installEventFilter(this);
    bossKey = new TGlobalHotKey(this);
    connect(bossKey, &TGlobalHotKey::pressed, this, &TMainForm::bossKeyPressed);
    bossKey->setKey(settings->bossKey);

    timer->start(TConfig::dataTimer * 1000);

    updateChecker = std::make_unique<VkCheckUpdate>(nullptr);
    checkUpdate();
    createStockMenu();
    createTrayIcon();
}

TMainForm::~TMainForm()
{
    config->save();
    storePlaces();
    chartForm->removeEventFilter(this);
    // The advertising object takes its own widgets off the panel as it goes,
    // and the children go after this window's own part: neither may report
    // to it any more.
    ui->wdtAd->removeEventFilter(this);
    ui->tabStock->viewport()->removeEventFilter(this);
}

void TMainForm::createMenus()
{
    mainMenu = new QMenu(this);
    mainMenu->setObjectName(QStringLiteral("mainMenu"));
    ui->btnMenu->setMenu(mainMenu);

    styleMenu = mainMenu->addMenu(QStringLiteral("窗口风格"));
    styleMenu->setObjectName(QStringLiteral("styleMenu"));
    styleMenu->addAction(ui->actFormNormal);
    styleMenu->addAction(ui->actFormTop);
    styleMenu->addAction(ui->actFormBotton);

    mainMenu->addAction(ui->actChart);
    mainMenu->addAction(ui->actStockSet);
    mainMenu->addAction(ui->actOption);
    QAction* more = mainMenu->addAction(QStringLiteral("更多设置…"));
    more->setObjectName(QStringLiteral("actMoreSettings"));
    more->setToolTip(QStringLiteral("老板键、不透明度、开机启动、托盘涨跌幅"));
    connect(more, &QAction::triggered, this, &TMainForm::showMoreSettings);
    mainMenu->addAction(ui->actAbout);
    mainMenu->addAction(ui->actExit);

    ui->actFormNormal->setData(TConfig::NormalStyle);
    ui->actFormTop->setData(TConfig::TopStyle);
    ui->actFormBotton->setData(TConfig::BottomStyle);
    auto* group = new QActionGroup(this);
    ui->actFormNormal->setChecked(true);
    group->addAction(ui->actFormNormal);
    group->addAction(ui->actFormTop);
    group->addAction(ui->actFormBotton);
    connect(group, &QActionGroup::triggered, this, &TMainForm::setFormStyle);
}

void TMainForm::initAd()
{
    ui->wdtAd->setVisible(false);
    ui->wdtAd->installEventFilter(this);
    adHelper.setWidget(ui->wdtAd);
    adHelper.url = AD_CONFIG_URL;
    adHelper.interval = 5000;
    adHelper.exec();
}

void TMainForm::checkUpdate()
{
    connect(updateChecker.get(), &VkCheckUpdate::update, this, &TMainForm::haveUpdate);
    updateChecker->exec(UPDATE_CHECK_URL, PRODUCT_ID, UPDATE_DATE);
}

void TMainForm::createStockMenu()
{
    stockMenu = new QMenu(this);
    stockMenu->setObjectName(QStringLiteral("stockMenu"));
    QAction* discuss = stockMenu->addAction(QStringLiteral("股票大家谈"));
    discuss->setObjectName(QStringLiteral("actDiscuss"));
    ui->tabStock->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->tabStock, &QWidget::customContextMenuRequested, this,
            &TMainForm::customContextMenuRequested);
    connect(discuss, &QAction::triggered, this, &TMainForm::stockMenuClick);
    QAction* alert = stockMenu->addAction(QStringLiteral("提醒与持仓…"));
    alert->setObjectName(QStringLiteral("actStockAlert"));
    connect(alert, &QAction::triggered, this, &TMainForm::showStockAlert);
}

void TMainForm::createTrayIcon()
{
    trayIcon = new QSystemTrayIcon(trayPlainIcon(), this);
    updateTrayToolTip();
    trayIcon->setVisible(true);
    connect(trayIcon, &QSystemTrayIcon::activated, this, &TMainForm::showAllWindow);
}

QAction* TMainForm::styleAction(int style) const
{
    for (QAction* action : styleMenu->actions()) {
        if (action->data() == QVariant(style))
            return action;
    }
    return nullptr;
}

bool TMainForm::applyFormStyle(QAction* a)
{
    const std::optional<Qt::WindowFlags> flags = styleFlags(a->data());
    if (!flags)
        return false;
    setWindowFlags(*flags);
    return true;
}

void TMainForm::setFormStyle(QAction* a)
{
    lifted = false;
    if (applyFormStyle(a))
        TConfig::setWindowStyle(a->data().toInt());
    // New flags hide a visible window.
    setVisible(true);
}

void TMainForm::showAbout()
{
    TAboutForm about(this);
    about.setFont(TConfig::uiFont);
    about.exec();
}

void TMainForm::showChart()
{
    chartForm->setFont(TConfig::uiFont);
    chartForm->setVisible(true);
}

void TMainForm::showStockSet()
{
    TStockSetForm stockSet(this);
    connect(&stockSet, &TStockSetForm::stockSetChange, this, &TMainForm::stockSetChange);
    stockSet.setFont(TConfig::uiFont);
    stockSet.exec();
}

void TMainForm::showOption()
{
    TOptionForm option(this);
    option.setConfig(config);
    // The dialog is made anew each time, the store lives on: connecting on
    // every opening would deliver each later change once per opening.
    if (!configSignalsConnected) {
        connect(config, &TConfig::uiFontChange, this, &TMainForm::uiFontChange);
        connect(config, &TConfig::marketFontChange, this, &TMainForm::marketFontChange);
        connect(config, &TConfig::dataTimerChange, this, &TMainForm::dataTimerChange);
        configSignalsConnected = true;
    }
    option.exec();
}

void TMainForm::stockCodeChanged(TStockCodeDataItems items)
{
    // The first list comes while the window is made, and the first request
    // needs none of what is done with it here: it waits for that to go.
    if (!chartForm) {
        firstItems = std::move(items);
        return;
    }
    watch->setStocks(items);
    updateTrayToolTip();
    updateQuoteState();
    QStringList codes;
    codes.reserve(qsizetype(items.size()));
    for (const TStockCodeData& item : items)
        codes << item.code;
    chartForm->setStockList(codes);
}

void TMainForm::exitApp()
{
    QCoreApplication::exit(0);
}

void TMainForm::uiFontChange(QFont font)
{
    setFont(font);
    chartForm->setFont(font);
    mainMenu->setFont(font);
    styleMenu->setFont(font);
    QApplication::setFont(TConfig::uiFont);
    fitToFonts();
}

void TMainForm::marketFontChange(QFont font)
{
    ui->tabStock->setFont(font);
    fitToFonts();
}

void TMainForm::fitToFonts()
{
    // Layouts learn of a new font through posted events; the size is taken
    // from what they ask for once they have.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (QLayout* layout = this->layout())
        layout->activate();
    const QSize needed = formSize.expandedTo(minimumSizeHint());
    if (!isMaximized() && !isFullScreen())
        resize(needed);
}

void TMainForm::dataTimerChange(int time)
{
    timer->stop();
    timer->start(time * 1000);
}

void TMainForm::haveUpdate(bool update)
{
    if (!update)
        return;
    if (vk::messageBox(QMessageBox::Information, QStringLiteral("提示"),
                       QStringLiteral("有新版本是否查看？"), QStringLiteral("确定"),
                       QStringLiteral("取消"), this))
        vk::openUrl(SITE_URL);
}

void TMainForm::stockSetChange()
{
    displayHelper->loadStockCodes();
    requestQuotes();
}

void TMainForm::stockMenuClick()
{
    const int row = ui->tabStock->currentRow();
    if (row < 0)
        return;
    const QTableWidgetItem* item = ui->tabStock->item(row, 1);
    if (!item)
        return;
    vk::openUrl(DISCUSS_URL + item->text());
}

void TMainForm::customContextMenuRequested(QPoint pos)
{
    Q_UNUSED(pos);
    stockMenu->exec(QCursor::pos());
}

void TMainForm::hideAllWindow()
{
    setVisible(false);
}

void TMainForm::showAllWindow(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger)
        bringForward();
}

bool TMainForm::eventFilter(QObject* obj, QEvent* event)
{
    if (obj == chartForm) {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
            placeTimer->start();
        return false;
    }
    if (obj == ui->tabStock->viewport() && event->type() == QEvent::ToolTip)
        return showTableToolTip(event);
    if (obj == ui->wdtAd) {
        if (event->type() == QEvent::MouseButtonPress) {
            adHelper.click();
            return true;
        }
        return false;
    }
    return QMainWindow::eventFilter(obj, event);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    event->ignore();
    setVisible(false);
}

void TMainForm::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    if (placeTimer)
        placeTimer->start();
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (placeTimer)
        placeTimer->start();
}

void TMainForm::storePlaces()
{
    placeTimer->stop();
    const TWindowPlace main = windowPlace(this);
    // The chart window has a place once it has been shown or was given one.
    const TWindowPlace chart =
        chartForm->testAttribute(Qt::WA_WState_ExplicitShowHide) || !settings->chartPlace.isEmpty()
            ? windowPlace(chartForm)
            : TWindowPlace();
    if (main == settings->mainPlace && chart == settings->chartPlace)
        return;
    settings->mainPlace = main;
    settings->chartPlace = chart;
    // Failures are silent here: nobody asked for this save.
    settings->save();
}

void TMainForm::showMoreSettings()
{
    TMoreSettingsForm form(settings.get(), bossKey, this);
    connect(&form, &TMoreSettingsForm::settingsChanged, this, &TMainForm::applySettings);
    form.exec();
}

void TMainForm::applySettings()
{
    setWindowOpacity(settings->opacity / 100.0);
    if (bossKey->state() == TGlobalHotKey::State::Off && !settings->bossKey.isEmpty())
        bossKey->setKey(settings->bossKey);
    updateTrayPicture();
}

void TMainForm::bossKeyPressed()
{
    if (bossActive) {
        restoreBossHidden();
        return;
    }
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    bossHidden.clear();
    // The main window first, so that it comes back under its dialogs.
    if (isVisible())
        bossHidden << this;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = window->windowType();
        if (window != this && window->isVisible() && type != Qt::Popup && type != Qt::ToolTip)
            bossHidden << window;
    }
    for (const QPointer<QWidget>& window : std::as_const(bossHidden)) {
        // A window the window manager placed is placed anew when it is shown
        // again, elsewhere; pinned where it is, it comes back there.
        window->move(window->pos());
        // The widget's own hiding: a dialog's would end its exec() as if the
        // user had cancelled it.
        window->QWidget::setVisible(false);
    }
    if (trayIcon)
        trayIcon->hide();
    bossActive = true;
}

void TMainForm::restoreBossHidden()
{
    bossActive = false;
    const QList<QPointer<QWidget>> hidden = bossHidden;
    bossHidden.clear();
    for (const QPointer<QWidget>& window : hidden) {
        if (window)
            window->setVisible(true);
    }
    if (trayIcon)
        trayIcon->show();
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

void TMainForm::updateTrayPicture()
{
    if (!trayIcon)
        return;
    const bool percent = settings->trayPercent && firstPercent.has_value();
    if (percent)
        trayIcon->setIcon(trayPercentIcon(*firstPercent, quotesFailing));
    else if (trayShowsPercent)
        trayIcon->setIcon(trayPlainIcon());
    trayShowsPercent = percent;
}

void TMainForm::bringForward()
{
    // Someone asked for the window: whatever the boss key hid comes back.
    if (bossActive)
        restoreBossHidden();
    if (windowFlags() & Qt::WindowStaysOnBottomHint) {
        setStaysBelow(false);
        lifted = true;
    }
    const auto toFront = [](QWidget* window) {
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->setVisible(true);
        window->raise();
        window->activateWindow();
    };
    toFront(this);
    // A modal dialog blocks the window, so it comes along and in front of it:
    // else the program would seem to ignore the user.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this)
        toFront(modal);
}

void TMainForm::setStaysBelow(bool below)
{
    // The style's own flags, so lifting and lowering never drift from the
    // styles the menu sets.
    const Qt::WindowFlags flags =
        Qt::Window | *styleFlags(below ? TConfig::BottomStyle : TConfig::NormalStyle);
    overrideWindowFlags(flags);
    if (QWindow* native = windowHandle())
        native->setFlags(flags);
}

void TMainForm::requestQuotes()
{
    refreshPolicy.requested(appclock::now());
    displayHelper->display();
}

void TMainForm::refreshTick()
{
    const QDateTime now = appclock::now();
    if (refreshPolicy.tickMayRequest(now, watch->holiday(now)))
        requestQuotes();
    // "休市" and old quotes come with the clock, not with replies.
    updateTrayToolTip();
    updateQuoteState();
}

void TMainForm::quotesArrived(const TStockDataItems& records)
{
    const QStringList crossed = watch->quotesArrived(
        records, appclock::now(), displayHelper->quoteTimes(), displayHelper->recordsSource());
    // The list's first stock, or the first after it that has a quote.
    int first = -1;
    for (int row = 0; row < int(records.size()); ++row) {
        const int entry = watch->entryOfRow(row);
        if (entry >= 0 && (first < 0 || entry < watch->entryOfRow(first)))
            first = row;
    }
    firstPercent = first >= 0 ? std::optional<double>(textToDouble(records[size_t(first)].percent))
                              : std::nullopt;
    quotesFailing = false;
    updateTrayPicture();
    updateTrayToolTip();
    updateQuoteState();
    if (!crossed.isEmpty())
        showTrayNotice(trayIcon, QStringLiteral("到价提醒"), crossed.join(QLatin1Char('\n')));
}

void TMainForm::quotesFailed()
{
    watch->quotesFailed(appclock::now(), displayHelper->failedSources());
    quotesFailing = true;
    updateTrayPicture();
    updateTrayToolTip();
    updateQuoteState();
}

void TMainForm::updateQuoteState()
{
    displayHelper->setStale(watch->quotesStale(appclock::now(), timer->interval() / 1000));
    // With stocks listed, an empty table means no quote has come: telling
    // the user to add stocks would point at the wrong trouble.
    if (!tableLook)
        return; // the first list arrives before the table's look is made
    const QString line = watch->emptyTableLine();
    tableLook->setEmptyText(line.isEmpty() ? TQuoteTableLook::emptyHint() : line);
}

void TMainForm::updateTrayToolTip()
{
    if (!trayIcon)
        return;
    QStringList lines{QCoreApplication::applicationName(), QStringLiteral("单击显示窗口")};
    lines << watch->statusLines(appclock::now()) << watch->totalLines();
    trayIcon->setToolTip(lines.join(QLatin1Char('\n')));
}

bool TMainForm::showTableToolTip(QEvent* event)
{
    const auto* help = static_cast<QHelpEvent*>(event);
    const int row = ui->tabStock->rowAt(help->pos().y());
    // A row shows its quote's time, source and change, and its holding, if
    // any; the rest of the table the status.
    const QString text = row >= 0 ? watch->rowToolTip(displayHelper->recordOfRow(row))
                                  : watch->statusLines(appclock::now()).join(QLatin1Char('\n'));
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), text, ui->tabStock->viewport());
    return true;
}

void TMainForm::showStockAlert()
{
    TStockAlertForm form(this);
    form.setNames(watch->namesByCode());
    form.setCurrentEntry(watch->entryOfRow(displayHelper->recordOfRow(ui->tabStock->currentRow())));
    form.setPercentAlerts(&settings->percentAlerts);
    connect(&form, &TStockAlertForm::stockSetChange, this, [this] {
        settings->save();
        watch->setPercentAlerts(settings->percentAlerts);
        stockSetChange();
    });
    form.setFont(TConfig::uiFont);
    form.exec();
}
