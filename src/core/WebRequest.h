#pragma once

#include <QImage>
#include <QNetworkRequest>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// Where the program's services live and what every request to them shares:
// the one place that decides addresses, time-outs and size limits.
namespace web {

enum class Service
{
    Quotes,  // the real-time quote service
    Charts,  // the chart image service
    Site,    // the maker's site: update check and advertising
    Suggest, // stocks by name, code or pinyin initials, for the stock set editor
    // A second real-time quote service, asked while the first fails.
    QuotesBackup,
};

// The root of a service's addresses, without a trailing "/": the public
// service, or the one the build names (QUOTARIUM_QUOTE_ROOT and its kin,
// QUOTARIUM_QUOTE_BACKUP_ROOT for the second quote service).
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
// Nor may one that trickles: every request ends this long after it was sent,
// whatever its pace.
constexpr int DEADLINE_MS = 20000;

// Lets tests see a hung or trickling service given up without waiting the
// full defaults, for requests sent afterwards; 0 or less restores a default.
void setTransferTimeout(int ms);
void setDeadline(int ms);

// The most each kind of download may bring, far above what a good answer
// needs: only something else (an error page, a broken proxy, junk) comes
// near it, and it is given up before it can fill the memory.
constexpr qint64 TEXT_MAX_BYTES = 64 * 1024; // update check, advertising configuration
// Ten suggestions are under a KB; the service may send some dozens.
constexpr qint64 SUGGEST_MAX_BYTES = 64 * 1024;
constexpr qint64 AD_IMAGE_MAX_BYTES = 4 * 1024 * 1024;
// A chart GIF is tens of KB.
constexpr qint64 CHART_MAX_BYTES = 2 * 1024 * 1024;
// A quote entry is about 300 bytes; a reply may take this much per code
// asked for, and a margin on top.
constexpr qint64 quoteReplyMaxBytes(qsizetype codes)
{
    return 64 * 1024 + qint64(codes) * 2048;
}

// How far past its limit Qt may read a reply ahead of the abort. Qt's flow
// control stops short of a full read buffer by up to one block of the
// connection, so the buffer is made this much larger than the limit: only
// then is the limit sure to be crossed before Qt waits for a reader.
constexpr qint64 READ_AHEAD_BYTES = 1024 * 1024;

// Sends a GET of `request` with the program's time-outs, deadline and a
// redirect policy that never leads from https to http. The reply is aborted
// once it announces or delivers more than `maxBytes`, and Qt holds at most
// READ_AHEAD_BYTES more than that before the abort takes effect.
QNetworkReply* get(QNetworkAccessManager& manager, QNetworkRequest request, qint64 maxBytes);

// Uses the desktop's proxy settings for every request from here on: the
// session's https_proxy, http_proxy and no_proxy variables on Linux, the
// system's Internet Options on Windows. Start-up calls it once.
void useSystemProxies();

// The body of a finished reply from get(): empty when it failed, was aborted
// or brought more than its limit (a fast link can deliver all of it before
// the abort takes effect). Read once: the body is not kept by the reply.
QByteArray body(QNetworkReply* reply);

// The most pixels a picture may have to be decoded at all: a small file can
// declare a huge picture, and decoding it would fill the memory.
constexpr qint64 AD_IMAGE_MAX_PIXELS = 1000 * 1000; // for a panel of about 200 x 60
constexpr qint64 CHART_MAX_PIXELS = 4000 * 1000;

// Decodes `bytes` (as `format`, or any format Qt reads when it is null) only
// when the picture declares a size of at most `maxPixels`; scaled to
// `scaledTo` when that is not empty. A null image otherwise.
QImage readImage(const QByteArray& bytes, const char* format, qint64 maxPixels,
                 const QSize& scaledTo = QSize());

} // namespace web
