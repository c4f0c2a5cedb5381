#include "core/AppGlobals.h"
#include "settings/Settings.h"
#include "ui/AutoStart.h"
#include "ui/GlobalHotKey.h"
#include "ui/MoreSettingsForm.h"
#include "ui/TrayPercentIcon.h"
#include "ui/WindowPlace.h"
#include "vendor_api/VkPack.h"

#include "TempAppDir.h"

#include <QCheckBox>
#include <QDir>
#include <QIcon>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QStandardPaths>
#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<QRect>)

class TestDesk : public QObject
{
    Q_OBJECT
private slots:
    void placeOnScreens_data();
    void placeOnScreens();
    void autostartEntry_data();
    void autostartEntry();
    void trayDigits_data();
    void trayDigits();
    void plainTrayPicture();
    void hotKeyTakesAKeyOnce();
    void dialogAppliesOnOkOnly();
};

void TestDesk::placeOnScreens_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<std::optional<QRect>>("expected");
    // The offscreen platform's screen, and a second one left of it.
    const QRect primary = QGuiApplication::primaryScreen()->availableGeometry();
    QTest::newRow("first start") << QPoint() << QSize() << std::optional<QRect>();
    QTest::newRow("on the screen")
        << primary.topLeft() + QPoint(30, 40) << QSize(300, 200)
        << std::optional<QRect>(QRect(primary.topLeft() + QPoint(30, 40), QSize(300, 200)));
    QTest::newRow("monitor removed")
        << QPoint(primary.left() - 1000, 50) << QSize(300, 200) << std::optional<QRect>();
    QTest::newRow("only the bottom edge shows") << QPoint(primary.left() + 10, primary.top() - 190)
                                                << QSize(300, 200) << std::optional<QRect>();
    QTest::newRow("partly off, brought in")
        << QPoint(primary.right() - 100, primary.top() + 10) << QSize(300, 200)
        << std::optional<QRect>(
               QRect(QPoint(primary.right() - 299, primary.top() + 10), QSize(300, 200)));
    QTest::newRow("larger than the screen now")
        << primary.topLeft() << primary.size() + QSize(500, 500) << std::optional<QRect>(primary);
}

void TestDesk::placeOnScreens()
{
    QFETCH(QPoint, pos);
    QFETCH(QSize, size);
    QFETCH(std::optional<QRect>, expected);
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    QCOMPARE(::placeOnScreens({pos, size}, screens), expected);
}

void TestDesk::autostartEntry_data()
{
    // How the entry was taken away by other means than the dialog.
    QTest::addColumn<QByteArray>("change");
    QTest::newRow("removed by the user") << QByteArray();
#ifndef Q_OS_WIN
    QTest::newRow("hidden by the desktop") << QByteArray("Hidden=true\n");
    QTest::newRow("turned off by GNOME") << QByteArray("X-GNOME-Autostart-enabled=false\n");
#endif
}

