#include "quotes/StockDataSet.h"

#include "core/Clock.h"
#include "core/Gb18030.h"
#include "core/WebRequest.h"
#include "quotes/TextNumber.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

#include <QVarLengthArray>
#include <QtAlgorithms>

#include <algorithm>
#include <cmath>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {
// Since 2022 the service refuses (HTTP 403) every request whose Referer does
// not name its own finance site, so the feed sends one.
const QByteArray QUOTE_REFERER = QByteArrayLiteral("https://finance.sina.com.cn/");

// Common servers refuse request lines over 8 KB; a code with its comma takes
// about nine characters, and the service's own pages ask for at most this
// many at once.
constexpr qsizetype MAX_BATCH_CODES = 800;
// The second service's own pages, and its peers, ask for at most this many.
constexpr qsizetype MAX_BACKUP_BATCH_CODES = 60;

constexpr qint64 PRIMARY_TRIAL_SECONDS = 10 * 60;
constexpr int MAX_PAUSE_MINUTES = 30;

// The second service's fields (0-based, split at "~").
enum BackupField
{
    B_NAME = 1,
    B_CODE = 2,
    B_PRICE = 3,
    B_PREVIOUS_CLOSE = 4,
    B_OPEN = 5,
    B_VOLUME_LOTS = 6,
    B_BID = 9,
    B_ASK = 19,
    B_TIME = 30,
    B_HIGH = 33,
    B_LOW = 34,
    B_AMOUNT_10K = 37,
    B_FIELD_COUNT
};

// The primary's values (the name counted as 0) holding the quote's date and
// time.
constexpr int PRIMARY_DATE_VALUE = 30;

constexpr size_t sourceIndex(QuoteSource source)
{
    return source == QuoteSource::Primary ? 0 : 1;
}

constexpr QuoteSource otherSource(QuoteSource source)
{
    return source == QuoteSource::Primary ? QuoteSource::Backup : QuoteSource::Primary;
}

// Whether `until` is still ahead of `now`, and by no more than `most`
// seconds: a clock set back must not stretch a pause or a wait for hours.
bool ahead(const QDateTime& now, const QDateTime& until, qint64 most)
{
    if (!until.isValid())
        return false;
    const qint64 left = now.secsTo(until);
    return left > 0 && left <= most;
}

bool isNameChar(QChar c, bool first)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' ||
           (!first && u >= '0' && u <= '9');
}

QStringView withoutLineEnds(QStringView entry)
{
    while (!entry.isEmpty() && (entry.front() == u'\n' || entry.front() == u'\r'))
        entry = entry.sliced(1);
    while (!entry.isEmpty() && (entry.back() == u'\n' || entry.back() == u'\r'))
        entry.chop(1);
    return entry;
}

// The quote form: [var ]name="values", the name a script identifier, the
// values without quotation marks, empty or holding the service's separator.
bool isQuoteEntry(QStringView entry, QChar separator)
{
    entry = withoutLineEnds(entry);
    if (entry.startsWith(u"var "))
        entry = entry.sliced(4);
    qsizetype i = 0;
    while (i < entry.size() && isNameChar(entry[i], i == 0))
        ++i;
    if (i == 0 || !entry.sliced(i).startsWith(u"=\"") || entry.size() < i + 3 ||
        entry.back() != u'"')
        return false;
    const QStringView values = entry.sliced(i + 2, entry.size() - i - 3);
    return !values.contains(u'"') && (values.isEmpty() || values.contains(separator));
}

// A body is the service's when one of its entries has the quote form; a
// login page, a proxy's error page or any other page has none, and is not
// cut into rows.
bool isServiceBody(QStringView body, QChar separator)
{
    qsizetype start = 0;
    while (start < body.size()) {
        qsizetype end = body.indexOf(u';', start);
        if (end < 0)
            end = body.size();
        if (isQuoteEntry(body.sliced(start, end - start), separator))
            return true;
        start = end + 1;
    }
    return false;
}

