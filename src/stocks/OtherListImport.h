#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// Watch lists kept by other tickers, read into codes of this program: a
// VS Code settings.json ("leek-fund.stocks"), a terminal ticker's YAML
// ("watchlist:" of Yahoo symbols) and text or CSV files of codes.
namespace otherlist {

struct Stock
{
    QString code; // lower-case market prefix and six digits, e.g. "sh600000"
    QString remark;
};

// A larger file is no watch list.
constexpr qint64 MAX_BYTES = 1024 * 1024;

// "sh600000", "SZ000001" or six digits alone, whose market follows from the
// first digits; nullopt for anything else (other markets, funds of unknown
// market, names).
std::optional<QString> stockCode(QStringView token);

// The stocks of `bytes`, read as the kind `fileName`'s extension names, in
// file order and each code once. Nullopt when the bytes are not of that
// kind, or hold no stock of Shanghai, Shenzhen or Beijing.
std::optional<std::vector<Stock>> read(const QByteArray& bytes, const QString& fileName);

} // namespace otherlist
