#pragma once

#include <QNetworkRequest>

class QNetworkReply;
class QUrl;

// Request settings shared by the update check and the advertising panel.
// Internal to the service library.
namespace vk::detail {

// True for an absolute http or https address with a host.
bool isWebUrl(const QUrl& url);

// A GET request that gives up after 15 s without progress and follows at
// most five redirects, never from https to http.
QNetworkRequest webRequest(const QUrl& url);

// Aborts `reply` once it announces or delivers more than `maxBytes`, so a
// wrong answer cannot fill the memory.
void limitSize(QNetworkReply* reply, qint64 maxBytes);

} // namespace vk::detail
