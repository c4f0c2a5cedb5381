#pragma once

#include <QNetworkRequest>
#include <QString>

class QNetworkReply;

// Where the program's services live and what every request to them shares:
// the one place that decides addresses, time-outs and size limits.
namespace web {

enum class Service
{
    Quotes, // the real-time quote service
    Charts, // the chart image service
    Site,   // the maker's site: update check and advertising
};

// The root of a service's addresses, without a trailing "/": the public
// service, or the one the build names (QUOTARIUM_QUOTE_ROOT and its kin).
QString serviceRoot(Service service);

// Lets tests and tools send a service's requests to a server of their own,
// e.g. "http://127.0.0.1:8080"; an empty text goes back to the build's root.
// Read when a request is made. The site's addresses are constants taken at
// start (SITE_URL and those built on it), so a test reaches the site through
// a proxy instead.
void setServiceRoot(Service service, const QString& root);

// A hung service must not keep requests open, and piling up, for ever: a
// request that transfers nothing for this long ends with an error.
constexpr int TRANSFER_TIMEOUT_MS = 15000;

// Lets tests see a hung service given up without waiting the full default,
// for requests prepared afterwards; 0 or less restores the default.
void setTransferTimeout(int ms);

// Sets the transfer time-out and a redirect policy that never leads from
// https to http.
void prepareRequest(QNetworkRequest& request);

// Aborts `reply` once it announces or delivers more than `maxBytes`, so that
// a wrong answer cannot fill the memory.
void limitSize(QNetworkReply* reply, qint64 maxBytes);

} // namespace web
