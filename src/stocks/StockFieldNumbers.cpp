#include "stocks/StockFieldNumbers.h"

#include <QRegularExpression>

namespace {
bool isDecimal(const QString& text)
{
    // Plain digits with at most one point; no sign, exponent or separators,
    // which a person writing a price does not mean.
    static const QRegularExpression decimal(QStringLiteral("^(\\d+(\\.\\d*)?|\\.\\d+)$"));
    return decimal.match(text).hasMatch();
}

bool isWhole(const QString& text)
{
    static const QRegularExpression whole(QStringLiteral("^\\d+$"));
    return whole.match(text).hasMatch();
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
