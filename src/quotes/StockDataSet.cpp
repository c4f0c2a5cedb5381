#include "quotes/StockDataSet.h"

#include "core/Gb18030.h"
#include "core/WebRequest.h"
#include "quotes/TextNumber.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

#include <cmath>
#include <cstring>

namespace {
// Since 2022 the service refuses (HTTP 403) every request whose Referer does
// not name its own finance site, so the feed sends one.
const QByteArray QUOTE_REFERER = QByteArrayLiteral("https://finance.sina.com.cn/");

// Common servers refuse request lines over 8 KB; a code with its comma takes
// about nine characters, and the service's own pages ask for at most this
// many at once.
constexpr qsizetype MAX_BATCH_CODES = 800;

// Each request carries the refresh it belongs to and its place among the
// refresh's requests (see downloadFinished).
constexpr auto REFRESH_ATTRIBUTE = QNetworkRequest::User;
constexpr auto BATCH_ATTRIBUTE = QNetworkRequest::Attribute(QNetworkRequest::User + 1);

// Entries of this many characters or fewer are not read (the service answers
// an unknown code with a short entry without values).
constexpr qsizetype SHORT_ENTRY_LENGTH = 26;

// Appends the ","-separated parts of `text` (empty ones included) to `parts`
// from position `count` on, stopping when `parts` is full. Returns the new
// count. `text` always yields at least one part, as QString::split does.
int splitInto(QStringView text, std::array<QStringView, 11>& parts, int count)
{
    // A plain loop: the parts are short, and only the first few are wanted.
    const QChar* const chars = text.data();
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n && count < int(parts.size()); ++i) {
        if (chars[i] == u',') {
            parts[size_t(count++)] = text.sliced(start, i - start);
            start = i + 1;
        }
    }
    if (count < int(parts.size()))
        parts[size_t(count++)] = text.sliced(start);
    return count;
}

// `text = part.toString()`, reusing the buffer of `text` when it has one of
// its own that is large enough. A missing part (null view) gives null text.
void setText(QString& text, QStringView part)
{
    if (part.isNull()) {
        text = QString();
        return;
    }
    text.resize(part.size());
    if (!part.isEmpty())
        std::memcpy(text.data(), part.data(), size_t(part.size()) * sizeof(QChar));
}

struct CurrentPrice
{
    const QString& text;
    double value;
};

CurrentPrice currentPrice(const TStockData& record, double basePrice)
{
    const double price = textToDouble(record.price);
    const bool traded = price != 0 && std::isfinite(price);
    if (traded || !(basePrice > 0 && std::isfinite(basePrice)))
        return {record.price, price};
    const double bid = textToDouble(record.value7);
    if (bid > 0 && std::isfinite(bid))
        return {record.value7, bid};
    return {record.basePrice, basePrice};
}

} // namespace

const QString& shownPrice(const TStockData& record)
{
    return currentPrice(record, textToDouble(record.basePrice)).text;
}

TStockDataSet::TStockDataSet(QObject* parent)
    : QObject(parent), manager(std::make_unique<QNetworkAccessManager>())
{
    request.setRawHeader(QByteArrayLiteral("Referer"), QUOTE_REFERER);
    connect(manager.get(), &QNetworkAccessManager::finished, this,
            &TStockDataSet::downloadFinished);
}

TStockDataSet::~TStockDataSet()
{
    // The outstanding replies die with the manager; none of them may reach
    // this half-destroyed feed on the way.
    disconnect(manager.get(), nullptr, this, nullptr);
}

void TStockDataSet::setStockCodes(const TStockCodeDataItems& items)
{
    // An emptied list is a list like any other: keeping the old codes would
    // go on showing the stocks the user just deleted.
    stockCodes.clear();
    for (size_t first = 0; first < items.size(); first += MAX_BATCH_CODES) {
        const size_t end = qMin(items.size(), first + size_t(MAX_BATCH_CODES));
        QString codes;
        for (size_t i = first; i + 1 < end; ++i)
            codes += items[i].code + QLatin1Char(',');
        codes += items[end - 1].code;
        stockCodes.append(codes);
    }
}

QString TStockDataSet::quoteUrl()
{
    return web::serviceRoot(web::Service::Quotes) + QStringLiteral("/list=");
}

void TStockDataSet::download()
{
    // A service slower than the refresh interval must not collect one open
    // request per tick: the refresh waits for the open one and goes out as
    // soon as that ends (each request ends by its deadline at the latest).
    if (stockCodes.isEmpty()) {
        // Nothing to ask: the answer is an empty table at once, and a reply
        // still due for the old list must not fill it again.
        openRefresh = 0;
        refreshDue = false;
        items.clear();
        emit readFinished(items);
        return;
    }
    if (openRefresh != 0) {
        refreshDue = true;
        return;
    }
    openRefresh = ++refreshesSent;
    openFailed = false;
    batchesLeft = int(stockCodes.size());
    data.assign(stockCodes.size(), QByteArray());
    for (qsizetype batch = 0; batch < stockCodes.size(); ++batch)
        downloadUrl(quoteUrl() + stockCodes.at(batch), batch);
}

