#include "core/AppGlobals.h"

#include "core/Version.h"
#include "core/WebRequest.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {
QString& dataDirOverride()
{
    static QString dir;
    return dir;
}
} // namespace

const QString PRODUCT_ID = QStringLiteral("quotarium_windows_x86_32");
const QString INTERNAL_NAME = QStringLiteral("Quotarium");
const QString SITE_URL = web::serviceRoot(web::Service::Site) + QLatin1Char('/');
const QString UPDATE_CHECK_URL = SITE_URL + QStringLiteral("ver.php");
const QString AD_CONFIG_URL = SITE_URL + QStringLiteral("ad/ad_cfg_1.php?id=") + PRODUCT_ID;
const QString MAIL_ADDRESS = QStringLiteral("quotarium@example.com");
const QString MAIL_URL = QStringLiteral("mailto:") + MAIL_ADDRESS;
const QString VERSION = QStringLiteral("V" QUOTARIUM_VERSION);
const QString UPDATE_DATE = QStringLiteral("2012-02-15");
const QString TRAY_ICON = QStringLiteral(":/image/tray_icon");
// A public stock discussion site whose page for a stock is this address
// followed by the six-digit code.
const QString DISCUSS_URL = QStringLiteral("http://stockpage.10jqka.com.cn/");

bool isSystemProgramDir(const QString& dir)
{
#ifdef Q_OS_UNIX
    // The folders a package manager puts programs in. Root may write there,
    // yet settings written beside a packaged program would belong to nobody's
    // package and be shared by every user who runs it as root.
    static const QStringList systemDirs = {
        QStringLiteral("/bin"),           QStringLiteral("/sbin"),
        QStringLiteral("/usr/bin"),       QStringLiteral("/usr/sbin"),
        QStringLiteral("/usr/games"),     QStringLiteral("/usr/local/bin"),
        QStringLiteral("/usr/local/sbin")};
    return systemDirs.contains(QDir::cleanPath(dir));
#else
    Q_UNUSED(dir);
    return false;
#endif
}

QString chooseDataDir(const QString& executableDir)
{
    // Every save writes a new file beside its target and renames it over the
    // old one, so the question is whether a new file can be made here.
    // Permission bits alone do not answer it: root ignores them, a read-only
    // mount does not show in them and Windows keeps its rights elsewhere.
    QTemporaryFile probe(executableDir + QStringLiteral("/.quotarium-probe-XXXXXX"));
    if (!isSystemProgramDir(executableDir) && probe.open())
        return executableDir;
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (perUser.isEmpty())
        return executableDir;
    QDir().mkpath(perUser);
    return perUser;
}

QString dataDirPath()
{
    const QString& overridden = dataDirOverride();
    if (!overridden.isEmpty())
        return overridden;
    static const QString decided = chooseDataDir(QCoreApplication::applicationDirPath());
    return decided;
}

QString configFilePath()
{
    return dataDirPath() + QStringLiteral("/Config.xml");
}

QString stocksFilePath()
{
    return dataDirPath() + QStringLiteral("/Stocks.xml");
}

QString settingsFilePath()
{
    return dataDirPath() + QStringLiteral("/Settings.ini");
}

void setDataDirOverride(const QString& dir)
{
    dataDirOverride() = dir;
}
