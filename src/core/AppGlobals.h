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

// Both data files live in the data folder, whatever the working directory.
QString configFilePath();
QString stocksFilePath();
// The program's own settings beyond Config.xml, beside the two data files.
QString settingsFilePath();

// The data folder. The first call decides it for the whole run, so every
// read and every write of a run goes to the same place; start-up makes that
// call right after naming the application, whose name the per-user folder
// carries.
QString dataDirPath();

// Where a program whose executable lies in `executableDir` keeps its data:
// that folder when the program may create files there (a folder the user
// unpacked the program into), otherwise the user's own data folder of the
// platform, created when missing (a system-wide install, whose program folder
// only the administrator may change).
// A system folder of programs (/usr/bin and its kin) counts as not writable
// even for root.
QString chooseDataDir(const QString& executableDir);
bool isSystemProgramDir(const QString& dir);

// Lets a test give the program a data folder of its own so that tests never
// share Config.xml or Stocks.xml. The program itself never calls it; an empty
// text restores the folder decided for the run.
void setDataDirOverride(const QString& dir);