// `text = part.toString()`, reusing the buffer of `text` when it has one of
// its own that is large enough. A missing part (null view) gives null text.
// Text that did not change is left alone: the table's cells and the quote
// watch share it, and writing it over would give each record a new copy.
void setText(QString& text, QStringView part)
{
    if (part.isNull()) {
        text = QString();
        return;
    }
    if (!text.isNull() && text == part)
        return;
    text.resize(part.size());
    if (!part.isEmpty())
        std::memcpy(text.data(), part.data(), size_t(part.size()) * sizeof(QChar));
}

// `digits` with its decimal point moved `places` to the right: lots to
// shares, units of 10,000 yuan to yuan, without the rounding of a double.
// Text that is no plain decimal is kept as it is.
void shiftDecimal(QString& out, QStringView digits, int places)
{
    if (digits.isNull()) {
        out = QString();
        return;
    }
    const qsizetype point = digits.indexOf(u'.');
    const QStringView whole = point < 0 ? digits : digits.first(point);
    const QStringView fraction = point < 0 ? QStringView() : digits.sliced(point + 1);
    const auto plain = [](QStringView part) {
        return std::all_of(part.begin(), part.end(),
                           [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    if (whole.isEmpty() || !plain(whole) || !plain(fraction)) {
        setText(out, digits);
        return;
    }
    // The digits without the point, padded with zeros up to the new point;
    // then the whole part without its leading zeros (but one) and the
    // fraction, if any is left, without its trailing ones. Written straight
    // into `out`: a thousand records each refresh should allocate nothing.
    QVarLengthArray<char16_t, 64> all;
    all.append(whole.utf16(), whole.size());
    all.append(fraction.utf16(), fraction.size());
    const qsizetype newPoint = whole.size() + places;
    while (all.size() < newPoint)
        all.append(u'0');
    qsizetype restEnd = all.size();
    while (restEnd > newPoint && all[restEnd - 1] == u'0')
        --restEnd;
    qsizetype zeros = 0;
    while (zeros + 1 < newPoint && all[zeros] == u'0')
        ++zeros;
    const qsizetype wholeLength = newPoint - zeros;
    const qsizetype restLength = restEnd - newPoint;
    out.resize(wholeLength + (restLength > 0 ? 1 + restLength : 0));
    char16_t* to = reinterpret_cast<char16_t*>(out.data());
    to = std::copy_n(all.constData() + zeros, wholeLength, to);
    if (restLength > 0) {
        *to++ = u'.';
        std::copy_n(all.constData() + newPoint, restLength, to);
    }
}

// Cuts `text` at every `separator` into `parts`, as far as they go; the
// parts that do not exist stay null views. The second service's entries
// have some fifty fields of a few characters each, so the separators are
// looked for eight characters at a time where the processor can.
template <size_t N>
void splitFields(QStringView text, char16_t separator, std::array<QStringView, N>& parts)
{
    const char16_t* const chars = text.utf16();
    const qsizetype n = text.size();
    size_t count = 0;
    qsizetype from = 0;
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i wanted = _mm_set1_epi16(short(separator));
    for (; i + 8 <= n && count < N; i += 8) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i));
        // Two bits per matching character.
        uint mask = uint(_mm_movemask_epi8(_mm_cmpeq_epi16(block, wanted)));
        while (mask != 0 && count < N) {
            const qsizetype at = i + qsizetype(qCountTrailingZeroBits(mask) / 2);
            parts[count++] = text.sliced(from, at - from);
            from = at + 1;
            mask &= mask - 1;
            mask &= mask - 1;
        }
    }
#endif
    for (; i < n && count < N; ++i) {
        if (chars[i] == separator) {
            parts[count++] = text.sliced(from, i - from);
            from = i + 1;
        }
    }
    if (count < N)
        parts[count] = text.sliced(from);
}

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
    // A stock that has traded stands at its price whatever the previous
    // close says, which then needs no reading: the table asks this of every
    // row on every refresh.
    const double price = textToDouble(record.price);
    if (price != 0 && std::isfinite(price))
        return record.price;
    return currentPrice(record, textToDouble(record.basePrice)).text;
}

