#include "core/WebRequest.h"

#include <QBuffer>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QTimer>

#include <array>

namespace web {

namespace {
struct ServiceAddress
{
    const char* configured; // by the build; empty for the public default
    const char* fallback;
};

// In the order of Service.
const std::array<ServiceAddress, 5> ADDRESSES = {{
    // The public real-time quote service the product reads.
    {QUOTARIUM_QUOTE_ROOT, "https://hq.sinajs.cn"},
    // A public service that serves ready-made GIF charts.
    {QUOTARIUM_CHART_ROOT, "http://image.sinajs.cn"},
    // The maker has no site of its own yet; a reserved example domain keeps
    // update checks from reaching anybody's real server.
    {QUOTARIUM_SITE_ROOT, "http://www.example.com/quotarium"},
    // A public service that finds stocks by name, code or pinyin initials.
    {QUOTARIUM_SUGGEST_ROOT, "https://smartbox.gtimg.cn"},
    // A second public quote service, reachable from networks where the
    // first is not.
    {QUOTARIUM_QUOTE_BACKUP_ROOT, "https://qt.gtimg.cn"},
}};

std::array<QString, ADDRESSES.size()>& rootOverrides()
{
    static std::array<QString, ADDRESSES.size()> roots;
    return roots;
}

int& transferTimeoutOverride()
{
    static int ms = 0;
    return ms;
}

int& deadlineOverride()
{
    static int ms = 0;
    return ms;
}

// Where get() leaves a reply's limit for body().
const char* const MAX_BYTES_PROPERTY = "quotariumMaxBytes";

QString withoutTrailingSlashes(QString root)
{
    while (root.endsWith(QLatin1Char('/')))
        root.chop(1);
    return root;
}
} // namespace

QString serviceRoot(Service service)
{
    const auto index = std::size_t(service);
    if (!rootOverrides()[index].isEmpty())
        return rootOverrides()[index];
    const QString configured =
        withoutTrailingSlashes(QString::fromUtf8(ADDRESSES[index].configured));
    return configured.isEmpty() ? QString::fromLatin1(ADDRESSES[index].fallback) : configured;
}

void setServiceRoot(Service service, const QString& root)
{
    rootOverrides()[std::size_t(service)] = withoutTrailingSlashes(root);
}

void setTransferTimeout(int ms)
{
    transferTimeoutOverride() = ms;
}

void setDeadline(int ms)
{
    deadlineOverride() = ms;
}

QNetworkReply* get(QNetworkAccessManager& manager, QNetworkRequest request, qint64 maxBytes)
{
    request.setTransferTimeout(transferTimeoutOverride() > 0 ? transferTimeoutOverride()
                                                             : TRANSFER_TIMEOUT_MS);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = manager.get(request);
    reply->setProperty(MAX_BYTES_PROPERTY, maxBytes);
    // Qt's network thread stops reading once about this much waits unread,
    // so an oversized reply stops growing near the limit instead of at
    // whatever arrived before the abort below takes effect.
    reply->setReadBufferSize(maxBytes + READ_AHEAD_BYTES);

    // Queued: abort() finishes the reply, which should not happen inside one
    // of its own signals.
    const auto refuse = [reply] {
        QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, maxBytes, refuse] {
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        if (announced.isValid() && announced.toLongLong() > maxBytes)
            refuse();
    });
    // Nothing reads a reply before it has finished, so what is available is
    // all that arrived.
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, maxBytes, refuse] {
        if (reply->bytesAvailable() > maxBytes)
            refuse();
    });
    QTimer::singleShot(deadlineOverride() > 0 ? deadlineOverride() : DEADLINE_MS, reply, [reply] {
        if (reply->isRunning())
            reply->abort();
    });
    return reply;
}

void useSystemProxies()
{
    QNetworkProxyFactory::setUseSystemConfiguration(true);
}

QByteArray body(QNetworkReply* reply)
{
    // An aborted reply is closed and has nothing to read.
    if (reply->error() != QNetworkReply::NoError || !reply->isOpen() ||
        reply->bytesAvailable() > reply->property(MAX_BYTES_PROPERTY).toLongLong())
        return QByteArray();
    return reply->readAll();
}

QImage readImage(const QByteArray& bytes, const char* format, qint64 maxPixels,
                 const QSize& scaledTo)
{
    // A failed download has no body: nothing to load an image plugin for.
    if (bytes.isEmpty())
        return QImage();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (size.isEmpty() || qint64(size.width()) * size.height() > maxPixels)
        return QImage();
    // Some formats declare one size and decode to another: a GIF names the
    // size of its first frame but is drawn on a canvas of any size. The
    // decoder itself refuses more than the pixels allowed, at four bytes each.
    reader.setAllocationLimit(int((maxPixels * 4 + (1 << 20) - 1) >> 20));
    if (!scaledTo.isEmpty())
        reader.setScaledSize(scaledTo);
    return reader.read();
}

} // namespace web
