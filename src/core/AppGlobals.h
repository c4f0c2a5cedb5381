#pragma once

#include <QString>

// Constants shared by the whole application. All are plain ASCII, so none of
// them depends on how narrow text is decoded.
extern const QString PRODUCT_ID;
extern const QString INTERNAL_NAME;
extern const QString SITE_URL;
extern const QString UPDATE_CHECK_URL;
extern const QString AD_CONFIG_URL;
extern const QString MAIL_ADDRESS;
extern const QString MAIL_URL;
extern const QString VERSION;
extern const QString UPDATE_DATE;
extern const QString TRAY_ICON;
extern const QString DISCUSS_URL;

// Both data files live beside the executable, whatever the working directory.
// Evaluated on every call: nothing caches a path.
QString configFilePath();
QString stocksFilePath();

// Lets a test give the program a data folder of its own so that tests never
// share Config.xml or Stocks.xml. The program itself never calls it; an empty
// text restores the executable's folder.
void setDataDirOverride(const QString& dir);