QString quoteSourceName(QuoteSource source)
{
    return source == QuoteSource::Primary ? QStringLiteral("新浪") : QStringLiteral("腾讯");
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
    for (QuoteSource source : {QuoteSource::Primary, QuoteSource::Backup}) {
        const size_t batch =
            size_t(source == QuoteSource::Primary ? MAX_BATCH_CODES : MAX_BACKUP_BATCH_CODES);
        QStringList& batches = stockCodes[sourceIndex(source)];
        batches.clear();
        for (size_t first = 0; first < items.size(); first += batch) {
            const size_t end = qMin(items.size(), first + batch);
            QString codes;
            for (size_t i = first; i + 1 < end; ++i)
                codes += items[i].code + QLatin1Char(',');
            codes += items[end - 1].code;
            batches.append(codes);
        }
    }
}

QString TStockDataSet::quoteUrl(QuoteSource source)
{
    if (source == QuoteSource::Backup)
        return web::serviceRoot(web::Service::QuotesBackup) + QStringLiteral("/q=");
    return web::serviceRoot(web::Service::Quotes) + QStringLiteral("/list=");
}

std::vector<QuoteSource> TStockDataSet::failedSources() const
{
    return failedOrder;
}

const TStockDataItems& TStockDataSet::parseReply(const QByteArray& body, QuoteSource source)
{
    parseData(gb18030::decodeUntilNul(body), source);
    return items;
}

void TStockDataSet::download()
{
    // A service slower than the refresh interval must not collect one open
    // request per tick: the refresh waits for the open one and goes out as
    // soon as that ends (each request ends by its deadline at the latest).
    if (stockCodes[0].isEmpty()) {
        // Nothing to ask: the answer is an empty table at once, and a reply
        // still due for the old list must not fill it again.
        openRefresh = 0;
        refreshDue = false;
        items.clear();
        times.clear();
        emit readFinished(items);
        return;
    }
    if (openRefresh != 0) {
        refreshDue = true;
        return;
    }
    const std::optional<QuoteSource> source = chooseSource(appclock::now());
    if (!source) {
        // Both services are in their pause: the refresh fails unsent.
        emit downloadFailed();
        return;
    }
    send(*source, false);
}

void TStockDataSet::send(QuoteSource source, bool failover)
{
    openRefresh = ++refreshesSent;
    openSource = source;
    openIsFailover = failover;
    openFailed = false;
    openStatus = 0;
    const QStringList& batches = stockCodes[sourceIndex(source)];
    batchesLeft = int(batches.size());
    data.assign(size_t(batches.size()), QString());
    for (qsizetype batch = 0; batch < batches.size(); ++batch)
        downloadUrl(quoteUrl(source) + batches.at(batch), batch);
}

std::optional<QuoteSource> TStockDataSet::chooseSource(const QDateTime& now)
{
    const auto paused = [&](QuoteSource source) {
        const SourceState& state = sources[sourceIndex(source)];
        return ahead(now, state.pausedUntil, qint64(state.pauseMinutes) * 60);
    };
    QuoteSource wanted = current;
    if (current == QuoteSource::Backup && !paused(QuoteSource::Primary) &&
        !ahead(now, primaryTrialAt, PRIMARY_TRIAL_SECONDS)) {
        wanted = QuoteSource::Primary;
        primaryTrialAt = now.addSecs(PRIMARY_TRIAL_SECONDS);
    }
    if (!paused(wanted))
        return wanted;
    if (!paused(otherSource(wanted)))
        return otherSource(wanted);
    return std::nullopt;
}

void TStockDataSet::turnTo(QuoteSource source, const QDateTime& now)
{
    // A failed trial of the first service keeps the second one current and
    // its next trial where it was.
    if (source == QuoteSource::Primary) {
        current = QuoteSource::Primary;
        primaryTrialAt = QDateTime();
    } else if (current == QuoteSource::Primary) {
        current = QuoteSource::Backup;
        primaryTrialAt = now.addSecs(PRIMARY_TRIAL_SECONDS);
    }
}

