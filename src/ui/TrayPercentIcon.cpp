#include "ui/TrayPercentIcon.h"

#include "core/AppGlobals.h"
#include "core/PngIcon.h"

#include <QFont>
#include <QFontMetrics>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace {

// Below this width only three characters are readable.
constexpr int SMALL_ICON = 22;

class TPercentEngine : public QIconEngine
{
public:
    TPercentEngine(double percent, bool failing) : percent(percent), failing(failing) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override
    {
        const QString text = trayPercentText(percent, rect.width());
        const QColor colour =
            failing ? QColor(Qt::gray) : (percent < 0 ? QColor(Qt::darkGreen) : QColor(Qt::red));
        // A light plate behind the digits keeps them readable on dark and
        // light trays alike.
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(255, 255, 255, 230));
        painter->drawRoundedRect(rect, rect.width() / 8.0, rect.height() / 8.0);
        QFont font;
        font.setBold(true);
        font.setStyleStrategy(QFont::PreferAntialias);
        // The largest size at which the digits fit the icon.
        for (int pixels = rect.height(); pixels > 4; --pixels) {
            font.setPixelSize(pixels);
            const QFontMetrics metrics(font);
            if (metrics.horizontalAdvance(text) <= rect.width() &&
                metrics.tightBoundingRect(text).height() <= rect.height())
                break;
        }
        painter->setFont(font);
        painter->setPen(colour);
        painter->drawText(rect, Qt::AlignCenter, text);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap image(size);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return image;
    }

    QIconEngine* clone() const override { return new TPercentEngine(percent, failing); }

private:
    double percent;
    bool failing;
};

} // namespace

QIcon trayPlainIcon()
{
    // Decoded once a tray asks for it: where there is no tray nothing does,
    // and the PNG decoder is never paged in.
    return lazyPngIcon({{32, TRAY_ICON}});
}

QString trayPercentText(double percent, int pixels)
{
    const double size = std::abs(percent);
    // One decimal while it fits three characters ("9.9"), whole numbers
    // beyond ("12"), and no more than two digits whatever comes.
    QString digits = size < 9.95 ? QString::number(size, 'f', 1)
                                 : QString::number(std::min(99.0, std::round(size)), 'f', 0);
    if (pixels < SMALL_ICON || digits == QStringLiteral("0.0"))
        return digits;
    return (percent < 0 ? QStringLiteral("-") : QStringLiteral("+")) + digits;
}

QIcon trayPercentIcon(double percent, bool failing)
{
    return QIcon(new TPercentEngine(percent, failing));
}
