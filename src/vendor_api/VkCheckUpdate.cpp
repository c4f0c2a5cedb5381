#include "vendor_api/VkNetwork.h"
#include "vendor_api/VkPack.h"

#include <QDate>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QUrlQuery>

namespace {
// The first line of the form date=YYYY-MM-DD names the latest release; an
// invalid date there (2012-02-30) or no such line gives an invalid date.
QDate latestRelease(const QByteArray& body)
{
    static const QRegularExpression dateLine(QStringLiteral("^date=(\\d{4}-\\d{2}-\\d{2})$"));
    const QStringList lines = QString::fromUtf8(body).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QRegularExpressionMatch match = dateLine.match(line.trimmed());
        if (match.hasMatch())
            return QDate::fromString(match.captured(1), Qt::ISODate);
    }
    return QDate();
}
} // namespace

VkCheckUpdate::VkCheckUpdate(QObject* parent)
    : QObject(parent), manager(new QNetworkAccessManager(this))
{
}

// The manager, a child, goes with QObject's destructor, after the replies'
// connections to this object are cut: a pending reply signals nothing.
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
    QNetworkReply* reply = web::get(*manager, vk::detail::webRequest(address), web::TEXT_MAX_BYTES);
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