void TestDesk::autostartEntry()
{
    QFETCH(QByteArray, change);
    QTemporaryDir config;
    QVERIFY(config.isValid());
#ifdef Q_OS_WIN
    QSettings run(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
        QSettings::NativeFormat);
    const QString name = QStringLiteral("Quotarium");
    const QString neighbour = QStringLiteral("QuotariumTestNeighbour");
    run.setValue(neighbour, QStringLiteral("other.exe"));
    QVERIFY(autostart::setEnabled(true));
    run.sync();
    QCOMPARE(run.value(name).toString(),
             QLatin1Char('"') + QDir::toNativeSeparators(QCoreApplication::applicationFilePath()) +
                 QLatin1Char('"'));
    const auto takeAway = [&] {
        run.remove(name);
        run.sync();
    };
    const auto entryLeft = [&] {
        run.sync();
        return run.contains(name);
    };
    const auto neighbourLeft = [&] {
        run.sync();
        const bool left = run.contains(neighbour);
        run.remove(neighbour);
        return left;
    };
#else
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    const QString path = autostart::desktopEntryPath();
    QCOMPARE(QFileInfo(path).absolutePath(), config.path() + QStringLiteral("/autostart"));
    const QString neighbour = config.filePath(QStringLiteral("autostart/other.desktop"));
    QVERIFY(!autostart::isEnabled());
    QVERIFY(autostart::setEnabled(true));
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.readAll().contains(
        "\nExec=\"" + QFile::encodeName(QCoreApplication::applicationFilePath()) + "\"\n"));
    written.close();
    // A path with characters the entry's quoting must escape.
    QVERIFY(QFile::copy(path, neighbour));
    const QString odd = QStringLiteral("/opt/my \"ticker\"/$HOME/100%/quotarium\\x");
    QVERIFY(autostart::desktopEntry(odd).contains(QStringLiteral(
        "Exec=\"/opt/my \\\\\"ticker\\\\\"/\\\\$HOME/100%%/quotarium\\\\\\\\x\"\n")));
    if (const QString validator =
            QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        !validator.isEmpty()) {
        QFile oddEntry(config.filePath(QStringLiteral("odd.desktop")));
        QVERIFY(oddEntry.open(QIODevice::WriteOnly));
        oddEntry.write(autostart::desktopEntry(odd).toUtf8());
        oddEntry.close();
        QProcess validate;
        validate.start(validator, {path, oddEntry.fileName()});
        QVERIFY(validate.waitForFinished());
        QCOMPARE(validate.readAll(), QByteArray());
        QCOMPARE(validate.exitCode(), 0);
    }
    const auto takeAway = [&] {
        if (change.isEmpty()) {
            QFile::remove(path);
            return;
        }
        // Desktops turn an entry off by a key rather than by removing it.
        QFile entry(path);
        if (!entry.open(QIODevice::ReadWrite))
            return;
        QByteArray text = entry.readAll();
        text.replace("X-GNOME-Autostart-enabled=true\n", "");
        entry.resize(0);
        entry.write(text + change);
    };
    const auto entryLeft = [&] { return QFile::exists(path); };
    const auto neighbourLeft = [&] { return QFile::exists(neighbour); };
#endif
    QVERIFY(autostart::isEnabled());
    takeAway();
    QVERIFY(!autostart::isEnabled());
    QVERIFY(autostart::setEnabled(true));
    QVERIFY(autostart::isEnabled());
    QVERIFY(autostart::setEnabled(false));
    QVERIFY(!autostart::isEnabled());
    QVERIFY(!entryLeft());
    QVERIFY(neighbourLeft());
#ifndef Q_OS_WIN
    qunsetenv("XDG_CONFIG_HOME");
#endif
}

void TestDesk::trayDigits_data()
{
    QTest::addColumn<double>("percent");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<bool>("failing");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");
    for (int pixels : {16, 22, 32}) {
        const bool small = pixels < 22;
        QTest::addRow("rise at %d", pixels)
            << 1.23 << pixels << false << QString(small ? "1.2" : "+1.2") << QColor(Qt::red);
        QTest::addRow("fall at %d", pixels)
            << -10.04 << pixels << false << QString(small ? "10" : "-10") << QColor(Qt::darkGreen);
        QTest::addRow("failing at %d", pixels)
            << 0.5 << pixels << true << QString(small ? "0.5" : "+0.5") << QColor(Qt::gray);
    }
    QTest::newRow("none") << 0.0 << 16 << false << QString("0.0") << QColor(Qt::red);
    QTest::newRow("limit up of a new listing")
        << 144.0 << 32 << false << QString("+99") << QColor(Qt::red);
}

