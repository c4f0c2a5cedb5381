#include "core/WebRequest.h"

#include <QNetworkReply>

#include <array>

namespace web {

namespace {
struct ServiceAddress
{
    const char* configured; // by the build; empty for the public default
    const char* fallback;
};

// In the order of Service.
const std::array<ServiceAddress, 3> ADDRESSES = {{
    // The public real-time quote service the product reads.
    {QUOTARIUM_QUOTE_ROOT, "https://hq.sinajs.cn"},
    // A public service that serves ready-made GIF charts.
    {QUOTARIUM_CHART_ROOT, "http://image.sinajs.cn"},
    // The maker has no site of its own yet; a reserved example domain keeps
    // update checks from reaching anybody's real server.
    {QUOTARIUM_SITE_ROOT, "http://www.example.com/quotarium"},
}};

std::array<QString, 3>& rootOverrides()
{
    static std::array<QString, 3> roots;
    return roots;
}

int& transferTimeoutOverride()
{
    static int ms = 0;
    return ms;
}

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

void prepareRequest(QNetworkRequest& request)
{
    request.setTransferTimeout(transferTimeoutOverride() > 0 ? transferTimeoutOverride()
                                                             : TRANSFER_TIMEOUT_MS);
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