bool TStockDataSet::refreshEnded(bool good)
{
    const QDateTime now = appclock::now();
    SourceState& state = sources[sourceIndex(openSource)];
    if (good) {
        for (SourceState& each : sources)
            each.failed = false;
        failedOrder.clear();
        state.pauseMinutes = 0;
        state.pausedUntil = QDateTime();
        // The second service may have been asked while the first was in its
        // pause.
        turnTo(openSource, now);
        return false;
    }
    if (openStatus == 403 || openStatus == 429) {
        state.pauseMinutes =
            state.pauseMinutes == 0 ? 1 : qMin(MAX_PAUSE_MINUTES, state.pauseMinutes * 2);
        state.pausedUntil = now.addSecs(qint64(state.pauseMinutes) * 60);
    }
    if (!state.failed) {
        state.failed = true;
        failedOrder.push_back(openSource);
    }
    const QuoteSource next = otherSource(openSource);
    turnTo(next, now);
    // Once per refresh: two failing services are asked once each, not in
    // turn without end.
    const SourceState& other = sources[sourceIndex(next)];
    return !openIsFailover && !ahead(now, other.pausedUntil, qint64(other.pauseMinutes) * 60);
}

void TStockDataSet::downloadUrl(const QString& url, qsizetype batch)
{
    QNetworkRequest& sent = openSource == QuoteSource::Primary ? request : backupRequest;
    sent.setUrl(QUrl(url));
    sent.setAttribute(REFRESH_ATTRIBUTE, openRefresh);
    sent.setAttribute(BATCH_ATTRIBUTE, batch);
    const QStringList& batches = stockCodes[sourceIndex(openSource)];
    const qsizetype codes = batches.at(batch).count(QLatin1Char(',')) + 1;
    web::get(*manager, sent, web::quoteReplyMaxBytes(codes));
}

void TStockDataSet::downloadFinished(QNetworkReply* reply)
{
    reply->deleteLater();
    const QNetworkRequest& sent = reply->request();
    // Only one refresh is open at a time, but an emptied list closes it at
    // once without aborting its requests: their replies are of the old list
    // and must not fill the emptied table.
    if (sent.attribute(REFRESH_ATTRIBUTE).toULongLong() != openRefresh)
        return;

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 403 || status == 429)
        openStatus = status;
    // A timed-out, oversized or failed request is an error like any other:
    // the whole refresh is, and the last quotes stay. So is a body that is
    // not the service's, such as a network's login page.
    const QByteArray body = web::body(reply);
    if (body.isEmpty()) {
        openFailed = true;
    } else {
        QString text = gb18030::decodeUntilNul(body);
        if (isServiceBody(text, openSource == QuoteSource::Primary ? u',' : u'~'))
            data[size_t(sent.attribute(BATCH_ATTRIBUTE).toLongLong())] = std::move(text);
        else
            openFailed = true;
    }
    if (--batchesLeft > 0)
        return;

    openRefresh = 0;
    const bool good = !openFailed;
    if (good) {
        // The batches' records join in list order.
        recordCount = 0;
        for (const QString& text : data) {
            if (openSource == QuoteSource::Primary)
                parseBody(text);
            else
                parseBackupBody(text);
        }
        items.resize(recordCount);
        times.resize(recordCount);
        shownSource = openSource;
    }
    // Some hundred KB at a thousand codes, not worth keeping until the next
    // refresh.
    data.clear();
    const QuoteSource failed = openSource;
    const bool failover = refreshEnded(good);
    if (good)
        emit readFinished(items);
    else if (!failover)
        emit downloadFailed();
    if (failover) {
        // At once, not one interval later; a refresh that was waiting is
        // this one.
        refreshDue = false;
        send(otherSource(failed), true);
    } else if (refreshDue) {
        refreshDue = false;
        download();
    }
}

void TStockDataSet::parseData(const QString& text, QuoteSource source)
{
    recordCount = 0;
    if (source == QuoteSource::Primary)
        parseBody(text);
    else
        parseBackupBody(text);
    items.resize(recordCount);
    times.resize(recordCount);
}

