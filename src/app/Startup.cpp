#include "app/Startup.h"

#include "core/AppGlobals.h"
#include "stocks/StockCodeList.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QIconEngine>
#include <QImageReader>
#include <QLibraryInfo>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <QTranslator>

#include <algorithm>
#include <iterator>
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

namespace {
// The program's picture, decoded only at the size a window system asks for:
// an icon given files decodes all of them at once, which costs start-up time
// and keeps seven pictures in memory where offscreen nothing asks for one.
class TWindowIconEngine : public QIconEngine
{
public:
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (int side : SIDES)
            sizes << QSize(side, side);
        return sizes;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = fileSide(size);
        return QSize(side, side).scaled(size, Qt::KeepAspectRatio).boundedTo(QSize(side, side));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        const int side = fileSide(size);
        const QString file = QStringLiteral(":/icons/quotarium_%1.png").arg(side);
        QPixmap picture;
        if (!QPixmapCache::find(file, &picture)) {
            // Left to guess, even with the format named, a reader loads every
            // image plugin to ask each whether it reads PNG.
            QImageReader reader(file, "png");
            reader.setAutoDetectImageFormat(false);
            picture = QPixmap::fromImage(reader.read());
            QPixmapCache::insert(file, picture);
        }
        const QSize wanted = actualSize(size, mode, state);
        if (!picture.isNull() && picture.size() != wanted)
            picture = picture.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (mode != QIcon::Normal && !picture.isNull()) {
            QStyleOption option;
            option.palette = QGuiApplication::palette();
            picture = QApplication::style()->generatedIconPixmap(mode, picture, &option);
        }
        return picture;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const QPixmap picture = pixmap(rect.size(), mode, state);
        const QSize size = picture.size();
        painter->drawPixmap(QRect(rect.center() - QPoint(size.width(), size.height()) / 2, size),
                            picture);
    }

    QIconEngine* clone() const override { return new TWindowIconEngine; }

private:
    static constexpr int SIDES[] = {16, 24, 32, 48, 64, 128, 256};

    // The smallest picture that covers `size`, or the largest.
    static int fileSide(const QSize& size)
    {
        const int wanted = std::max(size.width(), size.height());
        for (int side : SIDES) {
            if (side >= wanted)
                return side;
        }
        return SIDES[std::size(SIDES) - 1];
    }
};
} // namespace

QIcon applicationIcon()
{
    return QIcon(new TWindowIconEngine);
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
