#pragma once

#include "core/WebRequest.h"

class QNetworkAccessManager;
class QObject;
class QUrl;

// Request settings shared by the update check and the advertising panel.
// Internal to the service library.
namespace vk::detail {

// True for an absolute http or https address with a host.
bool isWebUrl(const QUrl& url);

// A GET request that follows at most five redirects; web::get adds the
// program's time-outs and redirect policy.
QNetworkRequest webRequest(const QUrl& url);

// The one manager of the update check and the advertising panel: each
// manager has a thread of its own, and these two send a handful of requests
// a day. It lives as long as the application object. A reply is handed to
// `owner`, so that it ends, unheard, with the object that asked for it.
QNetworkReply* get(QObject* owner, const QUrl& url, qint64 maxBytes);

} // namespace vk::detail
