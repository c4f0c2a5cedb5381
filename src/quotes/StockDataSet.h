#pragma once

#include "quotes/StockData.h"
#include "stocks/StockCodeData.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringView>

#include <array>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

// The quote feed: one HTTP GET for all codes of the stock list, the reply cut
// into quote records and handed on with readFinished. Keeps only the records
// of the last good reply.
class TStockDataSet : public QObject
{
    Q_OBJECT
public:
    explicit TStockDataSet(QObject* parent = nullptr);
    ~TStockDataSet() override;

    // An empty list keeps the previous codes. Issues no request.
    void setStockCodes(const TStockCodeDataItems& items);
    // One request for all codes; the answer arrives through the event loop.
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
    QNetworkAccessManager* networkManager() const { return manager; }

signals:
    // By reference: a direct connection then copies none of the records;
    // a queued one still gets its own copy.
    void readFinished(const TStockDataItems& items);
    // The newest request so far failed (network or HTTP error, time-out,
    // an empty or oversized reply); the last records stay.
    void downloadFailed();

public slots:
    void downloadFinished(QNetworkReply* reply);

private:
    // Parts 0 to 10 of one record: the code and values 1 to 10.
    using RecordParts = std::array<QStringView, 11>;

    void downloadUrl(const QString& url);
    void parseData(const QByteArray& bytes);
    // The parse chain works on views into the decoded body, so an entry is
    // copied only into the fields of its record.
    void parseLine(QStringView line);
    // The record text is `code` + "," + `values`, split at every ",".
    void addItem(QStringView code, QStringView values);
    static void fillItem(const RecordParts& parts, TStockData& item);

    QString stockCodes;
    TStockDataItems items;
    QByteArray data;
    QNetworkAccessManager* manager;
    QNetworkRequest* request;

    qint64 maxReplyBytes; // grows with the number of codes
    quint64 requestsSent = 0;
    quint64 newestShown = 0; // the newest request whose reply was parsed
    QString lineBuffer;      // an entry with line feeds in it, without them
    size_t recordCount = 0;  // records of the reply being parsed so far
};
