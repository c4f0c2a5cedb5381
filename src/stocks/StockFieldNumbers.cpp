#include "stocks/StockFieldNumbers.h"

#include <algorithm>

namespace {
bool isAsciiDigit(QChar c)
{
    // Only ASCII: other scripts' digits (QChar::isDigit, full-width ones from
    // a Chinese input method) would pass for a number that toDouble reads as 0.
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isWhole(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isAsciiDigit);
}

bool isDecimal(QStringView text)
{
    // Plain digits with at most one point; no sign, exponent or separators,
    // which a person writing a price does not mean.
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0)
        return isWhole(text);
    const QStringView before = text.left(point);
    const QStringView after = text.mid(point + 1);
    return isWhole(before) ? after.isEmpty() || isWhole(after) : before.isEmpty() && isWhole(after);
}
} // namespace

namespace stockfield {

std::optional<double> price(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (!isDecimal(trimmed))
        return std::nullopt;
    return trimmed.toDouble();
}

std::optional<qint64> quantity(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (!isWhole(trimmed))
        return std::nullopt;
    bool ok = false;
    const qint64 value = trimmed.toLongLong(&ok);
    if (!ok)
        return std::nullopt; // more digits than any holding has
    return value;
}

bool isPriceOrEmpty(const QString& text)
{
    return text.trimmed().isEmpty() || price(text).has_value();
}

bool isQuantityOrEmpty(const QString& text)
{
    return text.trimmed().isEmpty() || quantity(text).has_value();
}

} // namespace stockfield
