#include "app/Startup.h"

#include "core/AppGlobals.h"
#include "core/PngIcon.h"
#include "stocks/StockCodeList.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QIcon>
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

QIcon applicationIcon()
{
    QList<std::pair<int, QString>> files;
    for (int side : {16, 24, 32, 48, 64, 128, 256})
        files.append({side, QStringLiteral(":/icons/quotarium_%1.png").arg(side)});
    return lazyPngIcon(std::move(files));
}

bool writeStarterStockList()
{
    // A link to a file that is not there is the user's, not a first start.
    const QFileInfo file(stocksFilePath());
    if (file.exists() || file.isSymLink())
        return false;
    TStockCodeList list;
    list.items = {
        TStockCodeData{QStringLiteral("sh000001"), {}, {}, {}, {}, QStringLiteral("上证指数")},
        TStockCodeData{QStringLiteral("sz399001"), {}, {}, {}, {}, QStringLiteral("深证成指")},
    };
    list.save();
    return QFileInfo::exists(stocksFilePath());
}