void TStockDataSet::parseBody(QStringView body)
{
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

void TStockDataSet::parseBackupBody(QStringView body)
{
    // v_sh600000="1~浦发银行~600000~...~"; one per code, an unknown code
    // with no values or no entry at all.
    qsizetype start = 0;
    for (qsizetype end = body.indexOf(u';'); end >= 0; end = body.indexOf(u';', start)) {
        const QStringView entry = withoutLineEnds(body.sliced(start, end - start));
        start = end + 1;
        const qsizetype p = entry.indexOf(u'=');
        if (p < 0 || entry.size() < p + 3 || entry[p + 1] != u'"' || entry.back() != u'"')
            continue;
        const QStringView values = entry.sliced(p + 2, entry.size() - p - 3);
        if (values.isEmpty())
            continue;
        std::array<QStringView, B_FIELD_COUNT> f{};
        splitFields(values, u'~', f);

        // The time as the primary writes it: 20261207103103 becomes
        // 2026-12-07 10:31:03.
        const QStringView stamp = f[B_TIME];
        TStockData& item = nextRecord();
        QString& time = times[recordCount];
        if (stamp.size() == 14) {
            // In place: the text keeps its buffer from one refresh to the next.
            time.resize(19);
            char16_t* t = reinterpret_cast<char16_t*>(time.data());
            const char16_t* from = stamp.utf16();
            for (int i = 0; i < 14; ++i) {
                *t++ = from[i];
                if (i == 3 || i == 5)
                    *t++ = u'-';
                else if (i == 7)
                    *t++ = u' ';
                else if (i == 9 || i == 11)
                    *t++ = u':';
            }
        } else {
            time.clear();
        }
        const QStringView name = entry.first(p);
        setText(item.code, f[B_CODE].isEmpty() ? name.last(qMin<qsizetype>(6, p)) : f[B_CODE]);
        setText(item.name, f[B_NAME]);
        setText(item.value2, f[B_OPEN]);
        setText(item.basePrice, f[B_PREVIOUS_CLOSE]);
        setText(item.price, f[B_PRICE]);
        setText(item.value5, f[B_HIGH]);
        setText(item.value6, f[B_LOW]);
        setText(item.value7, f[B_BID]);
        setText(item.value8, f[B_ASK]);
        shiftDecimal(item.value9, f[B_VOLUME_LOTS], 2);
        shiftDecimal(item.value10, f[B_AMOUNT_10K], 4);
        computePercent(item);
        ++recordCount;
    }
}

TStockData& TStockDataSet::nextRecord()
{
    if (times.size() <= recordCount)
        times.resize(recordCount + 1);
    return recordCount < items.size() ? items[recordCount] : items.emplace_back();
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
    TStockData& item = nextRecord();

    // The quote's date and time are values 30 and 31: found by counting
    // commas from value 10 on, where the split above stopped.
    QString& time = times[recordCount];
    bool timed = false;
    if (count == 1 && !parts[10].isNull()) {
        const QChar* const chars = values.data();
        const qsizetype end = values.size();
        qsizetype at = parts[10].data() - chars;
        int value = 9; // the values part 10 starts
        qsizetype dateStart = -1;
        for (; at < end; ++at) {
            if (chars[at] != u',')
                continue;
            ++value;
            if (value == PRIMARY_DATE_VALUE) {
                dateStart = at + 1;
            } else if (value == PRIMARY_DATE_VALUE + 1) {
                qsizetype timeEnd = at + 1;
                while (timeEnd < end && chars[timeEnd] != u',')
                    ++timeEnd;
                if (at > dateStart && timeEnd > at + 1) {
                    // The date, a space and the time, written over the last
                    // refresh's text in place.
                    const qsizetype dateLength = at - dateStart;
                    setText(time, values.sliced(dateStart, timeEnd - dateStart));
                    time[dateLength] = u' ';
                    timed = true;
                }
                break;
            }
        }
    }
    if (!timed)
        time.clear();
    fillItem(parts, item);
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
    computePercent(item);
}

void TStockDataSet::computePercent(TStockData& item)
{
    // Text that is no number gives 0; a zero basePrice gives Qt's text for a
    // non-finite value. A stock that has not traded yet gives 0 or the
    // auction's move instead of a fall of 100 %.
    const double basePrice = textToDouble(item.basePrice);
    const double price = currentPrice(item, basePrice).value;
    item.percent.setNum((price - basePrice) / basePrice * 100, 'g', 2);
}