void TStockDataSet::downloadUrl(const QString& url, qsizetype batch)
{
    request.setUrl(QUrl(url));
    request.setAttribute(REFRESH_ATTRIBUTE, openRefresh);
    request.setAttribute(BATCH_ATTRIBUTE, batch);
    const qsizetype codes = stockCodes.at(batch).count(QLatin1Char(',')) + 1;
    web::get(*manager, request, web::quoteReplyMaxBytes(codes));
}

void TStockDataSet::downloadFinished(QNetworkReply* reply)
{
    reply->deleteLater();
    const QNetworkRequest& sent = reply->request();
    if (sent.attribute(REFRESH_ATTRIBUTE).toULongLong() != openRefresh)
        return; // of no refresh that is still awaited

    // A timed-out, oversized or failed request is an error like any other:
    // the whole refresh is, and the last quotes stay.
    QByteArray body = web::body(reply);
    if (body.isEmpty())
        openFailed = true;
    else
        data[size_t(sent.attribute(BATCH_ATTRIBUTE).toLongLong())] = std::move(body);
    if (--batchesLeft > 0)
        return;

    openRefresh = 0;
    const bool good = !openFailed;
    if (good) {
        // The batches' records join in list order.
        recordCount = 0;
        for (const QByteArray& bytes : data)
            parseBody(bytes);
        items.resize(recordCount);
    }
    // Some hundred KB at a thousand codes, not worth keeping until the next
    // refresh.
    data.clear();
    if (good)
        emit readFinished(items);
    else
        emit downloadFailed();
    if (refreshDue) {
        refreshDue = false;
        download();
    }
}

void TStockDataSet::parseData(const QByteArray& bytes)
{
    recordCount = 0;
    parseBody(bytes);
    items.resize(recordCount);
}

void TStockDataSet::parseBody(const QByteArray& bytes)
{
    const QString text = gb18030::decodeUntilNul(bytes);
    const QStringView body(text);

    // Entries end at ";"; text after the last one is discarded. Line feeds
    // are dropped wherever they stand. The service puts one between entries,
    // so those at either end are sliced off; only an entry with one inside
    // is copied without them.
    qsizetype start = 0;
    for (qsizetype end = body.indexOf(u';'); end >= 0; end = body.indexOf(u';', start)) {
        QStringView entry = body.sliced(start, end - start);
        start = end + 1;
        while (entry.startsWith(u'\n'))
            entry = entry.sliced(1);
        while (entry.endsWith(u'\n'))
            entry.chop(1);
        if (!entry.contains(u'\n')) {
            parseLine(entry);
            continue;
        }
        lineBuffer = entry.toString();
        lineBuffer.remove(u'\n');
        parseLine(lineBuffer);
    }
}

void TStockDataSet::parseLine(QStringView line)
{
    const qsizetype n = line.size();
    if (n <= SHORT_ENTRY_LENGTH)
        return;
    const qsizetype p = line.indexOf(u'='); // -1 when there is none

    // The six characters in front of "=" (fewer when "=" stands near the
    // start, none without "="), then the values from the second character
    // after "=" up to but not including the entry's last character.
    const qsizetype codeStart = qMax<qsizetype>(p - 6, 0);
    const QStringView code = line.sliced(codeStart, qMax<qsizetype>(p, 0) - codeStart);
    const qsizetype valuesStart = p + 2;
    const QStringView values =
        valuesStart < n - 1 ? line.sliced(valuesStart, n - 1 - valuesStart) : QStringView();
    addItem(code, values);
}

void TStockDataSet::addItem(QStringView code, QStringView values)
{
    // The record text code + "," + values is never empty, and splitting it is
    // splitting each half in turn. Parts beyond the eleventh are dropped.
    RecordParts parts{};
    const int count = splitInto(code, parts, 0);
    splitInto(values, parts, count);
    fillItem(parts, recordCount < items.size() ? items[recordCount] : items.emplace_back());
    ++recordCount;
}

void TStockDataSet::fillItem(const RecordParts& parts, TStockData& item)
{
    // An entry with fewer than ten values leaves the missing fields empty:
    // the parts that do not exist are null views.
    setText(item.code, parts[0]);
    setText(item.name, parts[1]);
    setText(item.value2, parts[2]);
    setText(item.basePrice, parts[3]);
    setText(item.price, parts[4]);
    setText(item.value5, parts[5]);
    setText(item.value6, parts[6]);
    setText(item.value7, parts[7]);
    setText(item.value8, parts[8]);
    setText(item.value9, parts[9]);
    setText(item.value10, parts[10]);

    // Text that is no number gives 0; a zero basePrice gives Qt's text for a
    // non-finite value. A stock that has not traded yet gives 0 or the
    // auction's move instead of a fall of 100 %.
    const double basePrice = textToDouble(item.basePrice);
    const double price = currentPrice(item, basePrice).value;
    item.percent.setNum((price - basePrice) / basePrice * 100, 'g', 2);
}
