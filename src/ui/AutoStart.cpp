#include "ui/AutoStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

namespace autostart {

namespace {
#ifdef Q_OS_WIN
const QString RUN_KEY =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
// The uninstaller removes the value of this name.
const QString RUN_VALUE = QStringLiteral("Quotarium");

QString runCommand()
{
    return QLatin1Char('"') + QDir::toNativeSeparators(QCoreApplication::applicationFilePath()) +
           QLatin1Char('"');
}
#endif

QString applicationId()
{
    const QString id = QGuiApplication::desktopFileName();
    return id.isEmpty() ? QStringLiteral("com.example.Quotarium") : id;
}

// An argument of Exec: quoted, with the characters that are special inside
// quotes escaped, then escaped once more as a string value of the entry.
QString execArgument(const QString& argument)
{
    QString quoted;
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}
} // namespace

QString desktopEntryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + applicationId() + QStringLiteral(".desktop");
}

QString desktopEntry(const QString& program)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Quotarium\n"
                          "Comment=Real-time quotes of the shares you follow\n"
                          "Exec=%1\n"
                          "Icon=quotarium\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(program));
}

bool isEnabled()
{
#ifdef Q_OS_WIN
    return QSettings(RUN_KEY, QSettings::NativeFormat).contains(RUN_VALUE);
#else
    const QString path = desktopEntryPath();
    if (!QFileInfo(path).isFile())
        return false;
    // Desktops turn an entry off by these keys rather than by removing it.
    const QSettings entry(path, QSettings::IniFormat);
    return entry.value(QStringLiteral("Desktop Entry/Hidden")).toString() !=
               QStringLiteral("true") &&
           entry.value(QStringLiteral("Desktop Entry/X-GNOME-Autostart-enabled")).toString() !=
               QStringLiteral("false");
#endif
}

bool setEnabled(bool enabled)
{
#ifdef Q_OS_WIN
    QSettings run(RUN_KEY, QSettings::NativeFormat);
    if (enabled)
        run.setValue(RUN_VALUE, runCommand());
    else
        run.remove(RUN_VALUE);
    run.sync();
    return run.status() == QSettings::NoError && run.contains(RUN_VALUE) == enabled;
#else
    const QString path = desktopEntryPath();
    const QFileInfo info(path);
    if (!enabled)
        return !(info.exists() || info.isSymLink()) || QFile::remove(path);
    if (info.exists() && !info.isFile())
        return false;
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(desktopEntry(QCoreApplication::applicationFilePath()).toUtf8());
    return file.commit();
#endif
}

} // namespace autostart
