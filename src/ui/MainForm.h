#pragma once

#include "quotes/MarketHours.h"
#include "quotes/StockData.h"
#include "stocks/StockCodeData.h"
#include "vendor_api/VkPack.h"

#include <QFont>
#include <QMainWindow>
#include <QSystemTrayIcon>

#include <QPointer>
#include <QStringList>

#include <memory>
#include <optional>

class QAction;
class QMenu;
class QTimer;
class TConfig;
class TGlobalHotKey;
class TSettings;
class TStockChartForm;
class TQuoteTableLook;
class TQuoteWatch;
class TStockDisplayHelper;
class Ui_TMainForm;

// The ticker window. It owns everything that lives for the whole run and
// only hides when closed: the program ends through the exit action alone.
class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

public slots:
    void showAbout();
    void setFormStyle(QAction* a);
    void showChart();
    void showStockSet();
    void showOption();
    void stockCodeChanged(TStockCodeDataItems items);
    void exitApp();
    void uiFontChange(QFont font);
    void marketFontChange(QFont font);
    void dataTimerChange(int time);
    // Brings the window back to the user whatever became of it: shown,
    // restored when minimised, raised and active, with an open modal dialog
    // of the program in front of it. A window kept below the others comes in
    // front until the user turns to another program.
    void bringForward();

private slots:
    void haveUpdate(bool update);
    void stockSetChange();
    void stockMenuClick();
    void customContextMenuRequested(QPoint pos);
    void hideAllWindow();
    void showAllWindow(QSystemTrayIcon::ActivationReason reason);
    void showStockAlert();
    void refreshTick();
    void quotesArrived(const TStockDataItems& records);
    void quotesFailed();
    void showMoreSettings();
    // The boss key: hides every window of the program and the tray icon, or
    // brings back exactly those it hid.
    void bossKeyPressed();
    void storePlaces();

protected:
    bool eventFilter(QObject* obj, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createMenus();
    void initAd();
    void checkUpdate();
    void createStockMenu();
    void createTrayIcon();
    // Sets the flags of the action's style without showing the window: at
    // start-up the window is not shown yet. False for an action of no style.
    bool applyFormStyle(QAction* a);
    // The style menu's action that carries the stored style number, if any.
    QAction* styleAction(int style) const;
    // Every quote request of the window goes through here, so that ticks
    // outside market hours can count from it.
    void requestQuotes();
    void updateTrayToolTip();
    // How old the shown quotes look, and what an empty table says.
    void updateQuoteState();
    bool showTableToolTip(QEvent* event);
    // The stay-below hint through the native window, without making a new
    // one as a change of the widget's flags would.
    void setStaysBelow(bool below);
    // The size the contents need at the current fonts, never below the
    // form's own.
    void fitToFonts();
    void applySettings();
    void updateTrayPicture();
    void restoreBossHidden();

    std::unique_ptr<Ui_TMainForm> ui;
    // Children of the window, which deletes them with the rest; no
    // event loop runs then, so their order does not matter.
    QMenu* mainMenu = nullptr;
    QMenu* styleMenu = nullptr;
    QMenu* stockMenu = nullptr;
    QTimer* timer = nullptr;
    TStockDisplayHelper* displayHelper = nullptr;
    TQuoteTableLook* tableLook = nullptr;
    TStockChartForm* chartForm = nullptr;
    TConfig* config = nullptr;
    QSystemTrayIcon* trayIcon = nullptr;
    VkAdHelper adHelper;
    std::unique_ptr<VkCheckUpdate> updateChecker;
    bool configSignalsConnected = false;
    std::unique_ptr<TQuoteWatch> watch;
    std::unique_ptr<TSettings> settings;
    TRefreshPolicy refreshPolicy;
    bool lifted = false; // kept below, but in front since a tray click
    TGlobalHotKey* bossKey = nullptr;
    QTimer* placeTimer = nullptr;
    QSize formSize;
    // What the boss key hid, to bring back; the tray icon with them.
    QList<QPointer<QWidget>> bossHidden;
    bool bossActive = false;
    std::optional<double> firstPercent;
    bool quotesFailing = false;
    bool trayShowsPercent = false;
    // The first list, from its reading until the first request has gone.
    TStockCodeDataItems firstItems;
};
