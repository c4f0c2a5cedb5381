#pragma once

#include <QString>

#include <optional>

// The alert limits, cost price and holding of a stock list entry are text as
// the user typed them. These read them as numbers: a non-negative decimal
// (prices) or a whole number (quantities), spaces around them ignored. Empty
// or anything else is no number.
namespace stockfield {

std::optional<double> price(const QString& text);
std::optional<qint64> quantity(const QString& text);

// What the user may type: a number of the kind, or nothing at all.
bool isPriceOrEmpty(const QString& text);
bool isQuantityOrEmpty(const QString& text);

} // namespace stockfield
