#include "core/WebRequest.h"

#include <QNetworkReply>

namespace web {

void prepareRequest(QNetworkRequest& request, int timeoutMs)
{
    request.setTransferTimeout(timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
}

void limitSize(QNetworkReply* reply, qint64 maxBytes)
{
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply, maxBytes](qint64 received, qint64 total) {
                         // Queued: abort() finishes the reply, which should not
                         // happen inside its own progress signal.
                         if (received > maxBytes || total > maxBytes)
                             QMetaObject::invokeMethod(reply, &QNetworkReply::abort,
                                                       Qt::QueuedConnection);
                     });
}

} // namespace web
