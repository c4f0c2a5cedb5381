#include "core/AppGlobals.h"

#include "core/Version.h"
#include "core/WebRequest.h"

#include <QCoreApplication>

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

static QString dataDir()
{
    const QString& overridden = dataDirOverride();
    return overridden.isEmpty() ? QCoreApplication::applicationDirPath() : overridden;
}

QString configFilePath()
{
    return dataDir() + QStringLiteral("/Config.xml");
}

QString stocksFilePath()
{
    return dataDir() + QStringLiteral("/Stocks.xml");
}

void setDataDirOverride(const QString& dir)
{
    dataDirOverride() = dir;
}
