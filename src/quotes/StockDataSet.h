#pragma once

#include "quotes/StockData.h"
#include "stocks/StockCodeData.h"

#include <QByteArray>
#include <QDateTime>
#include <QNetworkRequest>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

// The quote feed: one HTTP GET for all codes of the stock list (one per batch
// of codes for a very long list), the reply cut into quote records and handed
// on with readFinished. Keeps only the records of the last good reply.
//
// Two services give the same records. A refresh goes to the current one;
// when it fails, the next refresh goes at once to the other, which stays
// current while it answers. While the second is current, one refresh every
// ten minutes tries the first again. A service that refused with 403 or 429
// is not asked for a pause that doubles from one minute up to thirty.
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
    // (web::serviceRoot) followed by "/list=", or the second service's
    // followed by "/q=".
    static QString quoteUrl(QuoteSource source = QuoteSource::Primary);
    const TStockDataItems& records() const { return items; }
    // The time of each record's quote, "yyyy-MM-dd HH:mm:ss" as the service
    // wrote it (empty when the entry has none): records()[i] is of
    // quoteTimes()[i].
    const std::vector<QString>& quoteTimes() const { return times; }
    // Where records() came from.
    QuoteSource recordsSource() const { return shownSource; }
    // The service the next refresh goes to, pauses aside.
    QuoteSource currentSource() const { return current; }
    // The services that failed since the last good refresh, in the order
    // they were tried.
    std::vector<QuoteSource> failedSources() const;
    // The parse every reply goes through, for benchmarks and fuzzing.
    const TStockDataItems& parseReply(const QByteArray& body,
                                      QuoteSource source = QuoteSource::Primary);
    QNetworkAccessManager* networkManager() const { return manager.get(); }

signals:
    // By reference: a direct connection then copies none of the records;
    // a queued one still gets its own copy.
    void readFinished(const TStockDataItems& items);
    // The newest refresh failed (network or HTTP error, time-out, deadline,
    // an empty or oversized reply, a body that is not the service's) and no
    // other service is asked at once; the last records stay.
    void downloadFailed();

public slots:
    void downloadFinished(QNetworkReply* reply);

private:
    // Parts 0 to 10 of one record: the code and values 1 to 10.
    using RecordParts = std::array<QStringView, 11>;

    struct SourceState
    {
        QDateTime pausedUntil; // not asked before then (after a 403 or 429)
        int pauseMinutes = 0;  // of the last pause; 0 after a good answer
        bool failed = false;   // failed since the last good refresh
    };

    void downloadUrl(const QString& url, qsizetype batch);
    // The service a refresh at `now` goes to; none when both are paused.
    std::optional<QuoteSource> chooseSource(const QDateTime& now);
    void send(QuoteSource source, bool failover);
    // Keeps the score of the services; true when the other one is to be
    // asked at once.
    bool refreshEnded(bool good);
    // The first service becomes current at once; the second only from the
    // first, which starts the clock of the first one's next trial.
    void turnTo(QuoteSource source, const QDateTime& now);
    // Turns one reply into `items`, replacing the last records.
    void parseData(const QString& text, QuoteSource source);
    // Appends the records of one reply after the first `recordCount`.
    void parseBody(QStringView body);
    void parseBackupBody(QStringView body);
    // The parse chain works on views into the decoded body, so an entry is
    // copied only into the fields of its record.
    void parseLine(QStringView line);
    // The record text is `code` + "," + `values`, split at every ",".
    void addItem(QStringView code, QStringView values);
    static void fillItem(const RecordParts& parts, TStockData& item);
    static void computePercent(TStockData& item);
    // The next record to fill; its time is times[recordCount].
    TStockData& nextRecord();

    // The codes joined by ",": one text per request, in list order; each
    // service has its own batch size.
    std::array<QStringList, 2> stockCodes;
    TStockDataItems items;
    std::vector<QString> times;
    QuoteSource shownSource = QuoteSource::Primary;
    // The bodies of the open refresh that have arrived, decoded, one per
    // request in list order; released once parsed.
    std::vector<QString> data;
    std::unique_ptr<QNetworkAccessManager> manager;
    QNetworkRequest request;       // reused for every request, with its Referer
    QNetworkRequest backupRequest; // the second service's, without one

    QuoteSource current = QuoteSource::Primary;
    QuoteSource openSource = QuoteSource::Primary;
    std::array<SourceState, 2> sources;
    std::vector<QuoteSource> failedOrder;
    // While the second service is current: when the first is tried again.
    QDateTime primaryTrialAt;
    bool openIsFailover = false; // the open refresh was sent at once after a failure
    int openStatus = 0;          // 403 or 429 when a request of it met one

    quint64 refreshesSent = 0;
    quint64 openRefresh = 0; // the refresh whose replies are awaited; 0 for none
    int batchesLeft = 0;     // its requests not yet finished
    bool openFailed = false; // one of its requests failed
    bool refreshDue = false; // download() was called while it was open
    QString lineBuffer;      // an entry with line feeds in it, without them
    size_t recordCount = 0;  // records of the reply being parsed so far
};
