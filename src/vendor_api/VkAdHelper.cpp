#include "vendor_api/VkNetwork.h"
#include "vendor_api/VkPack.h"

#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QNetworkReply>
#include <QTimer>

namespace {
// More would only be more requests at start-up for a small panel.
constexpr int MAX_ADS = 16;
} // namespace

VkAdHelper::VkAdHelper(QObject* parent) : QObject(parent), timer(new QTimer(this))
{
    connect(timer, &QTimer::timeout, this, &VkAdHelper::showNext);
}

VkAdHelper::~VkAdHelper()
{
    // The timer and the pending replies are children. The label belongs to the panel
    // but is ours; the panel may already be gone.
    if (panel)
        panel->removeEventFilter(this);
    delete label;
}

void VkAdHelper::setWidget(QWidget* widget)
{
    if (panel)
        panel->removeEventFilter(this);
    delete label;
    panel = widget;
    if (panel)
        panel->installEventFilter(this);
}

void VkAdHelper::exec()
{
    // A new run forgets the old one. abort() finishes a reply at once; its
    // handler sees that the reply is no longer pending and only releases it.
    const QList<QPointer<QNetworkReply>> old = pending;
    pending.clear();
    for (const QPointer<QNetworkReply>& reply : old) {
        if (reply)
            reply->abort();
    }
    timer->stop();
    if (current >= 0 && panel)
        panel->setVisible(false); // shown by an earlier run, not by the caller
    ads.clear();
    current = -1;

    const QUrl address(url);
    if (!panel || !vk::detail::isWebUrl(address)) {
        emit settled();
        return;
    }
    QNetworkReply* reply = vk::detail::get(this, address, web::TEXT_MAX_BYTES);
    pending.append(reply);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { configFinished(reply); });
}

void VkAdHelper::click()
{
    if (current >= 0 && panel)
        vk::openUrl(ads.at(current).target.toString());
}

bool VkAdHelper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == panel && event->type() == QEvent::Resize && label)
        label->setGeometry(panel->rect());
    return false; // the panel and its owner's filter see every event
}

void VkAdHelper::configFinished(QNetworkReply* reply)
{
    reply->deleteLater();
    if (!pending.removeOne(reply))
        return;

    const QByteArray body = web::body(reply);
    if (!body.isEmpty()) {
        // One ad per line: image address, whitespace, target address.
        const QUrl base = reply->url();
        const QStringList lines = QString::fromUtf8(body).split(QLatin1Char('\n'));
        for (const QString& line : lines) {
            const QString text = line.trimmed();
            if (text.isEmpty() || text.startsWith(QLatin1Char('#')))
                continue;
            const QStringList fields = text.simplified().split(QLatin1Char(' '));
            if (fields.size() < 2)
                continue;
            const QUrl image = base.resolved(QUrl(fields.at(0)));
            const QUrl target = base.resolved(QUrl(fields.at(1)));
            // Only web addresses: a configuration must not open local files
            // or start other programs through the desktop's URL handlers.
            if (!vk::detail::isWebUrl(image) || !vk::detail::isWebUrl(target))
                continue;
            ads.append({image, target, QPixmap()});
            if (ads.size() == MAX_ADS)
                break;
        }
    }

    for (int index = 0; index < ads.size(); ++index) {
        QNetworkReply* imageReply =
            vk::detail::get(this, ads.at(index).image, web::AD_IMAGE_MAX_BYTES);
        pending.append(imageReply);
        connect(imageReply, &QNetworkReply::finished, this,
                [this, imageReply, index] { imageFinished(imageReply, index); });
    }
    requestEnded();
}

void VkAdHelper::imageFinished(QNetworkReply* reply, int index)
{
    reply->deleteLater();
    if (!pending.removeOne(reply))
        return;

    // Decoded at the panel's size, and only when the picture is of a size a
    // panel can sensibly show: a small file may declare a huge picture.
    const QImage image = web::readImage(web::body(reply), nullptr, web::AD_IMAGE_MAX_PIXELS,
                                        panel ? panel->size() : QSize());
    if (!image.isNull()) {
        ads[index].pixmap = QPixmap::fromImage(image);
        if (current < 0) {
            showAd(index);
            if (interval > 0)
                timer->start(interval);
        }
    }
    requestEnded();
}

void VkAdHelper::requestEnded()
{
    if (pending.isEmpty())
        emit settled();
}

void VkAdHelper::showAd(int index)
{
    if (!panel)
        return;
    if (!label) {
        label = new QLabel(panel);
        label->setScaledContents(true);
        // Presses go to the panel, where the main window's filter sees them.
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setGeometry(panel->rect());
    }
    current = index;
    label->setPixmap(ads.at(index).pixmap);
    label->show();
    panel->setVisible(true);
}

void VkAdHelper::showNext()
{
    // The next ad in the configuration's order whose image has loaded.
    for (int step = 1; step < ads.size(); ++step) {
        const int index = (current + step) % int(ads.size());
        if (!ads.at(index).pixmap.isNull()) {
            showAd(index);
            return;
        }
    }
}
