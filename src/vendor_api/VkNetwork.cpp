#include "vendor_api/VkNetwork.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QUrl>

namespace vk::detail {

bool isWebUrl(const QUrl& url)
{
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QNetworkRequest webRequest(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setMaximumRedirectsAllowed(5);
    return request;
}

QNetworkReply* get(QObject* owner, const QUrl& url, qint64 maxBytes)
{
    static QPointer<QNetworkAccessManager> shared;
    if (!shared)
        shared = new QNetworkAccessManager(QCoreApplication::instance());
    QNetworkReply* reply = web::get(*shared, webRequest(url), maxBytes);
    reply->setParent(owner);
    return reply;
}

} // namespace vk::detail
