#pragma once

#include <QStringList>

class QIcon;
class QObject;
class QTranslator;

// Where Qt's own Chinese catalogs are looked for, in this order: qt/translations
// beside the executable (the portable folder), then Qt's own translations
// folder, which is where a system-wide install finds them.
QStringList qtCatalogFolders();

// Installs Qt's Chinese texts from the first of `folders` that has them, as a
// translator owned by `parent`. Returns it, or nullptr when no folder has
// them: Qt's standard dialogs then stay in English.
QTranslator* installQtCatalogs(const QStringList& folders, QObject* parent);

// The program's picture at every size a desktop asks for (16 to 256 pixels):
// window title bars, task bars, task switchers.
QIcon applicationIcon();

// On a first start (no Stocks.xml at all) writes a list of the two main
// indices, so that quotes show at once and the stock set editor shows where
// stocks are kept. An existing file, even one with an empty list, is never
// touched. True when the list was written.
bool writeStarterStockList();
