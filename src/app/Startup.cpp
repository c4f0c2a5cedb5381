#include "app/Startup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

QStringList qtCatalogFolders()
{
    return {QCoreApplication::applicationDirPath() + QStringLiteral("/qt/translations"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
}

QTranslator* installQtCatalogs(const QStringList& folders, QObject* parent)
{
    // qt_zh_CN.qm holds no texts: it names one catalog per Qt module, and Qt
    // drops all of them when a single one is missing beside it. The widgets'
    // own catalog, qtbase_zh_CN.qm, is then read directly, so a module this
    // program does not use cannot leave its dialogs in English.
    static const char* const catalogs[] = {"qt_zh_CN", "qtbase_zh_CN"};
    auto translator = std::make_unique<QTranslator>();
    for (const QString& folder : folders) {
        for (const char* catalog : catalogs) {
            if (translator->load(QLatin1String(catalog), folder)) {
                translator->setParent(parent);
                QCoreApplication::installTranslator(translator.get());
                return translator.release();
            }
        }
    }
    return nullptr;
}
