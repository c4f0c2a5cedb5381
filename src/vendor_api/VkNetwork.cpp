#include "vendor_api/VkNetwork.h"

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

} // namespace vk::detail
