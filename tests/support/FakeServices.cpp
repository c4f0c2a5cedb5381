#include "FakeServices.h"

#include "QuoteReplies.h"
#include "core/WebRequest.h"

#include <QNetworkProxy>

FakeServices::FakeServices()
{
    server.setHandler([this](const HttpRequestRecord& request) {
        const bool backup = request.path.startsWith(QStringLiteral("/q="));
        if (backup || request.path.startsWith(QStringLiteral("/list="))) {
            if (!quotesUp)
                return HttpReply::withStatus(500);
            if (!backup && primaryStatus != 0)
                return HttpReply::withStatus(primaryStatus);
            return HttpReply::gb18030(quoteReplyFor(codesOfQuotePath(request.path), backup));
        }
        if (request.path.endsWith(QStringLiteral("/ver.php")))
            return HttpReply::ok("date=" + latestRelease.toLatin1() + "\n");
        if (request.path.endsWith(QStringLiteral("/ad/ad_cfg_1.php")))
            return adConfig.isEmpty() ? HttpReply::withStatus(404) : HttpReply::ok(adConfig);
        const auto file = files.constFind(request.path);
        if (file != files.constEnd())
            return *file;
        return HttpReply::withStatus(404);
    });
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), server.port()));
    web::setServiceRoot(web::Service::Quotes, server.baseUrl());
    web::setServiceRoot(web::Service::QuotesBackup, server.baseUrl());
    web::setServiceRoot(web::Service::Charts, server.baseUrl());
}

FakeServices::~FakeServices()
{
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    web::setServiceRoot(web::Service::Quotes, QString());
    web::setServiceRoot(web::Service::QuotesBackup, QString());
    web::setServiceRoot(web::Service::Charts, QString());
}

QList<HttpRequestRecord> FakeServices::quoteRequests() const
{
    QList<HttpRequestRecord> matching;
    for (const HttpRequestRecord& r : server.requests()) {
        if (r.path.startsWith(QStringLiteral("/list=")) || r.path.startsWith(QStringLiteral("/q=")))
            matching << r;
    }
    return matching;
}

QList<HttpRequestRecord> FakeServices::requestsTo(const QString& pathPrefix) const
{
    QList<HttpRequestRecord> matching;
    for (const HttpRequestRecord& r : server.requests()) {
        if (r.path.startsWith(pathPrefix) || r.path.contains(pathPrefix))
            matching << r;
    }
    return matching;
}
