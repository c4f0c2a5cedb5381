#pragma once

#include "FakeHttpServer.h"

#include <QHash>

// Every service the program talks to, played by one local fake: the quote
// service, the chart image service and the maker's site (update check and
// advertising). The maker's site has a fixed address, so the fake is also
// installed as the application's HTTP proxy: nothing leaves the machine.
class FakeServices
{
public:
    FakeServices();
    ~FakeServices();
    FakeServices(const FakeServices&) = delete;
    FakeServices& operator=(const FakeServices&) = delete;

    FakeHttpServer server;

    // Reply of the update check: the latest release date ("date=" line).
    QString latestRelease = QStringLiteral("2000-01-01");
    // Advertising configuration; empty answers 404.
    QByteArray adConfig;
    // Extra paths (e.g. ad images) and their replies.
    QHash<QString, HttpReply> files;
    // Set to false to make both quote services answer 500.
    bool quotesUp = true;
    // Another status for the first quote service alone (0: it answers).
    int primaryStatus = 0;

    // Requests to either quote service.
    QList<HttpRequestRecord> quoteRequests() const;
    QList<HttpRequestRecord> requestsTo(const QString& pathPrefix) const;
};
