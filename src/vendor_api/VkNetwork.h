#pragma once

#include "core/WebRequest.h"

class QUrl;

// Request settings shared by the update check and the advertising panel.
// Internal to the service library.
namespace vk::detail {

// True for an absolute http or https address with a host.
bool isWebUrl(const QUrl& url);

// A GET request that follows at most five redirects; web::get adds the
// program's time-outs and redirect policy.
QNetworkRequest webRequest(const QUrl& url);

} // namespace vk::detail