void TestDesk::trayDigits()
{
    QFETCH(double, percent);
    QFETCH(int, pixels);
    QFETCH(bool, failing);
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    QCOMPARE(trayPercentText(percent, pixels), text);
    QVERIFY(text.size() <= (pixels < 22 ? 3 : 4));
    const QImage image = trayPercentIcon(percent, failing).pixmap(QSize(pixels, pixels)).toImage();
    QCOMPARE(image.size(), QSize(pixels, pixels));
    // The digits are drawn in the colour of the sign, and in no other: each
    // pixel is sorted by its hue (antialiased edges fade towards white).
    const auto kind = [](const QColor& c) {
        const int r = c.red(), g = c.green(), b = c.blue();
        if (r - std::max(g, b) > 60)
            return 1;
        if (g - std::max(r, b) > 40)
            return 2;
        if (std::max({r, g, b}) - std::min({r, g, b}) < 16 && r < 200)
            return 3;
        return 0;
    };
    int inColour = 0;
    int inOthers = 0;
    for (int y = 0; y < pixels; ++y) {
        for (int x = 0; x < pixels; ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() < 128 || kind(pixel) == 0)
                continue;
            ++(kind(pixel) == kind(colour) ? inColour : inOthers);
        }
    }
    QVERIFY2(inColour >= pixels, qPrintable(QString::number(inColour)));
    QCOMPARE(inOthers, 0);
}

void TestDesk::plainTrayPicture()
{
    const auto premultiplied = [](const QImage& image) {
        return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    const QIcon icon = trayPlainIcon();
    QCOMPARE(premultiplied(icon.pixmap(QSize(32, 32)).toImage()), premultiplied(QImage(TRAY_ICON)));
    // A smaller tray gets it scaled down, a larger one as it is.
    QCOMPARE(icon.pixmap(QSize(16, 16)).size(), QSize(16, 16));
    QCOMPARE(icon.pixmap(QSize(64, 64)).size(), QSize(32, 32));
}

void TestDesk::hotKeyTakesAKeyOnce()
{
    TGlobalHotKey first;
    const QKeySequence key(Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_F11);
    QCOMPARE(first.setKey(QKeySequence()), TGlobalHotKey::State::Off);
#ifdef Q_OS_WIN
    QCOMPARE(first.setKey(key), TGlobalHotKey::State::Active);
    TGlobalHotKey second;
    QCOMPARE(second.setKey(key), TGlobalHotKey::State::Taken);
    // Letting go frees the key for the next.
    first.setKey(QKeySequence());
    QCOMPARE(second.setKey(key), TGlobalHotKey::State::Active);
#else
    // Without an X display (offscreen) there are no global keys; the real
    // desktop is checked end to end.
    QCOMPARE(first.setKey(key), TGlobalHotKey::State::Unsupported);
#endif
}

void TestDesk::dialogAppliesOnOkOnly()
{
    TempAppDir dir;
    QWidget window;
    TSettings settings;
    TGlobalHotKey key;
    {
        TMoreSettingsForm form(&settings, &key, &window);
        form.findChild<QSlider*>(QStringLiteral("sldOpacity"))->setValue(40);
        form.findChild<QCheckBox*>(QStringLiteral("chkTrayPercent"))->setChecked(true);
        // The slider shows its effect at once; cancelling takes it back.
        if (TMoreSettingsForm::translucencyAvailable())
            QCOMPARE(window.windowOpacity(), 0.4);
        form.reject();
        QCOMPARE(window.windowOpacity(), 1.0);
        QVERIFY(!dir.exists(QStringLiteral("Settings.ini")));
    }
    // A file that cannot be written says so and keeps the dialog open.
    QVERIFY(QDir().mkdir(dir.settingsFile()));
    TMoreSettingsForm form(&settings, &key, &window);
    form.findChild<QCheckBox*>(QStringLiteral("chkTrayPercent"))->setChecked(true);
    vk::clearAskedMessageBoxes();
    vk::setNextMessageBoxAnswer(true);
    form.ok();
    QCOMPARE(form.result(), int(QDialog::Rejected));
    QCOMPARE(vk::askedMessageBoxes().size(), 1);
    QVERIFY(vk::askedMessageBoxes().first().text.startsWith(QStringLiteral("保存失败：")));
    QVERIFY(!settings.trayPercent);
    QVERIFY(QDir().rmdir(dir.settingsFile()));
    form.ok();
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QVERIFY(settings.trayPercent);
    TSettings read;
    read.load();
    QVERIFY(read.trayPercent);
}

QTEST_MAIN(TestDesk)
#include "tst_desk.moc"
