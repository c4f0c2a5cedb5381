#include "stocks/StockSuggest.h"

#include "core/Gb18030.h"
#include "core/WebRequest.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>
#include <QUrlQuery>

namespace {
// Names come as \uXXXX escapes; anything else stays as sent.
QString unescaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 5 < text.size() && text[i + 1] == u'u') {
            bool ok = false;
            const ushort unit = text.mid(i + 2, 4).toUShort(&ok, 16);
            if (ok) {
                out += QChar(unit);
                i += 5;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}
} // namespace

QString TStockSuggestion::text() const
{
    return name + QLatin1Char(' ') + code + QLatin1Char(' ') + initials.toUpper();
}

namespace suggest {

QUrl address(const QString& text)
{
    QUrl url(web::serviceRoot(web::Service::Suggest) + QStringLiteral("/s3/"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("v"), QStringLiteral("2"));
    query.addQueryItem(QStringLiteral("t"), QStringLiteral("all"));
    // Every character that means something in a query is encoded.
    query.addQueryItem(QStringLiteral("q"), QString::fromLatin1(QUrl::toPercentEncoding(text)));
    url.setQuery(query);
    return url;
}

TStockSuggestionItems parseReply(const QByteArray& reply)
{
    const QString text = gb18030::decode(reply);
    const QString start = QStringLiteral("v_hint=\"");
    const qsizetype from = text.indexOf(start);
    if (from < 0)
        return {};
    const qsizetype begin = from + start.size();
    const qsizetype end = text.indexOf(QLatin1Char('"'), begin);
    if (end < 0)
        return {};
    TStockSuggestionItems items;
    for (const QString& record : text.mid(begin, end - begin).split(QLatin1Char('^'))) {
        const QStringList fields = record.split(QLatin1Char('~'));
        if (fields.size() < 3)
            continue; // "N": nothing found
        const QString market = fields[0].trimmed().toLower();
        const QString digits = fields[1].trimmed();
        if ((market != QLatin1String("sh") && market != QLatin1String("sz") &&
             market != QLatin1String("bj")) ||
            digits.isEmpty())
            continue;
        items.append({market + digits, unescaped(fields[2]).trimmed(), fields.value(3).trimmed(),
                      fields.value(4).trimmed()});
        if (items.size() == MAX_SHOWN)
            break;
    }
    return items;
}

} // namespace suggest

TStockSuggest::TStockSuggest(QObject* parent)
    : QObject(parent), manager(std::make_unique<QNetworkAccessManager>())
{
}

TStockSuggest::~TStockSuggest()
{
    cancel();
}

void TStockSuggest::cancel()
{
    if (QNetworkReply* reply = pending.data()) {
        pending.clear();
        reply->abort();
        reply->deleteLater();
    }
}

void TStockSuggest::ask(const QString& text)
{
    cancel();
    QNetworkReply* reply =
        web::get(*manager, QNetworkRequest(suggest::address(text)), web::SUGGEST_MAX_BYTES);
    pending = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply, text] {
        reply->deleteLater();
        // Given up for a newer text: its answer is of no use any more.
        if (pending != reply)
            return;
        pending.clear();
        const QByteArray body = web::body(reply);
        if (!body.isEmpty())
            emit suggestionsArrived(text, suggest::parseReply(body));
    });
}
