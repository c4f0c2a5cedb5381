#include "stocks/OtherListImport.h"

#include "core/Gb18030.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

namespace otherlist {

namespace {
using Stocks = std::vector<Stock>;

bool isSixDigits(QStringView text)
{
    if (text.size() != 6)
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// Editors write UTF-8; a spreadsheet on a Chinese desktop writes GB18030.
QString decodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return gb18030::decode(bytes);
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);
    return text;
}

// VS Code's settings allow comments and trailing commas; JSON does not.
// Strings are copied as they are, so "//" inside an address stays.
QByteArray plainJson(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '"') {
            const qsizetype start = i;
            for (++i; i < n && text[i] != '"'; ++i) {
                if (text[i] == '\\')
                    ++i;
            }
            out += text.mid(start, i - start + 1);
        } else if (c == '/' && i + 1 < n && text[i + 1] == '/') {
            while (i < n && text[i] != '\n')
                ++i;
            out += '\n';
        } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
            const qsizetype end = text.indexOf("*/", i + 2);
            i = end < 0 ? n : end + 1;
            out += ' ';
        } else if (c == ']' || c == '}') {
            qsizetype back = out.size();
            while (back > 0 && QChar::isSpace(uchar(out[back - 1])))
                --back;
            if (back > 0 && out[back - 1] == ',')
                out[back - 1] = ' ';
            out += c;
        } else {
            out += c;
        }
    }
    return out;
}

class Collector
{
public:
    // False when the token is no code.
    bool add(QStringView token, const QString& remark = QString())
    {
        const std::optional<QString> code = stockCode(token);
        if (!code)
            return false;
        if (!seen.contains(*code)) {
            seen.insert(*code);
            stocks.push_back({*code, remark});
        }
        return true;
    }
    void setLastRemark(const QString& remark)
    {
        if (!stocks.empty() && stocks.back().remark.isEmpty())
            stocks.back().remark = remark;
    }
    std::optional<Stocks> result() const
    {
        if (stocks.empty())
            return std::nullopt;
        return stocks;
    }

private:
    QSet<QString> seen;
    Stocks stocks;
};

std::optional<Stocks> readLeekFund(const QByteArray& bytes)
{
    const QByteArray bom("\xef\xbb\xbf");
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(
        plainJson(bytes.startsWith(bom) ? bytes.mid(bom.size()) : bytes), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonValue list = document.object().value(QStringLiteral("leek-fund.stocks"));
    Collector stocks;
    for (const QJsonValue& value : list.toArray())
        stocks.add(value.toString().trimmed());
    return stocks.result();
}

QString unquoted(QString text)
{
    text = text.trimmed();
    if (text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'') &&
        text.back() == text.front())
        text = text.mid(1, text.size() - 2).trimmed();
    return text;
}

// A Yahoo symbol of the three mainland exchanges, e.g. "600000.SS".
void addYahooSymbol(Collector& stocks, const QString& symbol)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{6})\\.(SS|SZ|BJ)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(unquoted(symbol));
    if (!match.hasMatch())
        return;
    const QString exchange = match.captured(2).toLower();
    const QString market = exchange == QLatin1String("ss") ? QStringLiteral("sh") : exchange;
    stocks.add(QString(market + match.captured(1)));
}

QString withoutComment(const QString& line)
{
    const qsizetype hash = line.indexOf(QLatin1String(" #"));
    QString kept = line.startsWith(u'#') ? QString() : hash < 0 ? line : line.left(hash);
    return kept.trimmed().isEmpty() ? QString() : kept;
}

std::optional<Stocks> readWatchlist(const QString& text)
{
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    Collector stocks;
    bool found = false;
    bool inList = false;
    for (const QString& raw : lines) {
        const QString line = withoutComment(raw);
        if (line.isEmpty())
            continue;
        const bool topLevel = !line.front().isSpace();
        if (topLevel) {
            inList = false;
            if (!line.startsWith(QLatin1String("watchlist:")))
                continue;
            found = true;
            const QString rest = line.mid(10).trimmed();
            if (rest.startsWith(u'[') && rest.endsWith(u']')) {
                for (const QString& symbol : rest.mid(1, rest.size() - 2).split(u','))
                    addYahooSymbol(stocks, symbol);
            } else {
                inList = rest.isEmpty();
            }
            continue;
        }
        const QString item = line.trimmed();
        if (inList && item.startsWith(u'-'))
            addYahooSymbol(stocks, item.mid(1));
    }
    if (!found)
        return std::nullopt;
    return stocks.result();
}

// Codes separated by commas, semicolons or blanks; in CSV a field that is no
// code right after one that is names that stock.
std::optional<Stocks> readCodes(const QString& text, bool csv)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    static const QRegularExpression fieldEnd(QStringLiteral("[,;\t]"));
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    Collector stocks;
    for (const QString& line : text.split(lineEnd, Qt::SkipEmptyParts)) {
        bool afterCode = false;
        for (const QString& rawField : line.split(fieldEnd)) {
            const QString field = unquoted(rawField);
            if (field.isEmpty()) {
                afterCode = false;
                continue;
            }
            bool anyCode = false;
            bool allCodes = true;
            for (const QString& token : field.split(blanks, Qt::SkipEmptyParts)) {
                const bool code = stocks.add(token);
                anyCode = anyCode || code;
                allCodes = allCodes && code;
            }
            if (csv && !anyCode && afterCode)
                stocks.setLastRemark(field);
            afterCode = anyCode && allCodes;
        }
    }
    return stocks.result();
}
} // namespace

std::optional<QString> stockCode(QStringView token)
{
    if (token.size() == 8) {
        const QString market = token.left(2).toString().toLower();
        if ((market == QLatin1String("sh") || market == QLatin1String("sz") ||
             market == QLatin1String("bj")) &&
            isSixDigits(token.mid(2)))
            return market + token.mid(2).toString();
        return std::nullopt;
    }
    if (!isSixDigits(token))
        return std::nullopt;
    const QString digits = token.toString();
    // The exchanges' own ranges; Beijing's new codes start with 920, inside
    // Shanghai's 9.
    if (digits.startsWith(QLatin1String("920")) || digits.front() == u'4' || digits.front() == u'8')
        return QStringLiteral("bj") + digits;
    if (digits.front() == u'6' || digits.front() == u'9')
        return QStringLiteral("sh") + digits;
    if (digits.front() == u'0' || digits.front() == u'2' || digits.front() == u'3')
        return QStringLiteral("sz") + digits;
    return std::nullopt;
}

std::optional<Stocks> read(const QByteArray& bytes, const QString& fileName)
{
    if (bytes.size() > MAX_BYTES)
        return std::nullopt;
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("json"))
        return readLeekFund(bytes);
    if (suffix == QLatin1String("yaml") || suffix == QLatin1String("yml"))
        return readWatchlist(decodeText(bytes));
    if (suffix == QLatin1String("txt") || suffix == QLatin1String("csv"))
        return readCodes(decodeText(bytes), suffix == QLatin1String("csv"));
    return std::nullopt;
}

} // namespace otherlist
