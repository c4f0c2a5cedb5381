#pragma once

#include "quotes/StockData.h"
#include "stocks/StockCodeData.h"

#include <QByteArray>
#include <QNetworkRequest>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <memory>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

// The quote feed: one HTTP GET for all codes of the stock list (one per batch
// of codes for a very long list), the reply cut into quote records and handed
// on with readFinished. Keeps only the records of the last good reply.
class TStockDataSet : public QObject
{
    Q_OBJECT
public:
    explicit TStockDataSet(QObject* parent = nullptr);
    ~TStockDataSet() override;

    // Issues no request.
    void setStockCodes(const TStockCodeDataItems& items);
    // One request for all codes, or one per batch for a long list; the
    // answer arrives through the event loop. While an earlier refresh is
    // still open this one waits, and is sent as soon as that one ends. An
    // empty list asks nothing: readFinished reports no records at once.
    void download();

    // The base address the codes are appended to: the quote service's root
    // (web::serviceRoot) followed by "/list=".
    static QString quoteUrl();
    const TStockDataItems& records() const { return items; }
    // The parse every reply goes through, for benchmarks and fuzzing.
    const TStockDataItems& parseReply(const QByteArray& body)
    {
        parseData(body);
        return items;
    }
    QNetworkAccessManager* networkManager() const { return manager.get(); }

signals:
    // By reference: a direct connection then copies none of the records;
    // a queued one still gets its own copy.
    void readFinished(const TStockDataItems& items);
    // The newest refresh failed (network or HTTP error, time-out, deadline,
    // an empty or oversized reply); the last records stay.
    void downloadFailed();

public slots:
    void downloadFinished(QNetworkReply* reply);

private:
    // Parts 0 to 10 of one record: the code and values 1 to 10.
    using RecordParts = std::array<QStringView, 11>;

    void downloadUrl(const QString& url, qsizetype batch);
    // Turns one reply into `items`, replacing the last records.
    void parseData(const QByteArray& bytes);
    // Appends the records of one reply after the first `recordCount`.
    void parseBody(const QByteArray& bytes);
    // The parse chain works on views into the decoded body, so an entry is
    // copied only into the fields of its record.
    void parseLine(QStringView line);
    // The record text is `code` + "," + `values`, split at every ",".
    void addItem(QStringView code, QStringView values);
    static void fillItem(const RecordParts& parts, TStockData& item);

    // The codes of the stock list joined by ",": one text per request, in
    // list order.
    QStringList stockCodes;
    TStockDataItems items;
    // The bodies of the open refresh that have arrived, one per request in
    // list order; released once parsed.
    std::vector<QByteArray> data;
    std::unique_ptr<QNetworkAccessManager> manager;
    QNetworkRequest request; // reused for every request, with its Referer

    quint64 refreshesSent = 0;
    quint64 openRefresh = 0; // the refresh whose replies are awaited; 0 for none
    int batchesLeft = 0;     // its requests not yet finished
    bool openFailed = false; // one of its requests failed
    bool refreshDue = false; // download() was called while it was open
    QString lineBuffer;      // an entry with line feeds in it, without them
    size_t recordCount = 0;  // records of the reply being parsed so far
};
