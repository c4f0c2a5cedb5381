#include "vendor_api/VkNetwork.h"

#include <QNetworkReply>
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
    request.setTransferTimeout(15000);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    return request;
}

void limitSize(QNetworkReply* reply, qint64 maxBytes)
{
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply, maxBytes](qint64 received, qint64 total) {
                         // Queued: abort() finishes the reply, which should not
                         // happen inside its own progress signal.
                         if (received > maxBytes || total > maxBytes)
                             QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
                     });
}

} // namespace vk::detail
