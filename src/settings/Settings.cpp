#include "settings/Settings.h"

#include "core/AppGlobals.h"
#include "core/PlainFile.h"

#include <QSettings>

#include <algorithm>

namespace {

const QString BOSS_KEY = QStringLiteral("Desk/bossKey");
const QString OPACITY = QStringLiteral("Desk/opacity");
const QString TRAY_PERCENT = QStringLiteral("Desk/trayPercent");
const QString MAIN_WINDOW = QStringLiteral("MainWindow");
const QString CHART_WINDOW = QStringLiteral("ChartWindow");
const QString SORT_COLUMN = QStringLiteral("QuoteTable/sortColumn");
const QString SORT_ORDER = QStringLiteral("QuoteTable/sortOrder");
const QString PERCENT_ALERTS = QStringLiteral("PercentAlerts");
// Columns of the quote table that can be sorted by: name, code, price, change.
constexpr int SORT_COLUMNS = 4;

int readInt(const QSettings& file, const QString& key, int fallback, int low, int high)
{
    bool ok = false;
    const int value = file.value(key).toInt(&ok);
    return ok ? std::clamp(value, low, high) : fallback;
}

bool readBool(const QSettings& file, const QString& key, bool fallback)
{
    // QVariant turns any text but "false" and "0" into true; only the two
    // words a save writes count.
    const QString text = file.value(key).toString();
    if (text == QStringLiteral("true"))
        return true;
    if (text == QStringLiteral("false"))
        return false;
    return fallback;
}

// An empty text is a key turned off; one that names no key is the default.
QKeySequence readKey(const QSettings& file, const QString& key, const QKeySequence& fallback)
{
    if (!file.contains(key))
        return fallback;
    const QString text = file.value(key).toString();
    const QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
    if (text.isEmpty())
        return sequence;
    if (sequence.isEmpty())
        return fallback;
    for (int i = 0; i < sequence.count(); ++i) {
        if (sequence[i].key() == Qt::Key_unknown)
            return fallback;
    }
    return sequence;
}

TWindowPlace readPlace(const QSettings& file, const QString& group)
{
    const QVariant pos = file.value(group + QStringLiteral("/pos"));
    const QVariant size = file.value(group + QStringLiteral("/size"));
    if (pos.typeId() != QMetaType::QPoint || size.typeId() != QMetaType::QSize)
        return {};
    return {pos.toPoint(), size.toSize()};
}

void writePlace(QSettings& file, const QString& group, const TWindowPlace& place)
{
    if (place.isEmpty()) {
        file.remove(group);
        return;
    }
    file.setValue(group + QStringLiteral("/pos"), place.pos);
    file.setValue(group + QStringLiteral("/size"), place.size);
}

// Codes are any text the user typed, so they are values of an array, never
// keys, which QSettings would read as groups at a "/".
QMap<QPair<QString, int>, QString> readPercentAlerts(const QSettings& file)
{
    QMap<QPair<QString, int>, QString> alerts;
    const int size = readInt(file, PERCENT_ALERTS + QStringLiteral("/size"), 0, 0, 100000);
    for (int i = 1; i <= size; ++i) {
        const QString entry = PERCENT_ALERTS + QLatin1Char('/') + QString::number(i);
        const QString code = file.value(entry + QStringLiteral("/code")).toString();
        const int place = readInt(file, entry + QStringLiteral("/place"), -1, -1, 1 << 30);
        const QString limit = file.value(entry + QStringLiteral("/limit")).toString();
        if (!code.isEmpty() && place >= 0 && !limit.trimmed().isEmpty())
            alerts.insert({code, place}, limit);
    }
    return alerts;
}

void writePercentAlerts(QSettings& file, const QMap<QPair<QString, int>, QString>& alerts)
{
    file.remove(PERCENT_ALERTS);
    if (alerts.isEmpty())
        return;
    file.beginWriteArray(PERCENT_ALERTS, int(alerts.size()));
    int i = 0;
    for (auto alert = alerts.cbegin(); alert != alerts.cend(); ++alert) {
        file.setArrayIndex(i++);
        file.setValue(QStringLiteral("code"), alert.key().first);
        file.setValue(QStringLiteral("place"), alert.key().second);
        file.setValue(QStringLiteral("limit"), alert.value());
    }
    file.endArray();
}

} // namespace

QKeySequence TSettings::defaultBossKey()
{
    return QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Z);
}

void TSettings::load()
{
    const QString path = settingsFilePath();
    // QSettings opens whatever stands at the path.
    if (!isPlainFileOrNothing(path)) {
        *this = TSettings();
        return;
    }
    const QSettings file(path, QSettings::IniFormat);
    // A file QSettings cannot make sense of reads as empty; every value
    // then takes its default.
    readValues(file);
}

bool TSettings::save() const
{
    const QString path = settingsFilePath();
    if (!isPlainFileOrNothing(path))
        return false;
    // QSettings reads the file before it writes it back, so keys of other
    // versions survive, and writes it through a save file: nothing replaces
    // the old file until the new one is whole (atomic sync is its default).
    QSettings file(path, QSettings::IniFormat);
    writeValues(file);
    file.sync();
    return file.status() == QSettings::NoError;
}

void TSettings::readValues(const QSettings& file)
{
    const TSettings defaults;
    bossKey = readKey(file, BOSS_KEY, defaults.bossKey);
    opacity = readInt(file, OPACITY, defaults.opacity, MIN_OPACITY, MAX_OPACITY);
    trayPercent = readBool(file, TRAY_PERCENT, defaults.trayPercent);
    mainPlace = readPlace(file, MAIN_WINDOW);
    chartPlace = readPlace(file, CHART_WINDOW);
    // A column the table does not have is no sort at all, not the last one.
    sortColumn = readInt(file, SORT_COLUMN, defaults.sortColumn, -2, SORT_COLUMNS);
    if (sortColumn < -1 || sortColumn >= SORT_COLUMNS)
        sortColumn = defaults.sortColumn;
    sortOrder = file.value(SORT_ORDER).toString() == QStringLiteral("descending")
                    ? Qt::DescendingOrder
                    : Qt::AscendingOrder;
    percentAlerts = readPercentAlerts(file);
}

void TSettings::writeValues(QSettings& file) const
{
    file.setValue(BOSS_KEY, bossKey.toString(QKeySequence::PortableText));
    file.setValue(OPACITY, opacity);
    file.setValue(TRAY_PERCENT, trayPercent);
    writePlace(file, MAIN_WINDOW, mainPlace);
    writePlace(file, CHART_WINDOW, chartPlace);
    file.setValue(SORT_COLUMN, sortColumn);
    file.setValue(SORT_ORDER, sortOrder == Qt::DescendingOrder ? QStringLiteral("descending")
                                                               : QStringLiteral("ascending"));
    writePercentAlerts(file, percentAlerts);
}
