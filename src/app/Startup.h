#pragma once

#include <QStringList>

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
