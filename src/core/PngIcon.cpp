#include "core/PngIcon.h"

#include <QApplication>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace {

class TPngIconEngine : public QIconEngine
{
public:
    explicit TPngIconEngine(QList<std::pair<int, QString>> files) : files(std::move(files))
    {
        std::sort(this->files.begin(), this->files.end());
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (const auto& file : files)
            sizes << QSize(file.first, file.first);
        return sizes;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = fileFor(size).first;
        return QSize(side, side).scaled(size, Qt::KeepAspectRatio).boundedTo(QSize(side, side));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        const QString& file = fileFor(size).second;
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

    QIconEngine* clone() const override { return new TPngIconEngine(files); }

private:
    // The smallest file that covers `size`, or the largest.
    const std::pair<int, QString>& fileFor(const QSize& size) const
    {
        const int wanted = std::max(size.width(), size.height());
        for (const auto& file : files) {
            if (file.first >= wanted)
                return file;
        }
        return files.last();
    }

    QList<std::pair<int, QString>> files;
};

} // namespace

QIcon lazyPngIcon(QList<std::pair<int, QString>> filesBySide)
{
    if (filesBySide.isEmpty())
        return QIcon();
    return QIcon(new TPngIconEngine(std::move(filesBySide)));
}
