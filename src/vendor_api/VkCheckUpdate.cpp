#include "core/Clock.h"
#include "vendor_api/VkNetwork.h"
#include "vendor_api/VkPack.h"

#include <QDate>
#include <QNetworkReply>
#include <QUrlQuery>

namespace {
// The first line of the form date=YYYY-MM-DD names the latest release; an
// invalid date there (2012-02-30) or no such line gives an invalid date.
QDate latestRelease(const QByteArray& body)
{
    const QString key = QStringLiteral("date=");
    const QStringList lines = QString::fromUtf8(body).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QStringView trimmed = QStringView(line).trimmed();
        if (trimmed.startsWith(key) && appclock::isIsoDateText(trimmed.mid(key.size())))
            return appclock::isoDate(trimmed.mid(key.size()));
    }
    return QDate();
}
} // namespace

VkCheckUpdate::VkCheckUpdate(QObject* parent) : QObject(parent) {}

// A pending reply, a child, goes with QObject's destructor, after its
// connections to this object are cut: it signals nothing.
VkCheckUpdate::~VkCheckUpdate() = default;

void VkCheckUpdate::exec(const QString& url, const QString& productId, const QString& date)
{
    QUrl address(url);
    QUrlQuery query(address);
    query.addQueryItem(QStringLiteral("id"), productId);
    query.addQueryItem(QStringLiteral("date"), date);
    address.setQuery(query);
    if (!vk::detail::isWebUrl(address)) {
        emit update(false);
        return;
    }

    const QDate running = QDate::fromString(date, Qt::ISODate);
    // A version reply is a few short lines.
    QNetworkReply* reply = vk::detail::get(this, address, web::TEXT_MAX_BYTES);
    connect(reply, &QNetworkReply::finished, this, [this, reply, running] {
        reply->deleteLater();
        bool newer = false;
        const QByteArray body = web::body(reply);
        if (!body.isEmpty() && running.isValid()) {
            const QDate latest = latestRelease(body);
            newer = latest.isValid() && latest > running;
        }
        emit update(newer);
    });
}
