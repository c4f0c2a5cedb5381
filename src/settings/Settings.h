#pragma once

#include <QKeySequence>
#include <QMap>
#include <QPair>
#include <QPoint>
#include <QSize>
#include <QString>

class QSettings;

// Where a window was left: the top-left corner of its frame and the size of
// its contents, as move() and resize() take them back.
struct TWindowPlace
{
    QPoint pos;
    QSize size;
    // A place never stored, or one that makes no window.
    bool isEmpty() const { return size.isEmpty(); }
    bool operator==(const TWindowPlace& other) const
    {
        return pos == other.pos && size == other.size;
    }
};

// The program's settings beyond Config.xml, kept in Settings.ini (INI, UTF-8)
// in the data folder. This class alone reads and writes that file. Config.xml
// keeps its exact contents whatever happens here.
//
// A missing or unreadable file, a key that is missing or holds nonsense all
// read as the defaults below. Keys this version does not know are kept when
// the file is written, so an older program does not erase a newer one's.
//
// To add a setting: give it a member here with its default, read it in
// readValues() (falling back to the default, bringing the value into its
// range) and write it in writeValues(). Keys are grouped by what they belong
// to ("Desk/...", "MainWindow/...", "QuoteTable/..."); a new group is fine.
// Whoever changes a value calls save() when the change should last.
class TSettings
{
public:
    static constexpr int MIN_OPACITY = 30;
    static constexpr int MAX_OPACITY = 100;

    // Hides and brings back the program's windows from anywhere; empty: off.
    QKeySequence bossKey = defaultBossKey();
    // The main window's opacity in percent, MIN_OPACITY to MAX_OPACITY.
    int opacity = MAX_OPACITY;
    // The tray icon shows the first stock's change in percent.
    bool trayPercent = false;
    TWindowPlace mainPlace;
    TWindowPlace chartPlace;
    // The quote table's rows sorted by this column, -1 in the list's order.
    int sortColumn = -1;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
    // Alerts on the day's change in percent, as typed: by the stock's code
    // and how many entries of that code come before it in the list.
    QMap<QPair<QString, int>, QString> percentAlerts;

    static QKeySequence defaultBossKey();

    // Replaces every value by what Settings.ini holds, or by its default.
    void load();
    // Writes every value to Settings.ini, keeping the keys it does not know;
    // the previous file stays whole when the new one cannot be written.
    // False when the file was not written.
    bool save() const;

private:
    void readValues(const QSettings& file);
    void writeValues(QSettings& file) const;
};
